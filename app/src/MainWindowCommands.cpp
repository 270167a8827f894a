// The main window's commands on the picture list (add, drop, delete) and on
// the album settings (size checks, colour, output path, music).
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>
#include <cstring>

#include "AlbumMakeJob.h"
#include "FailureTexts.h"
#include "MainWindow.h"
#include "PictureOpenDialog.h"
#include "ProgramDirectory.h"
#include "TextConversion.h"
#include "resource.h"

namespace {

// Room for the names of a few thousand pictures chosen at once.
constexpr DWORD kOpenResultChars = 1 << 16;
// Failures listed one by one in the message; the rest are counted.
constexpr std::size_t kFailuresListed = 10;

constexpr int kMinWidth = 100, kMaxWidth = 800;
constexpr int kMinHeight = 75, kMaxHeight = 600;

// The folder the dialog opens in: the folder itself, or the folder of a file.
std::wstring initialFolder(const std::string& path) {
  const std::wstring wide = wideFromUtf8(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) return wide;
  return wideFromUtf8(folderOfPath(path));
}

// The open and save dialogs' common parameters: an Explorer-style dialog
// that hides the read-only box and wants an existing folder, opening in
// `folder` (the system's choice when it is empty). `filter` and `folder` must
// outlive the dialog.
OPENFILENAMEW fileDialogParams(HWND owner, const std::wstring& filter, wchar_t* file, DWORD fileChars,
                               const std::wstring& folder, DWORD flags) {
  OPENFILENAMEW params{};
  params.lStructSize = sizeof params;
  params.hwndOwner = owner;
  params.lpstrFilter = filter.c_str();
  params.lpstrFile = file;
  params.nMaxFile = fileChars;
  params.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  params.Flags = OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | flags;
  return params;
}

}  // namespace

std::string dialogFilter(const std::string& text) {
  std::string filter = text;
  for (std::size_t i = 0; i < filter.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(filter[i])) && i + 1 < filter.size()) {
      ++i;
      continue;
    }
    if (filter[i] == '|') filter[i] = '\0';
  }
  filter.append(2, '\0');
  return filter;
}

std::vector<std::string> chosenFiles(const wchar_t* buffer) {
  std::vector<std::string> files;
  const std::string first = utf8FromWide(buffer);
  if (first.empty()) return files;
  const wchar_t* next = buffer + std::wcslen(buffer) + 1;
  if (*next == L'\0') {
    files.push_back(first);
    return files;
  }
  const std::string folder = lastPathSeparator(first) == first.size() - 1 ? first : first + "\\";
  for (; *next; next += std::wcslen(next) + 1) files.push_back(folder + utf8FromWide(next));
  return files;
}

// -- adding and deleting pictures -------------------------------------------------

namespace {

const char* problemKey(PathProblem problem) {
  switch (problem) {
    case PathProblem::NoPicturesInFolder:
      return "NoPicturesInFolder";
    case PathProblem::PathTooLong:
      return "PathTooLong";
    case PathProblem::None:
      break;
  }
  return "PictureUnusable";
}

}  // namespace

void MainWindow::addPictureFiles(const std::vector<GatheredPath>& paths) {
  std::vector<NotAdded> failures;
  std::vector<std::string> readable;
  for (const auto& path : paths) {
    if (path.problem == PathProblem::None)
      readable.push_back(path.path);
    else
      failures.push_back({path.path, problemKey(path.problem)});
  }
  for (const auto& failure : pictureList_.addPictures(readable))
    failures.push_back({failure.path, pictureReasonKey(failure.reason)});
  updateCommandStates();
  if (!failures.empty()) showAddFailures(failures);
}

