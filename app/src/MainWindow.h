// The program's main window: dialog 102 shown with a bitmap skin instead of
// the usual frame. It hosts the picture list, the album-setting fields and
// the command buttons, routes every command through one table, keeps the
// buttons enabled only while they have something to act on, and holds the
// album settings, which it reads from the settings file when it is made and
// writes back when it is destroyed.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "AlbumFileBridge.h"
#include "AlbumMakeJob.h"
#include "VideoMakeJob.h"
#include "AlbumSettings.h"
#include "ColorSwatchButton.h"
#include "DialogWindow.h"
#include "FlatBitmapButton.h"
#include "GdiHandles.h"
#include "InfoTip.h"
#include "LanguageFile.h"
#include "MovieView.h"
#include "PicturePaths.h"
#include "PictureList.h"
#include "maker/picture_order.h"
#include "SkinBitmap.h"
#include "player/music_player.h"

// Reads "left,top,right,bottom" as a rectangle; a text with fewer than four
// numbers gives an empty rectangle, which no point hits.
RECT parseSkinRect(const std::string& text);

// What a point of the skin (client coordinates) is: the minimise button, the
// close button (the minimise area wins where both overlap) or the caption,
// so that the whole skin drags the window.
LRESULT skinHitTest(POINT client, const RECT& minimizeRect, const RECT& closeRect);

// A file-dialog filter from its language text: every "|" becomes a NUL
// (double-byte characters are stepped over whole), and the list ends with
// two NULs even when the text forgot its closing "||".
std::string dialogFilter(const std::string& text);

// The files an Explorer-style open dialog returned in its buffer: one full
// path, or a folder followed by names in it, each NUL-terminated.
std::vector<std::string> chosenFiles(const wchar_t* buffer);

struct MainWindowSetup {
  // Folder of the settings file, the language file and the skin; the
  // program's own folder when empty (and then the settings may live in the
  // user's folder, see settingsFolder).
  std::string programDir;
  // Added once the window shows: the pictures named on the command line.
  std::vector<GatheredPath> startPictures;
  // Opened once the window shows, before those pictures: an album file
  // named on the command line (empty for none).
  std::wstring startAlbum;
};

class MainWindow : public DialogWindow {
 public:
  explicit MainWindow(MainWindowSetup setup = {});
  ~MainWindow() override;

  void loadSettings();
  void saveSettings() const;
  std::string transitionName(int index) const;

  const LanguageFile& language() const { return language_; }
  const AlbumSettings& settings() const { return settings_; }
  int albumWidth() const { return settings_.albumWidth; }
  int albumHeight() const { return settings_.albumHeight; }
  int pauseSeconds() const { return settings_.pauseSeconds; }
  COLORREF backgroundColor() const { return settings_.backgroundColor; }
  const std::string& savePath() const { return settings_.savePath; }
  const std::string& musicPath() const { return settings_.musicPath; }

  PictureList& pictureList() { return pictureList_; }
  MovieView* preview() { return preview_.get(); }  // null when it could not be made
  const player::MusicPlayer& music() const { return music_; }
  bool making() const { return makeJob_.running() || videoJob_.running(); }
  const PictureList& pictureList() const { return pictureList_; }
  InfoTip& infoTip() { return infoTip_; }
  HWND tooltip() const { return tooltip_; }

  // Adds pictures at the end of the list in the order given and tells the
  // user, in one message, which could not be added and why.
  void addPictureFiles(const std::vector<GatheredPath>& paths);

  // Makes a file the album's music, as choosing it in the music dialog does.
  void setMusicFile(const std::string& path);

  // The progress bar of the make commands: range 0..20 from position 0,
  // with the step counter reset.
  void beginProgress();

  // -- album files (MainWindowAlbumFile.cpp) --
  // Opens an album file (UTF-8 path) as the window's album, once unsaved
  // changes are saved or let go; pictures that are not there are named in
  // one message and left out. False when nothing was opened.
  bool openAlbumFile(const std::string& albumPath);
  // The album file the window's album is kept in (UTF-8), "" for a new one.
  const std::string& albumPath() const { return albumPath_; }
  // Whether the album differs from its file (or, new, from the empty album).
  bool albumChanged() const;
  // The album as a file would keep it: the fields, the pictures, the music.
  slidewright::albumfile::AlbumDocument currentAlbum() const;
  // The album-file shortcuts for a message of the dialog's loop: true when
  // the message was one of them and its command has run.
  bool translateShortcut(MSG* message);

 protected:
  bool onInitDialog() override;
  bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  // One row of the command table: the control or menu command, the
  // notification that runs it, and whether the keyboard focus then goes to
  // the hidden player control, so that no bitmap button shows a focus frame.
  struct Command {
    int id;
    WORD notification;
    void (MainWindow::*run)();
    bool focusToPlayer;
  };
  static const Command kCommands[];
  bool routeCommand(int id, WORD notification);

