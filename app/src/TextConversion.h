// The program's conversions between its kinds of text, in one place. Paths
// are UTF-8 everywhere inside the program (and reach files through the wide
// functions); the language files, the settings file and the window's own
// texts are in the ANSI code page. What the window shows is drawn as wide
// text, made from either.
#pragma once
#include <windows.h>

#include <string>

// Wide text of UTF-8 and back (every character survives).
std::wstring wideFromUtf8(const std::string& utf8);
std::string utf8FromWide(const std::wstring& wide);

// Wide text of ANSI (code page) text, and back. ansiFromWide is exact: false
// when the code page cannot hold every character (no best-fit stand-ins).
std::wstring wideFromAnsi(const std::string& ansi);
bool ansiFromWide(const std::wstring& wide, std::string* ansi);

// ANSI text for showing only: characters the code page lacks become its
// stand-in ('?').
std::string shownAnsi(const std::wstring& wide);

// UTF-8 of ANSI text (a language file's text, or a path from an old
// settings file).
std::string utf8FromAnsi(const std::string& ansi);

// A control's text, as UTF-8 and from UTF-8 (a path in an edit field).
std::string windowTextUtf8(HWND window);
void setWindowTextUtf8(HWND window, const std::string& utf8);

// The title of a window of the program's own (ANSI) classes, kept whole: the
// system keeps every title as wide text, but the ANSI window procedure would
// pass it through the code page.
std::wstring windowTitleWide(HWND window);
void setWindowTitleWide(HWND window, const std::wstring& title);