// One message for the whole batch: each file that was not added, with the
// reason, the first few by name and the rest counted.
void MainWindow::showAddFailures(const std::vector<NotAdded>& failures, const char* headingKey) {
  std::string text = messageText(language_, headingKey) + "\r\n";
  for (std::size_t i = 0; i < failures.size() && i < kFailuresListed; ++i)
    text += "\r\n" + reasonText(language_, failures[i].reasonKey, failures[i].path);
  if (failures.size() > kFailuresListed)
    text += "\r\n\r\n" + messageText(language_, "AddPicturesFailedMore") + " " +
            std::to_string(failures.size() - kFailuresListed);
  showMessage(handle(), text, MB_OK | MB_ICONWARNING);
}

void MainWindow::addPicturesFromDialog() {
  std::vector<wchar_t> buffer(kOpenResultChars, L'\0');
  const std::wstring filter = wideFromAnsi(dialogFilter(language_.lookupString("OpenFileFilter")));
  const std::wstring folder = initialFolder(settings_.addPicturePath);
  OPENFILENAMEW params = fileDialogParams(handle(), filter, buffer.data(), kOpenResultChars, folder,
                                          OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST);
  params.hInstance = instance();
  PictureOpenDialog dialog(language_);
  if (!dialog.run(params)) {
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
      showMessage(handle(), messageText(language_, "TooManyFilesChosen"), MB_OK | MB_ICONWARNING);
    return;
  }
  settings_.addPicturePath = utf8FromWide(buffer.data());
  std::vector<GatheredPath> paths;
  for (const auto& file : chosenFiles(buffer.data())) paths.push_back(checkedPicturePath(file));
  addPictureFiles(paths);
}

void MainWindow::onDropFiles(HDROP drop) {
  auto paths = droppedPaths(drop);
  // The shell's side of the drop ends here, before the pictures are read.
  DragFinish(drop);
  // An album file dropped is opened (the first, should there be several);
  // the pictures dropped with it go into the album opened.
  const auto album = std::find_if(paths.begin(), paths.end(), isAlbumFileName);
  if (album != paths.end()) {
    const std::string albumPath = utf8FromWide(*album);
    paths.erase(std::remove_if(paths.begin(), paths.end(), isAlbumFileName), paths.end());
    openAlbumFile(albumPath);
  }
  if (!paths.empty()) addPictureFiles(gatherPicturePaths(paths));
}

void MainWindow::deleteSelectedPictures() {
  pictureList_.deleteSelected();
  updateCommandStates();
}

// Deleting every picture lets the album go: unsaved changes are asked
// about first, and what remains is a new album with the fields as they are.
void MainWindow::deleteAllPictures() {
  if (!confirmDiscardChanges()) return;
  pictureList_.deleteAll();
  startNewAlbum();
  updateCommandStates();
}

void MainWindow::setTransitionOfSelected(int index) {
  pictureList_.setTransitionOfSelected(index);
  refreshTitle();
}

void MainWindow::setMotionOfSelected(slidewright::MotionKind kind) {
  slidewright::Motion motion;
  motion.kind = kind;
  pictureList_.setMotionOfSelected(motion);
  refreshTitle();
}

void MainWindow::sortPicturesByDate() { sortPictures(slidewright::maker::PictureOrder::Taken); }

void MainWindow::sortPicturesByName() { sortPictures(slidewright::maker::PictureOrder::Name); }

// The whole album, selected or not, as the command line's --sort puts it;
// each picture keeps its transition, hold, motion and caption.
void MainWindow::sortPictures(slidewright::maker::PictureOrder order) {
  std::vector<std::string> paths;
  for (int i = 0; i < pictureList_.entryCount(); ++i) paths.push_back(pictureList_.entryAt(i).path);
  const std::vector<std::size_t> sorted = slidewright::maker::orderPictures(paths, order);
  bool moved = false;
  for (std::size_t k = 0; k < sorted.size(); ++k) moved = moved || sorted[k] != k;
  if (!moved || !pictureList_.reorder(sorted)) return;
  refreshTitle();
}

// -- album settings ------------------------------------------------------------------

