// The main window's album files: opening one (command line, drop, open
// dialog), saving it (asking for a name the first time), the question about
// unsaved changes, the title that names the album and marks its changes,
// the keyboard shortcuts of these commands, and the hold time and the
// caption of the selected pictures.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "AlbumFileBridge.h"
#include "FailureTexts.h"
#include "CaptionDialog.h"
#include "HoldTimeDialog.h"
#include "LanguageFormat.h"
#include "MainWindow.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"
#include "resource.h"

namespace albumfile = slidewright::albumfile;
namespace maker = slidewright::maker;

namespace {

// The main window whose shortcuts the dialog loop of this thread serves.
thread_local MainWindow* shortcutWindow = nullptr;

// The modal dialog loop hands every message to the thread's message filter
// before it goes to the control with the focus.
LRESULT CALLBACK shortcutFilter(int code, WPARAM wParam, LPARAM lParam) {
  if (code == MSGF_DIALOGBOX && shortcutWindow &&
      shortcutWindow->translateShortcut(reinterpret_cast<MSG*>(lParam)))
    return TRUE;
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// The captions of the question's buttons, set while the question shows.
thread_local const LanguageFile* questionLanguage = nullptr;

LRESULT CALLBACK questionButtons(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && questionLanguage) {
    HWND box = reinterpret_cast<HWND>(wParam);
    const struct {
      int id;
      const char* key;
    } buttons[] = {{IDYES, "SaveChangesSave"}, {IDNO, "SaveChangesDiscard"}, {IDCANCEL, "SaveChangesCancel"}};
    for (const auto& button : buttons) {
      const std::string text = questionLanguage->lookupString(button.key);
      if (HWND control = GetDlgItem(box, button.id); control && text != button.key)
        SetWindowTextA(control, text.c_str());
    }
  }
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Save (IDYES), Don't save (IDNO) or Cancel (IDCANCEL), in the window's language.
int askToSaveChanges(HWND owner, const LanguageFile& language, const std::string& albumName) {
  const std::string question =
      textNamingFile(language.lookupValue("AlbumFile", "SaveChangesQuestion"), albumName);
  questionLanguage = &language;
  HHOOK hook = SetWindowsHookExA(WH_CBT, questionButtons, nullptr, GetCurrentThreadId());
  const int answer = showMessage(owner, question, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (hook) UnhookWindowsHookEx(hook);
  questionLanguage = nullptr;
  return answer;
}

}  // namespace

// -- the album as it is ------------------------------------------------------------

AlbumSettings MainWindow::fieldSettings() const {
  AlbumSettings s = settings_;
  if (handle()) readFields(&s);
  return s;
}

albumfile::AlbumDocument MainWindow::currentAlbum() const {
  std::vector<WindowAlbumPicture> pictures;
  for (int i = 0; i < pictureList_.entryCount(); ++i) {
    const PictureEntry& entry = pictureList_.entryAt(i);
    pictures.push_back({entry.path, entry.transition, entry.holdSeconds, entry.motion, entry.caption});
  }
  return albumDocumentOf(fieldSettings(), pictures);
}

bool MainWindow::albumChanged() const { return albumIncomplete_ || !(currentAlbum() == savedAlbum_); }

void MainWindow::refreshTitle() {
  HWND hwnd = handle();
  if (!hwnd || closing_) return;
  const std::wstring title = albumWindowTitle(language_, albumPath_, albumChanged());
  if (windowTitleWide(hwnd) != title) setWindowTitleWide(hwnd, title);
}

void MainWindow::startNewAlbum() {
  // The settings only an album file gives (the window has no field for
  // them) belong to the album that was let go.
  const AlbumSettings defaults;
  settings_.loop = defaults.loop;
  settings_.fadeOutSeconds = defaults.fadeOutSeconds;
  settings_.seed = defaults.seed;
  albumPath_.clear();
  albumIncomplete_ = false;
  savedAlbum_ = currentAlbum();
}

// -- opening ---------------------------------------------------------------------------

bool MainWindow::openAlbumFile(const std::string& albumPath) {
  HWND hwnd = handle();
  if (making()) return false;
  // A refused file is told and changes nothing, so the question about the
  // album in the window comes only once the new one can take its place.
  auto read = albumfile::readAlbumFile(albumPath);
  if (!read) {
    showMessage(hwnd, albumErrorText(language_, albumPath, read.error(), false), MB_OK | MB_ICONWARNING);
    return false;
  }
  if (!confirmDiscardChanges()) return false;
  const albumfile::AlbumDocument& album = read.value();

  haltMusic();
  settings_.albumWidth = album.width;
  settings_.albumHeight = album.height;
  settings_.pauseSeconds = album.seconds;
  settings_.backgroundColor = RGB(album.background.r, album.background.g, album.background.b);
  settings_.loop = album.loop;
  settings_.fadeOutSeconds = album.fadeOutSeconds;
  settings_.seed = album.seed;
  swatch_.setColor(settings_.backgroundColor);
  std::vector<NotAdded> failures;
  settings_.musicPath = album.music.empty() ? musicPathToStore(settings_.musicPath) : album.music;
  setTooltip(IDC_MUSIC_TOGGLE, musicFileChosen(settings_.musicPath)
                                   ? wideFromUtf8(settings_.musicPath)
                                   : wideFromAnsi(language_.lookupString("PlayMusic")));
  settings_.savePath = album.output.empty() ? defaultAlbumOutput(albumPath) : album.output;
  putValuesIntoControls();

  // The pictures that are there go into the strip, in album order, each with
  // its transition and hold; the others are named once all are in.
  pictureList_.deleteAll();
  std::vector<std::string> readable;
  std::vector<const albumfile::AlbumFilePicture*> readableSource;
  for (const albumfile::AlbumFilePicture& picture : album.pictures) {
    const DWORD attributes = GetFileAttributesW(wideFromUtf8(picture.file).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
      failures.push_back({picture.file, "PictureMissing"});
    else if (checkedPicturePath(picture.file).problem == PathProblem::PathTooLong)
      failures.push_back({picture.file, "PathTooLong"});
    else {
      readable.push_back(picture.file);
      readableSource.push_back(&picture);
    }
  }
  auto unreadable = pictureList_.addPictures(readable);
  int entry = 0;
  for (std::size_t i = 0; i < readable.size(); ++i) {
    const auto failed = std::find_if(unreadable.begin(), unreadable.end(),
                                     [&](const PictureAddFailure& f) { return f.path == readable[i]; });
    if (failed != unreadable.end()) {
      failures.push_back({failed->path, pictureReasonKey(failed->reason)});
      unreadable.erase(failed);
      continue;
    }
    if (entry >= pictureList_.entryCount()) break;
    PictureEntry& added = pictureList_.entryAt(entry++);
    added.transition = readableSource[i]->transition;
    added.holdSeconds = readableSource[i]->seconds;
    added.motion = readableSource[i]->motion;
    added.caption = readableSource[i]->caption;
  }
  RECT strip{};
  GetClientRect(pictureList_.handle(), &strip);
  pictureList_.repaintRegion(strip);

  albumPath_ = albumPath;
  savedAlbum_ = currentAlbum();
  // An album opened without some of its pictures is not the file any more.
  albumIncomplete_ = !failures.empty();
  updateCommandStates();
  if (!failures.empty()) showAddFailures(failures, "AlbumPicturesMissing");
  return true;
}

void MainWindow::openAlbumFromDialog() {
  const std::string path = askAlbumFileName(false);
  if (!path.empty()) openAlbumFile(path);
}

// -- saving ----------------------------------------------------------------------------

// The album file chosen in the open or save dialog (UTF-8), "" when none.
// The dialog opens in the album's folder, else the movie's.
std::string MainWindow::askAlbumFileName(bool saving) {
  const std::wstring filter = wideFromAnsi(dialogFilter(language_.lookupString("AlbumFileFilter")));
  const AlbumSettings fields = fieldSettings();
  std::wstring folder, name;
  if (!albumPath_.empty()) {
    const std::wstring album = wideFromUtf8(albumPath_);
    const std::size_t slash = album.find_last_of(L"\\/");
    folder = slash == std::wstring::npos ? std::wstring() : album.substr(0, slash);
    name = album.substr(slash == std::wstring::npos ? 0 : slash + 1);
  } else {
    folder = wideFromUtf8(folderOfPath(fields.savePath));
    std::string movie = fileNameOfPath(fields.savePath);
    if (movie.size() > 4 && lstrcmpiA(movie.c_str() + movie.size() - 4, ".swf") == 0)
      movie.resize(movie.size() - 4);
    if (saving && !movie.empty()) name = wideFromUtf8(movie + albumfile::kAlbumExtension);
  }
  std::vector<wchar_t> file(MAX_PATH * 4, L'\0');
  if (name.size() < file.size()) std::copy(name.begin(), name.end(), file.begin());
  OPENFILENAMEW params{};
  params.lStructSize = sizeof params;
  params.hwndOwner = handle();
  params.lpstrFilter = filter.c_str();
  params.lpstrFile = file.data();
  params.nMaxFile = static_cast<DWORD>(file.size());
  params.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  params.lpstrDefExt = L"swalbum";
  // The process's current folder stays where it was: made the album's, it
  // would hold that folder open, and the user could not move, rename or
  // delete it while the program runs.
  params.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR |
                 (saving ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST);
  const BOOL chosen = saving ? GetSaveFileNameW(&params) : GetOpenFileNameW(&params);
  return chosen ? utf8FromWide(file.data()) : std::string();
}

void MainWindow::saveAlbum() { saveAlbumFile(false); }
void MainWindow::saveAlbumAs() { saveAlbumFile(true); }

// Writes the album to its file (a new album, or with askName, to a file
// chosen in the save dialog); false when it was not saved.
bool MainWindow::saveAlbumFile(bool askName) {
  HWND hwnd = handle();
  std::string path = albumPath_;
  if (askName || path.empty()) path = askAlbumFileName(true);
  if (path.empty()) return false;
  takeValuesFromControls();
  const albumfile::AlbumDocument album = currentAlbum();
  auto written = albumfile::writeAlbumFile(path, album);
  if (!written) {
    showMessage(hwnd, albumErrorText(language_, path, written.error(), true), MB_OK | MB_ICONWARNING);
    return false;
  }
  albumPath_ = path;
  savedAlbum_ = album;
  albumIncomplete_ = false;
  refreshTitle();
  return true;
}

// True when the album may be let go: it has no unsaved changes, they were
// saved, or the user chose not to save them.
bool MainWindow::confirmDiscardChanges() {
  if (!albumChanged()) return true;
  const std::string name =
      albumPath_.empty() ? utf8FromAnsi(language_.lookupString("UntitledAlbum")) : fileNameOfPath(albumPath_);
  switch (askToSaveChanges(handle(), language_, name)) {
    case IDYES:
      return saveAlbumFile(false);
    case IDNO:
      return true;
    default:
      return false;
  }
}

// -- shortcuts ---------------------------------------------------------------------------

void MainWindow::installShortcuts() {
  shortcuts_ = LoadAcceleratorsA(instance(), MAKEINTRESOURCEA(IDR_ALBUM_KEYS));
  if (!shortcuts_) return;
  shortcutWindow = this;
  shortcutHook_ = SetWindowsHookExA(WH_MSGFILTER, shortcutFilter, nullptr, GetCurrentThreadId());
}

void MainWindow::removeShortcuts() {
  if (shortcutHook_) UnhookWindowsHookEx(shortcutHook_);
  shortcutHook_ = nullptr;
  if (shortcutWindow == this) shortcutWindow = nullptr;
}

bool MainWindow::translateShortcut(MSG* message) {
  HWND hwnd = handle();
  if (!hwnd || !shortcuts_ || !message || !message->hwnd) return false;
  if (message->hwnd != hwnd && !IsChild(hwnd, message->hwnd)) return false;
  return TranslateAcceleratorA(hwnd, shortcuts_, message) != 0;
}

// -- hold time ---------------------------------------------------------------------------

// The hold of the selected pictures: the dialog shows what they share, and
// OK gives each the hold chosen (or the album's seconds).
void MainWindow::chooseHoldTime() {
  std::vector<std::optional<int>> holds;
  for (int i = 0; i < pictureList_.entryCount(); ++i)
    if (pictureList_.entryAt(i).selected) holds.push_back(pictureList_.entryAt(i).holdSeconds);
  if (holds.empty()) return;
  HoldTimeDialog dialog(language_, sharedHold(holds), fieldSettings().pauseSeconds, maker::kLongestPause);
  const auto choice = dialog.run(instance(), handle());
  if (!choice || !choice->change) return;
  for (int i = 0; i < pictureList_.entryCount(); ++i)
    if (pictureList_.entryAt(i).selected) pictureList_.entryAt(i).holdSeconds = choice->hold;
  refreshTitle();
}

// -- captions ---------------------------------------------------------------------------

// The caption of the selected pictures: the dialog shows the one they share,
// and OK gives it to each (an empty one removes theirs).
void MainWindow::chooseCaption() {
  std::vector<std::string> captions;
  for (int i = 0; i < pictureList_.entryCount(); ++i)
    if (pictureList_.entryAt(i).selected) captions.push_back(pictureList_.entryAt(i).caption);
  if (captions.empty()) return;
  CaptionDialog dialog(language_, sharedCaption(captions));
  const auto choice = dialog.run(instance(), handle());
  if (!choice || !choice->change) return;
  pictureList_.setCaptionOfSelected(choice->caption);
  refreshTitle();
}
