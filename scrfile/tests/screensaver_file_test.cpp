#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scrfile/screensaver_file.h"

namespace fs = std::filesystem;
using namespace slidewright::scrfile;
using Bytes = std::vector<std::uint8_t>;

namespace {

class ScreensaverFile : public ::testing::Test {
 protected:
  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir_ = fs::temp_directory_path() / (std::string("scrfile-") + info->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(dir_ / "album.scr", fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string path(const std::string& name) const { return (dir_ / name).string(); }
  std::string write(const std::string& name, const Bytes& bytes) const {
    std::FILE* f = std::fopen(path(name).c_str(), "wb");
    EXPECT_NE(f, nullptr);
    if (f) {
      std::fwrite(bytes.data(), 1, bytes.size(), f);
      std::fclose(f);
    }
    return path(name);
  }
  Bytes read(const std::string& name) const {
    Bytes b;
    EXPECT_TRUE(readWholeFile(path(name), &b)) << name;
    return b;
  }
  // Files in the folder, so that a test sees staging files left behind.
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path dir_;
};

// A movie of `size` bytes that starts with the uncompressed signature.
Bytes movieOf(std::size_t size, const char* signature = "FWS") {
  Bytes m(size);
  for (std::size_t i = 0; i < size; ++i) m[i] = std::uint8_t(i * 7 + 3);
  for (int i = 0; i < 3 && std::size_t(i) < size; ++i) m[i] = std::uint8_t(signature[i]);
  return m;
}

Bytes le32(std::uint32_t v) {
  return {std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
}

Bytes concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST_F(ScreensaverFile, IsStubThenMovieThenItsLength) {
  const Bytes stub(24576, 0x4D);
  const Bytes movie = movieOf(1000);
  write("album.swf", movie);
  const Status written = writeScreensaverFile(path("album.scr"), stub, path("album.swf"));
  ASSERT_TRUE(written) << written.message();
  const Bytes scr = read("album.scr");
  ASSERT_EQ(scr.size(), 25580u);
  EXPECT_EQ(Bytes(scr.end() - 4, scr.end()), (Bytes{0xE8, 0x03, 0x00, 0x00}));
  EXPECT_EQ(Bytes(scr.begin(), scr.begin() + 24576), stub);
  EXPECT_EQ(Bytes(scr.begin() + 24576, scr.end() - 4), movie);
  EXPECT_EQ(listing(), (std::vector<std::string>{"album.scr", "album.swf"}));

  // Read back as the player does.
  const Result<Payload> p = locateMovie(path("album.scr"));
  ASSERT_TRUE(p) << p.message();
  EXPECT_EQ(p.value().offset, 24576u);
  EXPECT_EQ(p.value().length, 1000u);
  const Status extracted = extractMovie(path("album.scr"), path("out.swf"));
  ASSERT_TRUE(extracted) << extracted.message();
  EXPECT_EQ(read("out.swf"), movie);
}

TEST_F(ScreensaverFile, ReplacesAnEarlierFileOnlyWhenTheNewOneIsComplete) {
  const Bytes stub(100, 0x11);
  write("album.swf", movieOf(50));
  write("album.scr", Bytes(7, 0x99));
  const Status written = writeScreensaverFile(path("album.scr"), stub, path("album.swf"));
  ASSERT_TRUE(written) << written.message();
  EXPECT_EQ(read("album.scr").size(), 154u);

  // Each failure leaves the earlier file as it was and nothing beside it.
  const Bytes earlier = read("album.scr");
  struct Case {
    const char* name;
    std::string movie;
    Bytes stub;
    ErrorKind kind;
  };
  write("packed.swf", movieOf(50, "CWS"));
  write("short.swf", Bytes{'F', 'W'});
  fs::create_directories(dir_ / "folder.swf");
  const Case cases[] = {
      {"no movie", path("absent.swf"), stub, ErrorKind::NoMovie},
      {"a folder", path("folder.swf"), stub, ErrorKind::NoMovie},
      {"compressed movie", path("packed.swf"), stub, ErrorKind::NotAMovie},
      {"two bytes", path("short.swf"), stub, ErrorKind::NotAMovie},
      {"no player", path("album.swf"), Bytes{}, ErrorKind::NoStub},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Status e = writeScreensaverFile(path("album.scr"), c.stub, c.movie);
    ASSERT_FALSE(e);
    EXPECT_EQ(e.kind(), c.kind);
    EXPECT_FALSE(e.message().empty());
    EXPECT_EQ(read("album.scr"), earlier);
  }
  EXPECT_EQ(listing(),
            (std::vector<std::string>{"album.scr", "album.swf", "folder.swf", "packed.swf", "short.swf"}));

  // A screensaver name that cannot be written: a folder, a missing folder.
  const Status folder = writeScreensaverFile(path("folder.swf"), stub, path("album.swf"));
  ASSERT_FALSE(folder);
  EXPECT_EQ(folder.kind(), ErrorKind::CannotWrite);
  const Status missing = writeScreensaverFile(path("no/such/album.scr"), stub, path("album.swf"));
  ASSERT_FALSE(missing);
  EXPECT_EQ(missing.kind(), ErrorKind::CannotWrite);
  EXPECT_NE(missing.message().find("album.scr"), std::string::npos);
}

// A screensaver replaces an earlier one as every other output does: a
// read-only one is refused and kept, a private one stays private.
TEST_F(ScreensaverFile, ReplacingKeepsPermissionsAndRefusesReadOnlyFiles) {
  const Bytes stub(100, 0x11);
  write("album.swf", movieOf(50));
  write("album.scr", Bytes(7, 0x99));
#if !defined(_WIN32)
  fs::permissions(path("album.scr"), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace);
  const Status written = writeScreensaverFile(path("album.scr"), stub, path("album.swf"));
  ASSERT_TRUE(written) << written.message();
  EXPECT_EQ(fs::status(path("album.scr")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
#endif
  const Bytes earlier = read("album.scr");
  fs::permissions(path("album.scr"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (std::FILE* probe = std::fopen(path("album.scr").c_str(), "r+b")) {
    std::fclose(probe);  // the superuser may change any file: nothing to refuse
    return;
  }
  const Status error = writeScreensaverFile(path("album.scr"), Bytes(200, 0x22), path("album.swf"));
  ASSERT_FALSE(error);
  EXPECT_EQ(error.kind(), ErrorKind::CannotWrite);
  EXPECT_NE(error.message().find("read-only"), std::string::npos) << error.message();
  EXPECT_EQ(read("album.scr"), earlier);
  EXPECT_EQ(listing(), (std::vector<std::string>{"album.scr", "album.swf"}));
}

// The player finds a movie only where the trailer's length, counted back
// from the trailer, lands on "FWS".
TEST_F(ScreensaverFile, PlayerFindsNoMovieInDamagedOrPlainFiles) {
  const Bytes stub(300, 0x22);
  const Bytes movie = movieOf(200);
  struct Case {
    const char* name;
    Bytes file;
  };
  const Case cases[] = {
      {"nothing appended", stub},
      {"trailer of 0", concat({stub, movie, le32(0)})},
      {"negative trailer", concat({stub, movie, le32(0xFFFFFFF0u)})},
      {"trailer larger than the file", concat({stub, movie, le32(100000)})},
      {"trailer one past the movie", concat({stub, movie, le32(201)})},
      {"compressed movie", concat({stub, movieOf(200, "CWS"), le32(200)})},
      {"shorter than a trailer", Bytes{1, 2}},
      {"empty file", Bytes{}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    write("saver.scr", c.file);
    const Result<Payload> p = locateMovie(path("saver.scr"));
    ASSERT_FALSE(p);
    EXPECT_EQ(p.kind(), ErrorKind::NoPayload);
    EXPECT_FALSE(extractMovie(path("saver.scr"), path("out.swf")));
    EXPECT_FALSE(fs::exists(path("out.swf")));
  }
  const Result<Payload> absent = locateMovie(path("absent.scr"));
  ASSERT_FALSE(absent);
  EXPECT_EQ(absent.kind(), ErrorKind::CannotRead);
  // A movie that fills the file exactly, with no stub in front, is found.
  write("bare.scr", concat({movie, le32(200)}));
  const Result<Payload> bare = locateMovie(path("bare.scr"));
  ASSERT_TRUE(bare) << bare.message();
  EXPECT_EQ(bare.value().offset, 0u);
}

// Albums of a few hundred pictures pass 16 MiB: the screensaver must still
// carry and find them.
TEST_F(ScreensaverFile, CarriesMoviesLargerThanSixteenMebibytes) {
  const std::size_t big = (std::size_t(17) << 20) + 5;
  write("big.swf", movieOf(big));
  const Status written = writeScreensaverFile(path("big.scr"), Bytes(1000, 1), path("big.swf"));
  ASSERT_TRUE(written) << written.message();
  const Result<Payload> p = locateMovie(path("big.scr"));
  ASSERT_TRUE(p) << p.message();
  EXPECT_EQ(p.value().length, big);
  const Status extracted = extractMovie(path("big.scr"), path("copy.swf"));
  ASSERT_TRUE(extracted) << extracted.message();
  EXPECT_EQ(fs::file_size(path("copy.swf")), big);
}

#ifndef _WIN32
// Beyond the limit both sides refuse, and the maker says why. A sparse file
// stands in for a movie of that size.
TEST_F(ScreensaverFile, RefusesMoviesBeyondTheLimitOnBothSides) {
  write("huge.swf", movieOf(16));
  fs::resize_file(path("huge.swf"), kMaxMovieBytes + 1);
  const Status e = writeScreensaverFile(path("huge.scr"), Bytes(10, 1), path("huge.swf"));
  ASSERT_FALSE(e);
  EXPECT_EQ(e.kind(), ErrorKind::TooLarge);
  EXPECT_NE(e.message().find("512 MiB"), std::string::npos) << e.message();
  EXPECT_FALSE(fs::exists(path("huge.scr")));

  // A player file with such a movie appended.
  write("huge.scr", movieOf(16));
  fs::resize_file(path("huge.scr"), kMaxMovieBytes + 1);
  {
    std::FILE* f = std::fopen(path("huge.scr").c_str(), "ab");
    ASSERT_NE(f, nullptr);
    const Bytes t = le32(std::uint32_t(kMaxMovieBytes + 1));
    std::fwrite(t.data(), 1, 4, f);
    std::fclose(f);
  }
  const Result<Payload> p = locateMovie(path("huge.scr"));
  ASSERT_FALSE(p);
  EXPECT_EQ(p.kind(), ErrorKind::TooLarge);
}

#endif

}  // namespace
