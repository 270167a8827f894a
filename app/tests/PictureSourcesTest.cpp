// Where pictures come from and how they become thumbnails: the command
// line, folders, the open dialog's buffer and filter, the thumbnail pixels,
// and the preview panel's rules.
#include <gtest/gtest.h>

#include <atomic>

#include "LanguageFormat.h"
#include "MainWindow.h"
#include "PictureOpenDialog.h"
#include "PicturePaths.h"
#include "Thumbnails.h"
#include "WindowTestSupport.h"
#include "resource.h"

namespace media = slidewright::media;

namespace {

// The pixel of a thumbnail at (x, y), counted from the top.
media::Rgb thumbnailPixel(const Thumbnail& t, int x, int y) {
  const std::uint8_t* p = &t.bits[static_cast<std::size_t>(t.height - 1 - y) * t.stride() + x * 3];
  return media::Rgb{p[2], p[1], p[0]};
}

constexpr media::Rgb kBar{230, 230, 230};

// A string literal with its NULs, without the closing one.
template <std::size_t N>
std::string bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

bool looksLike(media::Rgb a, media::Rgb b, int tolerance = 6) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

TEST(Thumbnails, FitIntoTheirBoxWithGreyBars) {
  TestFolder dir;
  const media::Rgb red{200, 20, 20};
  // 80 x 60, as the picture list of the main window has them.
  const Thumbnail full = makeThumbnail(writeJpeg(dir.path() + "full.jpg", 640, 480, red), 80, 60);
  ASSERT_TRUE(full.ok) << full.error;
  EXPECT_EQ(full.pictureWidth, 640);
  EXPECT_EQ(full.pictureHeight, 480);
  EXPECT_EQ(full.stride() * 60, full.bits.size());
  for (int y : {0, 30, 59})
    for (int x : {0, 40, 79}) EXPECT_TRUE(looksLike(thumbnailPixel(full, x, y), red)) << x << "," << y;

  // Portrait: bars left and right; very wide: bars above and below.
  const Thumbnail portrait = makeThumbnail(writeJpeg(dir.path() + "tall.jpg", 300, 600, red), 80, 60);
  ASSERT_TRUE(portrait.ok);
  EXPECT_TRUE(looksLike(thumbnailPixel(portrait, 2, 30), kBar));
  EXPECT_TRUE(looksLike(thumbnailPixel(portrait, 77, 30), kBar));
  EXPECT_TRUE(looksLike(thumbnailPixel(portrait, 40, 2), red));
  const Thumbnail wide = makeThumbnail(writeJpeg(dir.path() + "wide.jpg", 1600, 200, red), 80, 60);
  ASSERT_TRUE(wide.ok);
  EXPECT_TRUE(looksLike(thumbnailPixel(wide, 40, 2), kBar));
  EXPECT_TRUE(looksLike(thumbnailPixel(wide, 40, 57), kBar));
  EXPECT_TRUE(looksLike(thumbnailPixel(wide, 40, 30), red));
  EXPECT_EQ(fitThumbnail(1600, 200, 80, 60).height, 10);
  EXPECT_EQ(fitThumbnail(20000, 1, 80, 60).height, 1) << "a thin line stays visible";

  // Transparent parts show the bars' grey.
  const Thumbnail disc = makeThumbnail(writeTransparentDiscBmp(dir.path() + "disc.bmp", 60, red), 80, 60);
  ASSERT_TRUE(disc.ok) << disc.error;
  EXPECT_TRUE(looksLike(thumbnailPixel(disc, 40, 30), red));
  EXPECT_TRUE(looksLike(thumbnailPixel(disc, 12, 2), kBar));

  // A camera picture is measured whole and drawn from a reduced decode.
  const Thumbnail camera = makeThumbnail(writeJpeg(dir.path() + "camera.jpg", 4000, 3000, red), 80, 60);
  ASSERT_TRUE(camera.ok);
  EXPECT_EQ(camera.pictureWidth, 4000);
  EXPECT_EQ(camera.pictureHeight, 3000);
  PictureFile reduced;
  PictureLoadOptions options;
  options.fitWidth = 160;
  options.fitHeight = 120;
  ASSERT_TRUE(reduced.load(dir.path() + "camera.jpg", options));
  EXPECT_EQ(reduced.widthPixels(), 4000);

  const Thumbnail bad = makeThumbnail(dir.path() + "missing.jpg", 80, 60);
  EXPECT_FALSE(bad.ok);
  EXPECT_EQ(bad.error.find(dir.path()), std::string::npos) << "the reason does not repeat the path";
  EXPECT_FALSE(bad.error.empty());
}

TEST(Thumbnails, ABatchComesBackInItsOrderOnTheCallingThread) {
  TestFolder dir;
  std::vector<std::string> paths;
  for (int i = 0; i < 24; ++i) {
    const std::string path = dir.path() + "p" + std::to_string(i) + ".jpg";
    if (i % 5 == 3)
      writeFile(path, "garbage");
    else
      writeJpeg(path, 40 + 8 * i, 30 + 6 * i, {static_cast<std::uint8_t>(i * 10), 0, 0});
    paths.push_back(path);
  }
  std::vector<std::size_t> order;
  const DWORD caller = GetCurrentThreadId();
  bool sameThread = true;
  makeThumbnails(paths, 80, 60, [&](std::size_t i, Thumbnail&& t) {
    sameThread = sameThread && GetCurrentThreadId() == caller;
    order.push_back(i);
    EXPECT_EQ(t.ok, i % 5 != 3) << i;
    if (t.ok) {
      EXPECT_EQ(t.pictureWidth, 40 + 8 * static_cast<int>(i));
    }
  });
  ASSERT_EQ(order.size(), paths.size());
  for (std::size_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
  EXPECT_TRUE(sameThread);
}

TEST(PicturePaths, CommandLineFoldersAndLimits) {
  EXPECT_EQ(commandLineArguments(L"\"C:\\Program Files\\Slidewright.exe\" a.jpg \"D:\\My Photos\\b c.png\""),
            (std::vector<std::wstring>{L"a.jpg", L"D:\\My Photos\\b c.png"}));
  EXPECT_TRUE(commandLineArguments(L"Slidewright.exe").empty());

  TestFolder dir;
  for (const char* name : {"img10.jpg", "img9.JPEG", "img1.png", "readme.txt", "clip.gif", "b.Bmp"})
    writeFile(dir.path() + name, "x");
  CreateDirectoryA((dir.path() + "sub.jpg").c_str(), nullptr);
  std::string folder = dir.path();
  folder.pop_back();
  std::wstring wide(folder.begin(), folder.end());
  const auto found = gatherPicturePaths({wide, wide + L"\\readme.txt"});
  std::vector<std::string> names;
  for (const auto& g : found) {
    EXPECT_EQ(g.problem, PathProblem::None);
    names.push_back(g.path.substr(dir.path().size()));
  }
  // Folders give their pictures in the shell's order; a file named directly
  // is taken whatever its name (the decoder decides).
  EXPECT_EQ(names, (std::vector<std::string>{"b.Bmp", "clip.gif", "img1.png", "img9.JPEG", "img10.jpg",
                                             "readme.txt"}));

  TestFolder empty;
  std::string emptyFolder = empty.path();
  emptyFolder.pop_back();
  const auto none = gatherPicturePaths({std::wstring(emptyFolder.begin(), emptyFolder.end())});
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].problem, PathProblem::NoPicturesInFolder);

