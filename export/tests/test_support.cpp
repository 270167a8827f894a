#include "test_support.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include <jpeglib.h>
#include <lame/lame.h>
#include <swf/movie.h>
#include <swf/place.h>
#include <swf/sound.h>

extern char** environ;

namespace exporttest {

namespace fs = std::filesystem;

namespace {

struct Scratch {
  std::string dir;
  Scratch() {
    std::random_device rd;
    const auto d = fs::temp_directory_path() /
                   ("export-tests-" + std::to_string(::getpid()) + "-" + std::to_string(rd() % 100000));
    fs::create_directories(d);
    dir = d.string();
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
};

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

void writeJpeg(const std::string& path, int w, int h, const std::vector<unsigned char>& rgb) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot write " + path);
  jpeg_compress_struct c;
  jpeg_error_mgr err;
  c.err = jpeg_std_error(&err);
  jpeg_create_compress(&c);
  jpeg_stdio_dest(&c, f);
  c.image_width = JDIMENSION(w);
  c.image_height = JDIMENSION(h);
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, 92, TRUE);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = const_cast<unsigned char*>(&rgb[size_t(c.next_scanline) * size_t(w) * 3]);
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::fclose(f);
}

}  // namespace

std::string scratch(const std::string& name) {
  static const Scratch s;
  return name.empty() ? s.dir : s.dir + "/" + name;
}

Outcome run(const std::vector<std::string>& args, const std::string& tmpdir) {
  std::string cmd =
      "umask 022; " + (tmpdir.empty() ? "" : "TMPDIR=" + quote(tmpdir) + " ") + quote(SLIDEWRIGHT_BINARY);
  for (const auto& a : args) cmd += " " + quote(a);
  const std::string out = scratch("stdout"), err = scratch("stderr");
  cmd += " </dev/null >" + quote(out) + " 2>" + quote(err);
  const int raw = std::system(cmd.c_str());
  int status = -1;
  if (WIFEXITED(raw)) status = WEXITSTATUS(raw);
  return {status, slurp(out), slurp(err)};
}

// True once the process has a handler of its own for `signal` (Linux's
// /proc/PID/status lists the caught signals as a hexadecimal mask).
static bool catchesSignal(pid_t pid, int signal) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return (std::stoull(line.substr(7), nullptr, 16) >> (signal - 1)) & 1u;
  return false;
}

