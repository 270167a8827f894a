// The caption dialog of the picture menu: the text shown at the bottom of
// the selected pictures while they are held, a line or two. Enter is OK, as
// in every dialog; Ctrl+Enter starts the second line. The edit box is a
// wide control, so a caption in any script is kept as typed; the window's
// pictures keep captions as UTF-8.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "DialogWindow.h"
#include "LanguageFile.h"

// Longest caption the box takes, in UTF-16 units: far more than two lines
// of the album hold, which end in an ellipsis when the text is longer.
constexpr int kMaxCaptionLength = 200;

// What the selection shares: one caption (empty for none), or differing ones.
struct SharedCaption {
  bool mixed = false;
  std::string caption;  // UTF-8, when not mixed
};
SharedCaption sharedCaption(const std::vector<std::string>& captions);

// The box's text as a caption: UTF-8, each line trimmed of spaces, empty
// lines dropped, a third line and any after it joined to the second with a
// space (the album shows two), lines separated by "\n". And back: the
// caption as the box shows it, with "\r\n" between its lines.
std::string captionOfTyped(const std::wstring& typed);
std::wstring typedOfCaption(const std::string& caption);

// What OK gives: change the captions (to `caption`, empty to remove them),
// or leave each as it is (the box left empty over differing captions).
struct CaptionChoice {
  bool change = false;
  std::string caption;
};

class CaptionDialog : public DialogWindow {
 public:
  CaptionDialog(const LanguageFile& language, SharedCaption shown);

  // Runs the dialog; the choice, or nothing when it was cancelled.
  std::optional<CaptionChoice> run(HINSTANCE instance, HWND owner);
  // Makes it without a loop of its own (the caller's loop serves it);
  // choice() holds the result once it has ended.
  bool open(HINSTANCE instance, HWND owner);
  const std::optional<CaptionChoice>& choice() const { return choice_; }

 protected:
  bool onInitDialog() override;
  bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void accept();

  const LanguageFile& language_;
  SharedCaption shown_;
  std::optional<CaptionChoice> choice_;
};
