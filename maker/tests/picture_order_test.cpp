// The order of an album's pictures: by name as a file browser lists them, or
// by the time taken from EXIF, the file's name or its modification time.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>

#include "inputs.h"
#include "maker/picture_order.h"
#include "phone_inputs.h"

namespace {

using namespace slidewright::maker;
using namespace testinputs;

std::vector<std::string> ordered(const std::vector<std::string>& paths, PictureOrder order) {
  std::vector<std::string> names;
  for (std::size_t i : orderPictures(paths, order))
    names.push_back(std::filesystem::u8path(paths[i]).filename().u8string());
  return names;
}

// The JPEG with 192 KB of application segments before its own.
Bytes behindPadding(Bytes jpeg) {
  Bytes padding;
  for (int i = 0; i < 3; ++i) {
    const Bytes segment = {0xFF, 0xE9, 0xFA, 0x00};  // 64000 bytes, the length included
    padding.insert(padding.end(), segment.begin(), segment.end());
    padding.resize(padding.size() + 64000 - 2, 0);
  }
  jpeg.insert(jpeg.begin() + 2, padding.begin(), padding.end());
  return jpeg;
}

TEST(PictureOrder, ByNameDigitsCountByTheirValue) {
  const std::vector<std::string> paths = {"b/img10.jpg", "a/img2.jpg", "IMG1.jpg", "img02.jpg", "c/Img2.jpg"};
  EXPECT_EQ(ordered(paths, PictureOrder::Name),
            (std::vector<std::string>{"IMG1.jpg", "Img2.jpg", "img02.jpg", "img2.jpg", "img10.jpg"}));
  EXPECT_EQ(ordered(paths, PictureOrder::AsGiven),
            (std::vector<std::string>{"img10.jpg", "img2.jpg", "IMG1.jpg", "img02.jpg", "Img2.jpg"}));
}

TEST(PictureOrder, ByTimeTakenFromExifThenNameThenFileTime) {
  // Times without an offset are this computer's local time: UTC here.
#ifdef _WIN32
  _putenv_s("TZ", "UTC0");
  _tzset();
#else
  setenv("TZ", "UTC0", 1);
  tzset();
#endif
  const Image img = solid(16, 16, {90, 90, 90});
  const std::string dir = scratchDir() + "/order/";
  std::filesystem::create_directories(std::filesystem::u8path(dir));
  auto write = [&](const std::string& name, const Bytes& bytes) {
    return writeScratch("order/" + name, bytes);
  };
  std::vector<std::string> paths = {
      // 10:00 at UTC+2 is 08:00 UTC, before the name's 09:00 of the file after it.
      write("z_exif_offset.jpg", jpegWithExif(img, exif(1, "2024:06:12 10:00:00", "+02:00"))),
      write("IMG_20240612_090000.jpg", jpeg(img)),
      write("a_exif_local.jpg", jpegWithExif(img, exif(1, "2024:06:12 08:30:00"))),
      // EXIF found beyond the first bytes, where the date is first looked for.
      write("c_exif_late.jpg", behindPadding(jpegWithExif(img, exif(1, "2024:06:12 08:40:00")))),
      // EXIF wins over a date in the name.
      write("IMG_20200101_000000.jpg", jpegWithExif(img, exif(1, "2024:06:12 08:45:00"))),
      write("IMG-20240612-WA0010.jpg", jpeg(img)), write("IMG-20240612-WA0002.jpg", jpeg(img)),
      write("PXL_20240611_235959123.jpg", jpeg(img)), write("2024-06-12 11.00.00.jpg", jpeg(img)),
      write("holiday.jpg", jpeg(img)),  // written now: last
      write("scan.jpg", jpeg(img)),     // dated back to 2001 below: first
  };
  namespace fs = std::filesystem;
  const fs::path scan = fs::u8path(paths.back());
  fs::last_write_time(scan, fs::last_write_time(scan) - std::chrono::hours(24 * 365 * 25));
  EXPECT_EQ(ordered(paths, PictureOrder::Taken),
            (std::vector<std::string>{"scan.jpg", "PXL_20240611_235959123.jpg", "IMG-20240612-WA0002.jpg",
                                      "IMG-20240612-WA0010.jpg", "z_exif_offset.jpg", "a_exif_local.jpg",
                                      "c_exif_late.jpg", "IMG_20200101_000000.jpg", "IMG_20240612_090000.jpg",
                                      "2024-06-12 11.00.00.jpg", "holiday.jpg"}));
  // A name with no plausible date, or a date without a day, gives none.
  for (const char* none : {"IMG_1234.jpg", "DSC_99991231_120000.jpg", "20241399_101010.jpg", "2024-06.jpg"})
    EXPECT_FALSE(dateInFileName(none).has_value()) << none;
}

}  // namespace
