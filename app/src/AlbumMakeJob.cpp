#include "AlbumMakeJob.h"

#include "TextConversion.h"

namespace maker = slidewright::maker;

std::string completeSavePath(const std::string& savePath, const std::string& currentFolder) {
  std::string path = savePath;
  if (path.find_first_of("\\/") == std::string::npos) {
    std::string folder = currentFolder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
    path = folder + path;
  }
  // Lowered as characters, not bytes: the bytes of a longer character are
  // no letters.
  std::wstring wide = wideFromUtf8(path);
  if (!wide.empty()) CharLowerBuffW(wide.data(), static_cast<DWORD>(wide.size()));
  path = utf8FromWide(wide);
  if (path.size() < 4 || path.compare(path.size() - 4, 4, ".swf") != 0) path += ".swf";
  return path;
}

maker::AlbumSettings makeSettingsFor(const AlbumSettings& window, std::vector<maker::AlbumEntry> pictures) {
  maker::AlbumSettings s;
  s.pictures = std::move(pictures);
  s.width = window.albumWidth;
  s.height = window.albumHeight;
  s.pauseSeconds = window.pauseSeconds;
  s.background = maker::Rgb{GetRValue(window.backgroundColor), GetGValue(window.backgroundColor),
                            GetBValue(window.backgroundColor)};
  if (musicFileChosen(window.musicPath)) s.musicPath = window.musicPath;
  s.loop = window.loop;
  s.fadeOutSeconds = window.fadeOutSeconds;
  s.seed = static_cast<std::uint64_t>(window.seed);
  s.outputPath = window.savePath;
  return s;
}

bool AlbumMakeJob::start(HWND owner, maker::AlbumSettings settings) {
  if (running()) return false;
  musicTenths_ = -1;
  return job_.start(owner, [this, settings = std::move(settings)](const std::function<bool()>& goOn) {
    return maker::makeAlbum(settings,
                            [this, &goOn](const maker::MakeProgress& p) { return report(p) && goOn(); });
  });
}

bool AlbumMakeJob::report(const maker::MakeProgress& p) {
  const HWND owner = job_.owner();
  switch (p.stage) {
    case maker::MakeStage::Music: {
      // The bar shows tenths of the music's first half: post each once.
      const int tenths = p.total ? static_cast<int>(p.done * 10 / p.total) : 0;
      if (tenths != musicTenths_) {
        musicTenths_ = tenths;
        PostMessageA(owner, EncodeProgress, static_cast<WPARAM>(tenths), 10);
      }
      break;
    }
    case maker::MakeStage::Pictures:
      PostMessageA(owner, EncodeProgress, p.done == 0 ? 10 : 0, p.done == 0 ? 10 : 0);
      break;
    case maker::MakeStage::Movie:
      break;
  }
  return true;
}

maker::MakeResult<maker::MakeOutcome> AlbumMakeJob::finish() {
  return job_.finish(maker::MakeError{maker::MakeErrorKind::Settings, std::string(), "no make was started"});
}