namespace {

// Brings a value into its range, telling the user when it was above or below.
void checkRange(HWND owner, const LanguageFile& language, int& value, int low, int high, const char* aboveKey,
                const char* belowKey) {
  if (value > high) {
    showMessage(owner, messageText(language, aboveKey), MB_OK);
    value = high;
  }
  if (value < low) {
    showMessage(owner, messageText(language, belowKey), MB_OK);
    value = low;
  }
}

}  // namespace

void MainWindow::checkWidth() {
  checkSideField(
      {&AlbumSettings::albumWidth, kMinWidth, kMaxWidth, "AlbumWidthWarning1", "AlbumWidthWarning2"});
}

void MainWindow::checkHeight() {
  checkSideField(
      {&AlbumSettings::albumHeight, kMinHeight, kMaxHeight, "AlbumHeightWarning1", "AlbumHeightWarning2"});
}

// Takes the fields' values and brings the side into its range; a field left
// empty or changed by the check shows the value in force.
void MainWindow::checkSideField(const SideRange& range) {
  if (closing_) return;
  int& side = settings_.*range.side;
  const int before = side;
  const bool parsed = takeValuesFromControls();
  const int taken = side;
  checkRange(handle(), language_, side, range.low, range.high, range.aboveKey, range.belowKey);
  if (!parsed || side != taken || before != taken) putValuesIntoControls();
}

void MainWindow::chooseColor() {
  CHOOSECOLORA params{};
  params.lStructSize = sizeof params;
  params.hwndOwner = handle();
  params.rgbResult = settings_.backgroundColor;
  params.lpCustColors = customColours_;
  params.Flags = CC_RGBINIT;
  if (!ChooseColorA(&params)) return;
  settings_.backgroundColor = params.rgbResult & 0xFFFFFF;
  swatch_.setColor(settings_.backgroundColor);
  refreshTitle();
}

void MainWindow::chooseSavePath() {
  takeValuesFromControls();
  const std::wstring filter = wideFromAnsi(dialogFilter(language_.lookupString("SaveFileFilter")));
  wchar_t file[MAX_PATH] = {};
  // The dialog opens in the folder of the current output file, with its name.
  const std::wstring folder = wideFromUtf8(folderOfPath(settings_.savePath));
  lstrcpynW(file, wideFromUtf8(fileNameOfPath(settings_.savePath)).c_str(), MAX_PATH);
  // A new file must be allowed: the album is usually saved under a new name.
  OPENFILENAMEW params = fileDialogParams(handle(), filter, file, MAX_PATH, folder, OFN_OVERWRITEPROMPT);
  if (!GetSaveFileNameW(&params)) return;
  // Lower case and ending in ".swf", as the make command completes it.
  const std::string chosen = utf8FromWide(file);
  settings_.savePath = completeSavePath(chosen, folderOfPath(chosen));
  putValuesIntoControls();
}

void MainWindow::chooseMusic() {
  takeValuesFromControls();
  const std::wstring filter = wideFromAnsi(dialogFilter(language_.lookupString("OpenMusicFilter")));
  wchar_t file[MAX_PATH] = {};
  const std::wstring folder = initialFolder(settings_.musicPath);
  OPENFILENAMEW params = fileDialogParams(handle(), filter, file, MAX_PATH, folder, OFN_FILEMUSTEXIST);
  if (GetOpenFileNameW(&params))
    setMusicFile(utf8FromWide(file));
  else
    updateCommandStates();
}

void MainWindow::setMusicFile(const std::string& path) {
  settings_.musicPath = path;
  setTooltip(IDC_MUSIC_TOGGLE, wideFromUtf8(settings_.musicPath));
  putValuesIntoControls();
  updateCommandStates();
}

void MainWindow::forgetMusic() {
  // The folder stays, for the next music dialog. Music that plays stops:
  // with both music buttons disabled nothing else could stop it.
  haltMusic();
  settings_.musicPath = musicPathToStore(settings_.musicPath);
  setTooltip(IDC_MUSIC_TOGGLE, language_.lookupString("PlayMusic"));
  updateCommandStates();
}
