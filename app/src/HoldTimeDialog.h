// The hold-time dialog of the picture menu: how long the selected pictures
// stay after their transition. It shows the hold the selection shares (the
// field empty when the pictures differ); "the album's seconds" means no hold
// of their own, so that they follow the album's seconds field.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "DialogWindow.h"
#include "LanguageFile.h"

// What the selection shares: the same own hold (or all none), or differing holds.
struct SharedHold {
  bool mixed = false;
  std::optional<int> hold;  // when not mixed: the shared own hold, empty for the album's
};
SharedHold sharedHold(const std::vector<std::optional<int>>& holds);

// What OK gives: change the holds (to `hold`, empty for the album's), or
// leave each as it is (the field left empty over differing holds).
struct HoldChoice {
  bool change = false;
  std::optional<int> hold;
};

// The choice the fields make: the album's box, else the seconds typed, from
// 0 to `longest`. Empty when the text is no such number (the user is told).
std::optional<HoldChoice> holdChoiceOf(bool albumSeconds, const std::string& typed, int longest);

class HoldTimeDialog : public DialogWindow {
 public:
  // albumSeconds: the album's current seconds, named by the box.
  HoldTimeDialog(const LanguageFile& language, SharedHold shown, int albumSeconds, int longest);

  // Runs the dialog; the choice, or nothing when it was cancelled.
  std::optional<HoldChoice> run(HINSTANCE instance, HWND owner);

 protected:
  bool onInitDialog() override;
  bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  void followAlbumBox();
  void accept();

  const LanguageFile& language_;
  SharedHold shown_;
  int albumSeconds_;
  int longest_;
  std::optional<HoldChoice> choice_;
};
