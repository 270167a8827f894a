// waveOut back end: a few short buffers queued on the device; a thread
// refills each one as the device hands it back (signalled through an event).
#include "player/audio_device.h"

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <thread>
#include <vector>

namespace player {

namespace {

// Four buffers of 40 ms: sound starts at most about 160 ms after its frame
// is drawn (two frames at 12 fps), and Wine's and Windows' mixers keep up.
constexpr int kBufferCount = 4;
constexpr int kBufferMilliseconds = 40;

}  // namespace

struct AudioDevice::Impl {
  HWAVEOUT wave = nullptr;
  HANDLE event = nullptr;
  PcmFormat format;
  Fill fill;
  std::vector<std::vector<int16_t>> data;
  std::vector<WAVEHDR> headers;
  std::thread thread;
  std::atomic<bool> quit{false};

  ~Impl() {
    if (event) CloseHandle(event);
  }

  void queue(WAVEHDR& h, std::vector<int16_t>& samples) {
    const size_t frames = samples.size() / size_t(format.channels);
    fill(samples.data(), frames);
    waveOutWrite(wave, &h, sizeof h);
  }

  void run() {
    while (!quit.load()) {
      WaitForSingleObject(event, 200);
      for (int i = 0; i < kBufferCount && !quit.load(); ++i) {
        if (headers[i].dwFlags & WHDR_DONE) {
          headers[i].dwFlags &= ~DWORD(WHDR_DONE);
          queue(headers[i], data[i]);
        }
      }
    }
  }
};

AudioDevice::AudioDevice() = default;
AudioDevice::~AudioDevice() { stop(); }

bool AudioDevice::start(const PcmFormat& format, Fill fill) {
  stop();
  auto impl = std::make_unique<Impl>();
  impl->format = format;
  impl->fill = std::move(fill);
  impl->event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
  if (!impl->event) return false;
  WAVEFORMATEX wfx{};
  wfx.wFormatTag = WAVE_FORMAT_PCM;
  wfx.nChannels = WORD(format.channels);
  wfx.nSamplesPerSec = DWORD(format.sampleRate);
  wfx.wBitsPerSample = 16;
  wfx.nBlockAlign = WORD(format.channels * 2);
  wfx.nAvgBytesPerSec = wfx.nSamplesPerSec * wfx.nBlockAlign;
  if (waveOutOpen(&impl->wave, WAVE_MAPPER, &wfx, reinterpret_cast<DWORD_PTR>(impl->event), 0,
                  CALLBACK_EVENT) != MMSYSERR_NOERROR) {
    // No sound device (or none for this format): play nothing, quietly.
    return false;
  }
  const size_t frames = size_t(format.sampleRate) * kBufferMilliseconds / 1000;
  impl->data.assign(kBufferCount, std::vector<int16_t>(frames * size_t(format.channels)));
  impl->headers.assign(kBufferCount, WAVEHDR{});
  for (int i = 0; i < kBufferCount; ++i) {
    WAVEHDR& h = impl->headers[i];
    h.lpData = reinterpret_cast<LPSTR>(impl->data[i].data());
    h.dwBufferLength = DWORD(impl->data[i].size() * sizeof(int16_t));
    waveOutPrepareHeader(impl->wave, &h, sizeof h);
  }
  for (int i = 0; i < kBufferCount; ++i) impl->queue(impl->headers[i], impl->data[i]);
  Impl* raw = impl.get();
  impl->thread = std::thread([raw] { raw->run(); });
  impl_ = std::move(impl);
  return true;
}

void AudioDevice::pause() {
  if (impl_) waveOutPause(impl_->wave);
}

void AudioDevice::resume() {
  if (impl_) waveOutRestart(impl_->wave);
}

void AudioDevice::stop() {
  if (!impl_) return;
  impl_->quit = true;
  SetEvent(impl_->event);
  impl_->thread.join();
  waveOutReset(impl_->wave);
  for (WAVEHDR& h : impl_->headers) waveOutUnprepareHeader(impl_->wave, &h, sizeof h);
  waveOutClose(impl_->wave);
  impl_.reset();
}

bool AudioDevice::isOpen() const { return impl_ != nullptr; }

}  // namespace player
