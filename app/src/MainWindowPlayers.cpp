// The main window's preview and music players and its two make commands:
// the preview plays the album movie in the movie-view control where the
// template has its placeholder, the music toggle plays the chosen MP3, the
// make-album command runs the album pipeline on a worker thread and shows
// the new movie, and the make-screensaver command wraps the movie into a
// screensaver file.
#include <windows.h>
#include <commctrl.h>

#include "EmbeddedStub.h"
#include "FailureTexts.h"
#include "LanguageFormat.h"
#include "MainWindow.h"
#include "ScreensaverCommand.h"
#include "TextConversion.h"
#include "resource.h"

namespace maker = slidewright::maker;

namespace {

bool isChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// Whether a file exists and can be opened for reading, as the music toggle
// asks before it starts the music.
bool readable(const std::string& path) {
  HANDLE file = CreateFileW(wideFromUtf8(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  CloseHandle(file);
  return true;
}

}  // namespace

// The movie-view control takes the place and the id of the template's
// placeholder, hidden until the first play.
void MainWindow::createPreview() {
  HWND hwnd = handle();
  const RECT r = controlRect(IDC_PREVIEW_HOST);
  if (HWND placeholder = GetDlgItem(hwnd, IDC_PREVIEW_HOST)) DestroyWindow(placeholder);
  MovieViewArgs args;
  args.parent = hwnd;
  args.rect = r;
  args.controlId = IDC_PREVIEW_HOST;
  args.visible = false;
  preview_ = MovieView::create(instance(), args);
  pauseGlyph_ = loadGlyph(IDB_PAUSE);
  stopGlyph_ = loadGlyph(IDB_STOP);
  playGlyph_ = loadGlyph(IDB_PLAY);
}

void MainWindow::setGlyph(int control, HBITMAP glyph) {
  for (const auto& button : flatButtons_)
    if (button->id() == control) button->setGlyph(glyph);
}

// The pause toggle, which has already changed its state when it runs:
// checked halts the preview, unchecked plays it (loading the movie at the
// save path first when the player is hidden).
void MainWindow::previewPlay() {
  if (!preview_) return;
  HWND player = preview_->handle();
  if (isChecked(handle(), IDC_PREVIEW_PLAY)) {
    preview_->Stop();
    setGlyph(IDC_PREVIEW_PLAY, playGlyph_.get());
    return;
  }
  if (!IsWindowVisible(player)) {
    ShowWindow(player, SW_SHOW);
    preview_->LoadMovie(0, settings_.savePath);
  }
  preview_->BGColor(settings_.backgroundColor);
  preview_->Play();
  setGlyph(IDC_PREVIEW_PLAY, pauseGlyph_.get());
}

// Stops the preview, hides it (the placeholder picture shows again) and
// unloads the movie, so that the file is no longer the player's.
void MainWindow::previewStop() {
  if (!preview_) return;
  CheckDlgButton(handle(), IDC_PREVIEW_PLAY, BST_CHECKED);
  previewPlay();
  ShowWindow(preview_->handle(), SW_HIDE);
  preview_->LoadMovie(0, "c:\\");
  const RECT r = controlRect(IDC_PREVIEW_HOST);
  InvalidateRect(handle(), &r, FALSE);
}

void MainWindow::restartPreview() {
  previewStop();
  CheckDlgButton(handle(), IDC_PREVIEW_PLAY, BST_UNCHECKED);
  previewPlay();
}

// The music toggle: checked plays the chosen music from its start, unchecked
// halts it. Music that cannot be played is named to the user with the
// reason, and the toggle goes back to show that nothing plays.
void MainWindow::musicToggle() {
  HWND hwnd = handle();
  if (!isChecked(hwnd, IDC_MUSIC_TOGGLE)) {
    haltMusic();
    return;
  }
  const char* reasonKey = nullptr;
  std::string englishReason;  // the player's own words, not shown
  if (settings_.musicPath.empty() || !readable(settings_.musicPath)) {
    reasonKey = "MusicMissing";
  } else if (music_.start(settings_.musicPath, &englishReason)) {
    setGlyph(IDC_MUSIC_TOGGLE, stopGlyph_.get());
    SetTimer(hwnd, kMusicEndTimer, kMusicEndCheckMs, nullptr);
    return;
  } else {
    // The file opens but holds no MPEG audio the player can decode.
    reasonKey = "MusicNotSupported";
  }
  haltMusic();
  showMessage(hwnd, reasonText(language_, reasonKey, settings_.musicPath), MB_OK | MB_ICONWARNING);
}

// Halts the music and shows the toggle as nothing playing.
void MainWindow::haltMusic() {
  KillTimer(handle(), kMusicEndTimer);
  music_.halt();
  CheckDlgButton(handle(), IDC_MUSIC_TOGGLE, BST_UNCHECKED);
  setGlyph(IDC_MUSIC_TOGGLE, playGlyph_.get());
}

// While the music plays, the window looks now and then whether it has come
// to its end, and then shows the toggle ready to play it again.
void MainWindow::onMusicEndTimer() {
  if (!music_.isPlaying()) haltMusic();
}

// -- the make commands ---------------------------------------------------------------

// Makes the album from the pictures and settings on a worker thread; the
// window keeps painting, the progress bar moves with the make's messages,
// and onMakeFinished shows the outcome.
void MainWindow::makeAlbum() {
  if (making() || !takeSavePathForMake()) return;
  beginProgress();
  makeJob_.start(handle(), makeSettingsFor(settings_, albumEntries()));
  updateCommandStates();
  SetCursor(LoadCursor(nullptr, IDC_WAIT));
}

// The make commands' first steps: the fields' values taken, an empty save
// path told, the seconds checked, and the save path completed and shown.
// False when no make is to start.
bool MainWindow::takeSavePathForMake() {
  HWND hwnd = handle();
  takeValuesFromControls();
  if (settings_.savePath.empty()) {
    showMessage(hwnd, messageText(language_, "EmptySavePath"), MB_OK);
    return false;
  }
  if (!checkPauseForMake()) return false;
  wchar_t current[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, current);
  settings_.savePath = completeSavePath(settings_.savePath, utf8FromWide(current));
  putValuesIntoControls();
  return true;
}

// The pictures of the strip in album order, each with its transition, hold,
// motion and caption.
std::vector<maker::AlbumEntry> MainWindow::albumEntries() const {
  std::vector<maker::AlbumEntry> pictures;
  for (int i = 0; i < pictureList_.entryCount(); ++i) {
    const PictureEntry& entry = pictureList_.entryAt(i);
    pictures.push_back({entry.path, entry.transition, entry.holdSeconds, entry.motion, entry.caption});
  }
  return pictures;
}

// The seconds per picture, which may be typed beyond the arrows' 1 to 60:
// anything from 0 to what keeps the movie within the frames it can count.
// Otherwise the user is told the limit and no make starts.
bool MainWindow::checkPauseForMake() {
  std::vector<maker::AlbumEntry> pictures;
  for (int i = 0; i < pictureList_.entryCount(); ++i)
    pictures.push_back(
        {std::string(), pictureList_.entryAt(i).transition, pictureList_.entryAt(i).holdSeconds});
  const int longest = maker::longestAlbumPause(pictures, settings_.albumWidth, settings_.albumHeight);
  std::string text;
  if (settings_.pauseSeconds < 0)
    text = reasonText(language_, "PauseNegative");
  else if (longest < 0)
    text = reasonText(language_, "TooManyPictures");
  else if (settings_.pauseSeconds > longest)
    text = utf8FromAnsi(formatWithNumber(language_.lookupValue(kReasonSection, "PauseTooLong"), longest));
  if (text.empty()) return true;
  showMessage(handle(), text, MB_OK | MB_ICONWARNING);
  return false;
}

void MainWindow::onMakeFinished() {
  HWND hwnd = handle();
  if (videoJob_.running()) return onVideoFinished();
  if (!makeJob_.running()) return;
  auto result = makeJob_.finish();
  updateCommandStates();
  SendDlgItemMessageA(hwnd, IDC_PROGRESS, PBM_SETPOS, 20, 0);
  SetCursor(LoadCursor(nullptr, IDC_ARROW));
  if (!result.ok() && result.kind() == maker::MakeErrorKind::Cancelled) return;
  MessageBeep(MB_OK);
  if (!result.ok()) {
    // Which file and why: the movie that was there is kept as it was.
    showMessage(hwnd,
                messageText(language_, "MakeError") + "\r\n\r\n" + makeErrorText(language_, result.error()),
                MB_OK | MB_ICONWARNING);
  }
  restartPreview();
}

// A make still running when the window closes is cancelled, and waited for:
// it stops at its next picture (a video at its next frame), leaving no
// temporary file and no new movie or video, and the file that was at its
// place stays as it was.
void MainWindow::cancelMake() {
  if (videoJob_.running()) {
    videoJob_.cancel();
    videoJob_.finish();
  }
  if (!makeJob_.running()) return;
  makeJob_.cancel();
  makeJob_.finish();
}

void MainWindow::makeScreensaver() {
  ScreensaverRequest request;
  request.owner = handle();
  request.savePath = settings_.savePath;
  request.language = &language_;
  embeddedSaverStub(&request.stub);
  request.stopPreview = [this] { previewStop(); };
  ::makeScreensaver(request);
}
