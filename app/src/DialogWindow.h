// Base class of the program's dialogs: binds the dialog's HWND to its C++
// object once, when the dialog is initialised, and routes every later
// message to the object's handleMessage.
#pragma once
#include <windows.h>

#include <string>

// Shows a message box owned by `owner` with its title as caption ("Slidewright"
// when it has none); the text is UTF-8. The result is MessageBox's.
int showMessage(HWND owner, const std::string& text, UINT type);

class DialogWindow {
 public:
  DialogWindow() = default;
  DialogWindow(const DialogWindow&) = delete;
  DialogWindow& operator=(const DialogWindow&) = delete;
  virtual ~DialogWindow() = default;

  // Runs the dialog of the given template modally; the result is what
  // EndDialog was given, or -1 when the dialog could not be made.
  INT_PTR runModal(HINSTANCE instance, int templateId, HWND owner);
  // Makes the dialog without a loop of its own (the caller's loop serves it,
  // as the tests do); endDialog then destroys it. False when it could not be made.
  bool createModeless(HINSTANCE instance, int templateId, HWND owner);

  HWND handle() const { return hwnd_; }
  HINSTANCE instance() const { return instance_; }

 protected:
  // A dialog whose controls must hold any text, not only the code page's
  // (edit controls made by the ANSI functions keep ANSI text), sets this
  // before it is run: it is then made by the wide functions.
  void useUnicodeControls() { unicodeControls_ = true; }
  // Ends the dialog: the modal loop returns result; a modeless dialog is destroyed.
  void endDialog(INT_PTR result);

  // Called for WM_INITDIALOG once handle() is valid; the result is that
  // of WM_INITDIALOG (true to let the system set the focus).
  virtual bool onInitDialog() { return true; }
  // Handles a message; returns true when handled, with the message's result
  // in *result (set as DWLP_MSGRESULT where the message needs one).
  virtual bool handleMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;

 private:
  static INT_PTR CALLBACK dialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND hwnd_ = nullptr;
  HINSTANCE instance_ = nullptr;
  bool modal_ = true;
  bool unicodeControls_ = false;
};
