// The folder of the running program, where the settings file, the language
// file and the skin folder are looked for.
#pragma once
#include <string>

// Folder of the running program's file with a trailing backslash, as UTF-8
// (for example "C:\Tools\Album\"), whatever the script of its name.
std::string programDirectory();

// The folder of the settings file: the program's folder when the settings
// file there can be written. A program installed for every user of the
// computer sits where a user may not write; its user's settings then live in
// "Slidewright\" under `userFolder` (the user's application-data folder),
// made when missing and started as a copy of the settings beside the
// program, so that what was set there for everyone still holds.
std::string settingsFolder(const std::string& programDir, const std::string& userFolder);

// The user's application-data folder with a trailing backslash ("" when the
// system names none).
std::string userDataFolder();

// Position of the last path separator ('\' or '/') in a UTF-8 path, or
// std::string::npos. (In UTF-8 no byte of a longer character is ASCII.)
std::string::size_type lastPathSeparator(const std::string& path);

// The folder part of a path up to and including its last separator; "" when
// the path has none.
std::string folderOfPath(const std::string& path);

// The file name of a path: what follows its last separator (all of it when
// there is none).
std::string fileNameOfPath(const std::string& path);
