// Why something failed, in the window's language: every kind of failure of
// the album pipeline and of the picture and music files has a text of its
// own in the language file, with the name of the file concerned put in, so
// that no reason reaches the user in the libraries' English.
#pragma once
#include <string>

#include "LanguageFile.h"
#include "export/error.h"
#include "maker/album_maker.h"
#include "media/result.h"

// The language file's section of these texts. Its texts may hold one
// printf-style conversion, filled by the safe formatter: "%s" for the file's
// name, "%d" for a number.
constexpr const char* kReasonSection = "Reasons";

// The texts of messages are UTF-8, so that a file's name shows whole whatever
// its script: the language file's text (in its code page) is converted and
// the name put in as it is. showMessage (DialogWindow.h) shows them.

// The language file's [String] text of key, as UTF-8.
std::string messageText(const LanguageFile& language, const std::string& key);

// A language text naming a file: the name (UTF-8, as every path) goes where
// the text has its conversion ("%s"); a text without one (a language file of
// an older version) is shown after the name and a colon.
std::string textNamingFile(const std::string& format, const std::string& name);

// [Reasons] key naming the file (none when the name is empty).
std::string reasonText(const LanguageFile& language, const char* key, const std::string& name = {});

// The language-file key of what is wrong with a picture or a music file.
const char* pictureReasonKey(slidewright::media::ErrorKind kind);
const char* musicReasonKey(slidewright::media::ErrorKind kind);

// The language-file key of why a make failed (not Cancelled, which is not
// told).
const char* makeErrorKey(const slidewright::maker::MakeError& error);

// Why a make failed, naming the file concerned.
std::string makeErrorText(const LanguageFile& language, const slidewright::maker::MakeError& error);

// Why an album video failed, naming the picture or the music concerned, or
// the video (`videoPath`) when it could not be written.
std::string videoErrorText(const LanguageFile& language, const slidewright::exports::Error& error,
                           const std::string& musicPath, const std::string& videoPath);