  // Commands of the picture list.
  void addPicturesFromDialog();
  void copyPictures();
  void deleteSelectedPictures();
  void deleteAllPictures();
  void setTransitionOfSelected(int index);
  void setMotionOfSelected(slidewright::MotionKind kind);
  void sortPicturesByDate();
  void sortPicturesByName();
  void sortPictures(slidewright::maker::PictureOrder order);
  // Commands of the album settings.
  void checkWidth();
  void checkHeight();
  // A side of the album, its range and the language keys of the warnings
  // for a value above and below it.
  struct SideRange {
    int AlbumSettings::*side;
    int low, high;
    const char* aboveKey;
    const char* belowKey;
  };
  void checkSideField(const SideRange& range);
  void chooseColor();
  void chooseSavePath();
  void chooseMusic();
  void forgetMusic();
  // Commands carried out elsewhere: the players and the make commands.
  void musicToggle();
  void previewPlay();
  void previewStop();
  void makeAlbum();
  void makeScreensaver();
  void makeVideo();
  void exitWithValues();
  void closeWithoutValues();
  // Album files and hold times (MainWindowAlbumFile.cpp).
  void openAlbumFromDialog();
  void saveAlbum();
  void saveAlbumAs();
  bool saveAlbumFile(bool askName);
  std::string askAlbumFileName(bool saving);
  bool confirmDiscardChanges();
  void startNewAlbum();
  void refreshTitle();
  void chooseHoldTime();
  void chooseCaption();
  AlbumSettings fieldSettings() const;
  void installShortcuts();
  void removeShortcuts();

  // The players and the make commands (MainWindowPlayers.cpp).
  void createPreview();
  void setGlyph(int control, HBITMAP glyph);
  void haltMusic();
  void onMusicEndTimer();
  bool checkPauseForMake();
  void restartPreview();
  bool takeSavePathForMake();
  std::vector<slidewright::maker::AlbumEntry> albumEntries() const;
  void onMakeFinished();
  void onVideoFinished();
  void cancelMake();

  // Dropped files and the progress of the make commands.
  void onDropFiles(HDROP drop);
  void stepProgress(int done, int total);

  void updateCommandStates();
  void moveFocusToPlayer();
  // A file that was not added, and the language-file key of the reason.
  struct NotAdded {
    std::string path;
    const char* reasonKey;
  };
  void showAddFailures(const std::vector<NotAdded>& failures, const char* headingKey = "AddPicturesFailed");

  void applySkin();
  void fitLayoutToSkin();
  void drawLabels();
  void setButtonImages();
  BitmapHandle loadGlyph(int bitmapId) const;
  void createPictureList();
  void createTooltips();
  // A language file's text (ANSI), or wide text (a path).
  void setTooltip(int control, const std::string& text);
  void setTooltip(int control, const std::wstring& text);
  void putValuesIntoControls();
  bool takeValuesFromControls();
  bool readFields(AlbumSettings* into) const;
  RECT controlRect(int id) const;
  void paint();

  // -- The picture list's reports: its context menu and the information tip
  // (MainWindowPictureMenu.cpp).
 public:
  // The tip shows once the pointer has rested this long on a picture, this
  // many pixels below the pointer.
  static constexpr UINT_PTR kInfoTipTimer = 101;
  static constexpr UINT kInfoTipDelayMs = 1000;
  static constexpr int kInfoTipGap = 21;
  // How often the window looks whether the music has come to its end.
  static constexpr UINT_PTR kMusicEndTimer = 102;
  static constexpr UINT kMusicEndCheckMs = 250;

 private:
  void onPictureListNotify(WPARAM event, POINT listPoint);
  void showPictureMenu(int hit, POINT screen);
  void runPictureMenuCommand(UINT command);
  void trackInfoTip(int hit);
  void onInfoTipTimer();

  std::string programDir_;
  std::string settingsDir_;  // where slidewright.ini is read and written
  std::vector<GatheredPath> startPictures_;
  LanguageFile language_;
  AlbumSettings settings_;
  HICON bigIcon_ = nullptr;  // shared resource icons, not destroyed
  HICON smallIcon_ = nullptr;
  bool closing_ = false;  // the dialog is ending: no more field checks

  OffscreenBuffer skin_;  // the skin, labels drawn on it; painted as the window's face
  bool skinned_ = false;
  MaskRegion mask_;
  RECT closeRect_{};
  RECT minimizeRect_{};
  BitmapHandle placeholder_;                                    // picture shown where the hidden preview sits
  std::vector<BitmapHandle> buttonImages_;                      // glyphs shown by flatButtons_
  std::vector<std::unique_ptr<FlatBitmapButton>> flatButtons_;  // the bitmap buttons, drawn here
  ColorSwatchButton swatch_;
  COLORREF customColours_[16] = {};  // the colour dialog's custom colours, kept for the session

  PictureList pictureList_;
  HWND tooltip_ = nullptr;  // destroyed with the window
  InfoTip infoTip_;
  int progressCounter_ = 0;

  // The players and the make commands.
  std::unique_ptr<MovieView> preview_;
  BitmapHandle playGlyph_, pauseGlyph_, stopGlyph_;  // the toggles' glyphs
  player::MusicPlayer music_;
  AlbumMakeJob makeJob_;
  VideoMakeJob videoJob_;  // the make-video command (MainWindowVideo.cpp)

  // The album file: its path (UTF-8), the album as last opened or saved, and
  // whether pictures of it were left out when it was opened.
  std::wstring startAlbum_;
  std::string albumPath_;
  slidewright::albumfile::AlbumDocument savedAlbum_;
  bool albumIncomplete_ = false;
  HACCEL shortcuts_ = nullptr;  // a resource table, not destroyed
  HHOOK shortcutHook_ = nullptr;
};