  EXPECT_EQ(checkedPicturePath(std::string(259, 'a')).problem, PathProblem::None);
  EXPECT_EQ(checkedPicturePath(std::string(260, 'a')).problem, PathProblem::PathTooLong);
  // Any name, in any script, becomes its UTF-8 path whole (never a short
  // name); the limit counts characters, not bytes.
  const auto named = gatherPicturePaths({L"C:\\nowhere\\\u0915\u093F \U0001F600.jpg"});
  ASSERT_EQ(named.size(), 1u);
  EXPECT_EQ(named[0].path, "C:\\nowhere\\\xE0\xA4\x95\xE0\xA4\xBF \xF0\x9F\x98\x80.jpg");
  EXPECT_EQ(named[0].problem, PathProblem::None);
  std::string chinese;
  for (int i = 0; i < 259; ++i) chinese += "\xE7\x9B\xB8";  // 相, 3 bytes in UTF-8
  EXPECT_EQ(checkedPicturePath(chinese).problem, PathProblem::None);
  EXPECT_EQ(checkedPicturePath(chinese + "a").problem, PathProblem::PathTooLong);
}

TEST(OpenDialog, ResultBufferFilterAndPanelRules) {
  const wchar_t single[] = L"C:\\Photos\\one.jpg\0";
  EXPECT_EQ(chosenFiles(single), (std::vector<std::string>{"C:\\Photos\\one.jpg"}));
  const wchar_t several[] = L"C:\\Photos\0b.jpg\0\uC0AC\uC9C4 \U0001F600.jpg\0";
  EXPECT_EQ(chosenFiles(several),
            (std::vector<std::string>{"C:\\Photos\\b.jpg",
                                      "C:\\Photos\\\xEC\x82\xAC\xEC\xA7\x84 \xF0\x9F\x98\x80.jpg"}));
  const wchar_t root[] = L"D:\\\0x.png\0";
  EXPECT_EQ(chosenFiles(root), (std::vector<std::string>{"D:\\x.png"}));

  EXPECT_EQ(dialogFilter("Pictures|*.jpg||"), bytes("Pictures\0*.jpg\0\0\0\0"));
  EXPECT_EQ(dialogFilter("All|*.*"), bytes("All\0*.*\0\0")) << "ends the list even without ||";
  if (inChineseCodePage()) {
    // "亅" is 0x81 0x7C in GBK: its second byte is the code of "|".
    EXPECT_EQ(dialogFilter("\x81\x7C|*.jpg|"), bytes("\x81\x7C\0*.jpg\0\0\0"));
  }

  EXPECT_LT(compareVersions("", "5.0"), 0);
  EXPECT_EQ(compareVersions("5.0.0", "5.0"), 0);
  EXPECT_GT(compareVersions("5.00.2920.0000", "5.0"), 0);
  EXPECT_EQ(PictureOpenDialog::panelTemplateFor("4.72.3110.0"), IDD_OPEN_PANEL_CLASSIC);
  EXPECT_EQ(PictureOpenDialog::panelTemplateFor(""), IDD_OPEN_PANEL_CLASSIC);
  EXPECT_EQ(PictureOpenDialog::panelTemplateFor("5.00.2920.0000"), IDD_OPEN_PANEL);
  EXPECT_EQ(PictureOpenDialog::panelTemplateFor("6.0.2900.2180"), IDD_OPEN_PANEL);
  FileVersionInfo system;
  EXPECT_TRUE(system.load("ComDlg32.dll"));
  EXPECT_FALSE(system.stringValue("ProductVersion").empty());

  auto fit = [](int w, int h, int bw, int bh, bool force) {
    const SIZE s = fitPicture(w, h, bw, bh, force);
    return std::make_pair(static_cast<int>(s.cx), static_cast<int>(s.cy));
  };
  EXPECT_EQ(fit(2000, 1000, 160, 120, false), std::make_pair(160, 80));
  EXPECT_EQ(fit(100, 50, 160, 120, false), std::make_pair(100, 50)) << "small pictures are not enlarged";
  EXPECT_EQ(fit(100, 50, 160, 120, true), std::make_pair(160, 80));
  EXPECT_EQ(fit(0, 50, 160, 120, false), std::make_pair(1, 1));
  // A box over a thousand times the picture's size once divided by zero.
  EXPECT_EQ(fit(1, 1, 2000, 2000, true), std::make_pair(2000, 2000));
  EXPECT_EQ(fit(5000, 1, 2000, 2000, false), std::make_pair(2000, 1));

  // Formats come from a file the user may edit: one value, nothing else read.
  EXPECT_EQ(formatWithText("Name: %s", "a.jpg"), "Name: a.jpg");
  EXPECT_EQ(formatWithNumber("%d px (100%%)", 640), "640 px (100%)");
  EXPECT_EQ(formatWithNumber("%s %n %d", 7), "7 %n %d");
  EXPECT_EQ(formatWithNumber("%5d", 42), "42");
  EXPECT_EQ(formatWithText(std::string(150, 'x') + "%s", "a").size(), 99u) << "cut to its 100-byte buffer";
}

}  // namespace
