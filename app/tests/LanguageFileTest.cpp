#include <windows.h>

#include <gtest/gtest.h>

#include "LanguageFile.h"
#include "ProgramDirectory.h"
#include "TestFolder.h"

namespace {

// "简体中文" and "从左向右卷动" in GBK.
const std::string kSimplifiedChinese = "\xBC\xF2\xCC\xE5\xD6\xD0\xCE\xC4";
const std::string kRollLeftToRight = "\xB4\xD3\xD7\xF3\xCF\xF2\xD3\xD2\xBE\xED\xB6\xAF";

TEST(LanguageFile, WithoutSettingsFileUsesLanguageCnsAndShowsKeysWhenItIsMissing) {
  TestFolder dir;
  LanguageFile language;
  language.selectLanguage(dir.path());
  EXPECT_EQ(language.languageId(), 1);
  EXPECT_EQ(language.displayName(), kSimplifiedChinese);
  EXPECT_EQ(language.path(), dir.path() + "language.cns");

  EXPECT_EQ(language.lookupString("MakeAlbum"), "MakeAlbum");
  EXPECT_EQ(language.lookupValue("Skin", "Closebuttion"), "Closebuttion");
  EXPECT_EQ(language.lookupInt("Font", "PointSize", 90), 90);
}

TEST(LanguageFile, LanguageIdSelectsItsSectionAndFile) {
  TestFolder dir;
  writeFile(dir.path() + "slidewright.ini",
            "[Setting]\r\nLanguageID=2\r\n[Language2]\r\nDisp=English\r\nFile=english.lng\r\n");
  writeFile(dir.path() + "english.lng",
            "[String]\r\nMakeAlbum=Make album\r\n[Font]\r\nPointSize=100\r\n[Skin]\r\nMinButton=1,2,3,4\r\n");
  writeFile(dir.path() + "language.cns", "[String]\r\nMakeAlbum=wrong file\r\n");

  LanguageFile language;
  language.selectLanguage(dir.path());
  EXPECT_EQ(language.languageId(), 2);
  EXPECT_EQ(language.displayName(), "English");
  EXPECT_EQ(language.path(), dir.path() + "english.lng");
  EXPECT_EQ(language.lookupString("MakeAlbum"), "Make album");
  EXPECT_EQ(language.lookupString("MakeError"), "MakeError");
  EXPECT_EQ(language.lookupInt("Font", "PointSize", 90), 100);
  EXPECT_EQ(language.lookupValue("Skin", "MinButton"), "1,2,3,4");
}

TEST(LanguageFile, LanguageIdWithoutItsSectionFallsBackToLanguageCns) {
  TestFolder dir;
  writeFile(dir.path() + "slidewright.ini", "[Setting]\r\nLanguageID=2\r\n");
  writeFile(dir.path() + "language.cns", "[String]\r\nMakeAlbum=default file\r\n");
  LanguageFile language;
  language.selectLanguage(dir.path());
  EXPECT_EQ(language.path(), dir.path() + "language.cns");
  EXPECT_EQ(language.lookupString("MakeAlbum"), "default file");
}

TEST(LanguageFile, LookupsBeforeSelectionShowKeysAndNeverReadTheWindowsFolder) {
  LanguageFile language;
  EXPECT_EQ(language.lookupString("fonts"), "fonts");
  EXPECT_EQ(language.lookupInt("Mail", "MAPI", 7), 7);
}

TEST(LanguageFile, ValuesAreCutAt1023Characters) {
  TestFolder dir;
  writeFile(dir.path() + "language.cns", "[String]\r\nLong=" + std::string(1500, 'x') + "\r\n");
  LanguageFile language;
  language.selectLanguage(dir.path());
  EXPECT_EQ(language.lookupString("Long"), std::string(1023, 'x'));
}

TEST(TransitionName, ComesFromTransitionModeOrShowsTheNumber) {
  TestFolder dir;
  writeFile(dir.path() + "language.cns", "[String]\r\nMakeAlbum=x\r\n");
  LanguageFile withoutNames;
  withoutNames.selectLanguage(dir.path());
  for (int i = 0; i < 13; ++i) EXPECT_EQ(transitionName(withoutNames, i), std::to_string(i + 1));

  TestFolder named;
  writeFile(named.path() + "language.cns", "[TransitionMode]\r\n1=" + kRollLeftToRight + "\r\n13=Blinds\r\n");
  LanguageFile withNames;
  withNames.selectLanguage(named.path());
  EXPECT_EQ(transitionName(withNames, 0), kRollLeftToRight);
  EXPECT_EQ(transitionName(withNames, 12), "Blinds");
  EXPECT_EQ(transitionName(withNames, 5), "6");
}

// GBK text must come back byte for byte, which depends on the process
// running in code page 936.
// (The folder names stay ASCII: Wine can store other names only when the
// Linux side has a matching locale installed.)
TEST(ChineseCodePage, GbkTextRoundTrips) {
  // The test run sets a zh_CN locale; without it Wine falls back to code
  // page 1252 and these checks would prove nothing.
  ASSERT_TRUE(inChineseCodePage()) << "process code page is " << GetACP()
                                   << ", not 936: is the zh_CN locale installed?";
  TestFolder dir;
  writeFile(dir.path() + "language.cns", "[String]\r\nMakeAlbum=" + kRollLeftToRight +
                                             "\r\n[Font]\r\nDefaultFont=" + kSimplifiedChinese + "\r\n");
  LanguageFile language;
  language.selectLanguage(dir.path());
  EXPECT_EQ(language.lookupString("MakeAlbum"), kRollLeftToRight);
  EXPECT_EQ(language.lookupValue("Font", "DefaultFont"), kSimplifiedChinese);
}

}  // namespace
