#include <gtest/gtest.h>

#include "AlbumSettings.h"
#include "LanguageFile.h"
#include "ProgramDirectory.h"
#include "TestFolder.h"
#include "TextConversion.h"

namespace {

std::string storedValue(const std::string& dir, const char* key) {
  char buffer[512] = {};
  GetPrivateProfileStringA("Setting", key, "<missing>", buffer, sizeof buffer,
                           (dir + "slidewright.ini").c_str());
  return buffer;
}

TEST(AlbumSettings, WithoutSettingsFileGivesTheDefaultAlbum) {
  TestFolder dir;
  const AlbumSettings s = loadAlbumSettings(dir.path());
  EXPECT_EQ(s.albumWidth, 640);
  EXPECT_EQ(s.albumHeight, 480);
  EXPECT_EQ(s.pauseSeconds, 1);
  EXPECT_EQ(s.backgroundColor, RGB(255, 255, 255));
  EXPECT_EQ(s.savePath, dir.path() + "temp.swf");
  EXPECT_EQ(s.addPicturePath, "");
  EXPECT_EQ(s.musicPath, "");
}

TEST(AlbumSettings, AreWrittenAsDecimalTextAndReadBackUnchecked) {
  TestFolder dir;
  AlbumSettings s;
  s.savePath = "D:\\Shows\\holiday.swf";
  s.pauseSeconds = 7;
  s.albumWidth = 5000;  // out of the field's range: stays until the user edits it
  s.albumHeight = 300;
  s.backgroundColor = RGB(0, 0, 255);
  s.addPicturePath = "D:\\Photos";
  s.musicPath = "D:\\Music\\song.mp3";
  saveAlbumSettings(dir.path(), s);

  EXPECT_EQ(storedValue(dir.path(), "BKCltColor"), "16711680");
  EXPECT_EQ(storedValue(dir.path(), "Span"), "7");
  EXPECT_EQ(storedValue(dir.path(), "PicWidth"), "5000");
  EXPECT_EQ(storedValue(dir.path(), "MusicPath"), "D:\\Music\\");

  const AlbumSettings back = loadAlbumSettings(dir.path());
  EXPECT_EQ(back.savePath, s.savePath);
  EXPECT_EQ(back.pauseSeconds, 7);
  EXPECT_EQ(back.albumWidth, 5000);
  EXPECT_EQ(back.albumHeight, 300);
  EXPECT_EQ(back.backgroundColor, RGB(0, 0, 255));
  EXPECT_EQ(back.addPicturePath, "D:\\Photos");
  EXPECT_EQ(back.musicPath, "D:\\Music\\");
}

// A program installed for every user cannot write its settings beside
// itself (here: a read-only settings file); each user's settings then live in
// their own folder, started from the ones beside the program and kept.
TEST(AlbumSettings, LiveInTheUsersFolderWhereTheProgramsCannotBeWritten) {
  TestFolder program, user;
  const std::string beside = settingsFilePath(program.path());
  writeFile(beside, "[Setting]\r\nLanguageID=2\r\nPicWidth=800\r\n");
  EXPECT_EQ(settingsFolder(program.path(), user.path()), program.path());

  ASSERT_TRUE(SetFileAttributesW(wideFromUtf8(beside).c_str(), FILE_ATTRIBUTE_READONLY));
  const std::string folder = settingsFolder(program.path(), user.path());
  EXPECT_EQ(folder, user.path() + "Slidewright\\");
  EXPECT_FALSE(GetFileAttributesW(wideFromUtf8(settingsFilePath(folder)).c_str()) & FILE_ATTRIBUTE_READONLY);
  AlbumSettings s = loadAlbumSettings(folder);
  EXPECT_EQ(s.albumWidth, 800);
  LanguageFile language;
  language.selectLanguage(program.path(), folder);
  EXPECT_EQ(language.languageId(), 2);

  s.albumWidth = 1024;
  saveAlbumSettings(folder, s);
  EXPECT_EQ(settingsFolder(program.path(), user.path()), folder);
  EXPECT_EQ(loadAlbumSettings(folder).albumWidth, 1024) << "the user's own settings were replaced";
  EXPECT_EQ(storedValue(program.path(), "PicWidth"), "800");
  SetFileAttributesW(wideFromUtf8(beside).c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(AlbumSettings, ColourIsAlwaysAPlainRgbValue) {
  TestFolder dir;
  writeFile(dir.path() + "slidewright.ini", "[Setting]\r\nBKCltColor=-1\r\n");
  EXPECT_EQ(loadAlbumSettings(dir.path()).backgroundColor, 0xFFFFFFu);
}

TEST(AlbumSettings, MusicFileIsStoredAsItsFolder) {
  EXPECT_EQ(musicPathToStore("D:\\Music\\song.mp3"), "D:\\Music\\");
  EXPECT_EQ(musicPathToStore("D:\\Music\\"), "D:\\Music\\");
  EXPECT_EQ(musicPathToStore("a.b"), "a.b");
  EXPECT_EQ(musicPathToStore(""), "");
  // A bare file name has no folder to remember.
  EXPECT_EQ(musicPathToStore("song.mp3"), "");
  EXPECT_TRUE(musicFileChosen("C:\\m\\a.mp3"));
  EXPECT_FALSE(musicFileChosen("C:\\music\\"));
}

TEST(AlbumSettings, TwoProgramFoldersKeepSeparateSettings) {
  TestFolder first, second;
  AlbumSettings a;
  a.albumWidth = 320;
  saveAlbumSettings(first.path(), a);
  AlbumSettings b;
  b.albumWidth = 800;
  saveAlbumSettings(second.path(), b);
  EXPECT_EQ(loadAlbumSettings(first.path()).albumWidth, 320);
  EXPECT_EQ(loadAlbumSettings(second.path()).albumWidth, 800);
}

// Paths the code page holds are stored in it, as settings files always held
// them (and old files are read so); others, in any script, come back whole.
TEST(ChineseCodePage, SettingsPathsKeepTheCodePageAndRoundTripAnyScript) {
  // The test run sets code page 936; without it Wine falls back to code
  // page 1252 and these checks would prove nothing.
  ASSERT_TRUE(inChineseCodePage()) << "process code page is " << GetACP()
                                   << ", not 936: is the Chinese locale installed?";
  TestFolder dir;
  AlbumSettings s;
  s.savePath = "C:\\\xE7\x9B\xB8\xE5\x86\x8C\\album.swf";                   // C:\相册\album.swf
  s.addPicturePath = "D:\\\xEC\x82\xAC\xEC\xA7\x84 \xF0\x9F\x98\x80.jpg";   // D:\사진 😀.jpg
  s.musicPath = "E:\\100% \xEC\x9D\x8C\xEC\x95\x85\\\xF0\x9F\x8E\xB5.mp3";  // E:\100% 음악\🎵.mp3
  saveAlbumSettings(dir.path(), s);
  const std::string onDisk = readFile(dir.path() + "slidewright.ini");
  EXPECT_NE(onDisk.find("SavePath=C:\\\xCF\xE0\xB2\xE1\\album.swf"), std::string::npos) << onDisk;
  EXPECT_NE(onDisk.find("AddPicPath=utf-8:D:\\%EC%82%AC%EC%A7%84 %F0%9F%98%80.jpg"), std::string::npos)
      << onDisk;
  const AlbumSettings back = loadAlbumSettings(dir.path());
  EXPECT_EQ(back.savePath, s.savePath);
  EXPECT_EQ(back.addPicturePath, s.addPicturePath);
  EXPECT_EQ(back.musicPath, "E:\\100% \xEC\x9D\x8C\xEC\x95\x85\\");  // the music's folder
  EXPECT_EQ(storedValue(dir.path(), "MusicPath"), "utf-8:E:\\100%25 %EC%9D%8C%EC%95%85\\");
}

}  // namespace