int stopMidway(const std::vector<std::string>& args, const std::string& tmpdir,
               const std::function<bool()>& ready, int signal) {
  std::vector<std::string> argText = {SLIDEWRIGHT_BINARY};
  argText.insert(argText.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (auto& a : argText) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> envText = {"TMPDIR=" + tmpdir};
  for (char** e = environ; *e; ++e)
    if (std::strncmp(*e, "TMPDIR=", 7) != 0) envText.push_back(*e);
  std::vector<char*> envp;
  for (auto& e : envText) envp.push_back(e.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t files;
  posix_spawn_file_actions_init(&files);
  posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&files, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&files, 2, "/dev/null", O_WRONLY, 0);
  // The signals are at their defaults whatever this process inherited: a
  // command keeps ignoring a signal it was started ignoring.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&defaults, s);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  pid_t pid;
  const int spawned = posix_spawn(&pid, argv[0], &files, &attributes, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&files);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) throw std::runtime_error("cannot start " + argText[0]);
  // A loaded machine can take longer than `ready` allows just to start the
  // program: its time counts from when the program watches for stops.
  for (int i = 0; i < 3000 && !catchesSignal(pid, signal); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  bool isReady = false;
  for (int i = 0; i < 3000 && !(isReady = ready()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ::kill(pid, signal);
  int status = 0;
  ::waitpid(pid, &status, 0);
  if (!isReady) return -2;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string writePicture(int k, int w, int h) {
  std::vector<unsigned char> rgb(size_t(w) * size_t(h) * 3);
  const double hue = k * 2.39996;  // golden angle
  const double base[3] = {0.5 + 0.4 * std::cos(hue), 0.5 + 0.4 * std::cos(hue + 2.094),
                          0.5 + 0.4 * std::cos(hue + 4.189)};
  std::mt19937 noise(uint32_t(k) * 7919u + 1u);
  const double cx = w * (0.3 + 0.05 * (k % 5)), cy = h * (0.4 + 0.04 * (k % 4)),
               radius = 0.22 * std::min(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const double u = double(x) / w, v = double(y) / h;
      // Shading across the picture, waves of light, a soft disc and a sharp bar.
      double light = 0.55 + 0.3 * (u - v) + 0.12 * std::sin(x / 13.0 + k) * std::cos(y / 17.0);
      const double d = std::hypot(x - cx, y - cy);
      const double disc = std::clamp((radius - d) / 6.0, 0.0, 1.0);
      const bool bar = std::abs(x - (w * 3) / 4) < w / 40 && y > h / 5 && y < (h * 4) / 5;
      for (int c = 0; c < 3; ++c) {
        double value = base[c] * light;
        value = value * (1 - disc) + (1.0 - base[c]) * 0.9 * disc;
        if (bar) value = 0.08;
        value += (double(noise() % 13) - 6.0) / 255.0;
        rgb[(size_t(y) * size_t(w) + size_t(x)) * 3 + size_t(c)] =
            static_cast<unsigned char>(std::lround(std::clamp(value, 0.0, 1.0) * 255));
      }
    }
  const std::string path =
      scratch("picture" + std::to_string(k) + "-" + std::to_string(w) + "x" + std::to_string(h) + ".jpg");
  writeJpeg(path, w, h, rgb);
  return path;
}

std::vector<unsigned char> encodeMusic(double seconds, int rate, int kbps, bool framesOnly) {
  const int n = int(seconds * rate);
  std::vector<short> pcm(static_cast<size_t>(n));
  static const double kPitches[] = {392, 523, 330, 659, 440, 587, 262, 494, 349, 698, 415, 554};
  const int tone = rate / 4;
  const int dip = rate / 100;
  for (int i = 0; i < n; ++i) {
    const double f = kPitches[(i / tone) % 12];
    // Each tone dips briefly in loudness at its start, never to silence.
    const int into = i % tone;
    const double level = into < dip ? 0.35 + 0.3 * into / double(dip) : 0.65;
    pcm[size_t(i)] = short(12000 * level * std::sin(2 * M_PI * f * i / rate));
  }
  lame_t gf = lame_init();
  lame_set_num_channels(gf, 1);
  lame_set_in_samplerate(gf, rate);
  lame_set_out_samplerate(gf, rate);
  lame_set_mode(gf, MONO);
  lame_set_brate(gf, kbps);
  if (framesOnly) lame_set_bWriteVbrTag(gf, 0);  // no leading tag frame
  if (lame_init_params(gf) < 0) throw std::runtime_error("lame refused the test settings");
  std::vector<unsigned char> mp3(size_t(n) + 7200);
  int len = lame_encode_buffer(gf, pcm.data(), pcm.data(), n, mp3.data(), int(mp3.size()));
  len += lame_encode_flush(gf, mp3.data() + len, int(mp3.size()) - len);
  lame_close(gf);
  mp3.resize(size_t(len));
  return mp3;
}

std::string writeMusic(const std::string& name, double seconds) {
  const std::vector<unsigned char> mp3 = encodeMusic(seconds, 44100, 128, false);
  const std::string path = scratch(name);
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
  return path;
}

std::string writeMusicMovie(const std::string& name, const std::vector<unsigned char>& mp3, uint32_t frames) {
  SwfMovie movie;
  auto sound = SwfSound::fromBytes(movie.characterIds(), mp3.data(), mp3.size());
  if (!sound->isLoaded()) throw std::runtime_error("the test's MP3 is refused: " + sound->loadError());
  const uint16_t id = sound->characterId();
  movie.addTag(std::move(sound));
  movie.addTag(std::make_unique<SwfStartSound>(id, SwfSoundInfo::noMultiple()));
  for (uint32_t f = 0; f < frames; ++f) movie.addTag(std::make_unique<SwfShowFrame>());
  const std::string path = scratch(name);
  if (!movie.writeFile(path, Twips::fromPixels(160), Twips::fromPixels(120), 12))
    throw std::runtime_error("cannot write " + path);
  return path;
}

std::string makeAlbum(const AlbumSpec& spec) {
  std::vector<std::string> args = {
      "make", "-q", "-W",           std::to_string(spec.width), "-H", std::to_string(spec.height), "-s",
      "1",    "-b", spec.background};
  if (!spec.music.empty()) args.insert(args.end(), {"-m", spec.music});
  if (!spec.loop) args.push_back("--no-loop");
  for (size_t k = 0; k < spec.transitions.size(); ++k) {
    args.insert(args.end(), {"-t", std::to_string(spec.transitions[k])});
    args.push_back(writePicture(int(k), spec.width, spec.height));
  }
  const std::string movie = scratch(spec.name + ".swf");
  args.insert(args.end(), {"-o", movie});
  const Outcome made = run(args);
  if (made.status != 0) throw std::runtime_error("slidewright make failed: " + made.err);
  return movie;
}

}  // namespace exporttest
