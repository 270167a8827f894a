// The open dialog of the add-picture command: the system's Explorer-style
// open dialog with a panel of the program's own beside it, showing the
// selected file's name, its size in pixels and a preview, with a check box
// that turns the preview off. Which of the two panel layouts is used
// depends on the version of the common-dialog library.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <string>

#include "LanguageFile.h"
#include "PictureFile.h"

// A module's version resource: the fixed version block, its first
// language and code page, and its string values.
class FileVersionInfo {
 public:
  // Reads the version resource of a module (loaded for the purpose); true
  // when its fixed block is valid.
  bool load(const std::string& moduleName);
  // The string value of the first translation, "" when missing.
  std::string stringValue(const std::string& name) const;

  const VS_FIXEDFILEINFO& fixed() const { return fixed_; }
  WORD language() const { return language_; }
  WORD codePage() const { return codePage_; }

 private:
  std::string data_;
  VS_FIXEDFILEINFO fixed_{};
  WORD language_ = 0;
  WORD codePage_ = 1252;
};

// Compares two dotted version texts number by number ("5.00.2920.0000" is
// newer than "5.0", an empty text older); negative, 0 or positive.
int compareVersions(const std::string& a, const std::string& b);

// The size a w x h picture is shown at in a box: a picture smaller than the
// box keeps its size unless `force`; a larger one is shrunk to fit, keeping
// its shape. Always at least 1 x 1 and at most the box.
SIZE fitPicture(int w, int h, int boxWidth, int boxHeight, bool force);

// The preview box of the panel: the picture stretched over its whole
// client area, or the button face when it holds none.
class PreviewPane {
 public:
  PreviewPane() = default;
  PreviewPane(const PreviewPane&) = delete;
  PreviewPane& operator=(const PreviewPane&) = delete;
  ~PreviewPane() { detach(); }

  bool attach(HWND control);
  void detach();
  HWND handle() const { return hwnd_; }

  // Loads the picture, decoded no larger than the box needs; false when the
  // file is no picture. The pane is invalidated either way.
  bool show(const std::string& path, SIZE box);
  // Drops the picture and redraws at once.
  void clear();
  int widthPixels() const { return picture_.widthPixels(); }
  int heightPixels() const { return picture_.heightPixels(); }

 private:
  static LRESULT CALLBACK subclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                       DWORD_PTR self);
  LRESULT onMessage(UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;  // not owned: the panel's control 1009
  PictureFile picture_;
};

class PictureOpenDialog {
 public:
  explicit PictureOpenDialog(const LanguageFile& language) : language_(language) {}

  // Completes the caller's parameters with the panel (template, hook) and
  // runs the dialog; true when the user pressed OK.
  bool run(OPENFILENAMEW params);

  // The panel template for a common-dialog library of this product version.
  static int panelTemplateFor(const std::string& productVersion);

 private:
  static UINT_PTR CALLBACK hookProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam);
  void onInit(HWND panel);
  void onSelectionChanged();
  std::string selectedFile() const;
  bool showFile(const std::string& path);
  void clearPreview();
  void fillLabels(const std::string& path, int width, int height);

  const LanguageFile& language_;  // not owned
  HWND panel_ = nullptr;          // not owned
  PreviewPane pane_;
  RECT box_{};  // where the preview box was first, in the panel's client coordinates
  bool boxRecorded_ = false;
  std::string fileFormat_, widthFormat_, heightFormat_;
};
