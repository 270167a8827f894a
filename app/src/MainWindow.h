// The program's main window: dialog 102 shown with a bitmap skin instead of
// the usual frame. It holds the album settings, which it reads from the
// settings file when it is made and writes back when it is destroyed.
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "AlbumSettings.h"
#include "DialogWindow.h"
#include "FlatBitmapButton.h"
#include "GdiHandles.h"
#include "LanguageFile.h"
#include "SkinBitmap.h"

// Reads "left,top,right,bottom" as a rectangle; a text with fewer than four
// numbers gives an empty rectangle, which no point hits.
RECT parseSkinRect(const std::string& text);

// What a point of the skin (client coordinates) is: the minimise button, the
// close button (the minimise area wins where both overlap) or the caption,
// so that the whole skin drags the window.
LRESULT skinHitTest(POINT client, const RECT& minimizeRect, const RECT& closeRect);

class MainWindow : public DialogWindow {
 public:
  MainWindow();
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

 protected:
  bool onInitDialog() override;
  bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void applySkin();
  void fitLayoutToSkin();
  void drawLabels();
  void setButtonImages();
  void setSwatchColor(COLORREF colour);
  void putValuesIntoControls();
  void takeValuesFromControls();
  RECT controlRect(int id) const;
  void paint();

  LanguageFile language_;
  AlbumSettings settings_;
  int tipPictureIndex_ = -1;  // picture under the information tip, -1 for none
  HICON bigIcon_ = nullptr;   // shared resource icon, not destroyed
  HICON smallIcon_ = nullptr;

  BitmapHandle skin_;
  MemoryDC skinDC_;
  HGDIOBJ skinDCPrevious_ = nullptr;  // not owned: what skinDC_ held before the skin
  bool skinned_ = false;
  MaskRegion mask_;
  RECT closeRect_{};
  RECT minimizeRect_{};
  BitmapHandle placeholder_;                                    // picture shown where the hidden preview sits
  std::vector<BitmapHandle> buttonImages_;                      // glyphs shown by flatButtons_
  std::vector<std::unique_ptr<FlatBitmapButton>> flatButtons_;  // the bitmap buttons, drawn here
  BitmapHandle swatchImage_;
};
