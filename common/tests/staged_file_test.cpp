// Writing beside the destination and moving into place: what the movie
// writer, the exports and the screensaver file all rely on.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/resource.h>
#endif

#include "common/same_file.h"
#include "common/staged_file.h"

namespace {

namespace fs = std::filesystem;
using slidewright::StagedFile;
using slidewright::StagingError;
using slidewright::StagingErrorKind;

class Staging : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("staged-file-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir_, ec))
      fs::permissions(e.path(), fs::perms::owner_all, ec);
    fs::remove_all(dir_, ec);
  }
  std::string at(const std::string& name) const { return (dir_ / name).string(); }
  void put(const std::string& name, const std::string& bytes) const {
    std::ofstream(at(name), std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) const {
    std::ifstream in(at(name), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  std::vector<std::string> listing() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // Writes text to destination through a staged file.
  bool write(const std::string& destination, const std::string& text, StagingError* error) const {
    StagedFile staged;
    if (!staged.open(destination, error)) return false;
    std::fputs(text.c_str(), staged.file());
    return staged.commit(error);
  }
  // Whether this user may change read-only files (the superuser may): then
  // there is nothing to refuse.
  bool readOnlyIsWritable(const std::string& name) const {
    std::FILE* probe = std::fopen(at(name).c_str(), "r+b");
    if (probe) std::fclose(probe);
    return probe != nullptr;
  }
  fs::path dir_;
};

TEST_F(Staging, WritesBesideUnderAHiddenRandomNameAndMovesIntoPlace) {
  StagedFile first, second;
  StagingError error;
  ASSERT_TRUE(first.open(at("movie.swf"), &error));
  ASSERT_TRUE(second.open(at("movie.swf"), &error));
  EXPECT_NE(first.path(), second.path()) << "each staged file is a new one";
  const std::string name = fs::path(first.path()).filename().string();
  EXPECT_EQ(name.rfind(".movie.swf.", 0), 0u) << name;
  EXPECT_EQ(fs::path(first.path()).extension(), ".part");
  EXPECT_EQ(fs::path(first.path()).parent_path(), dir_);
  EXPECT_FALSE(fs::exists(at("movie.swf"))) << "nothing is in place before the commit";

  std::fputs("new movie", first.file());
  ASSERT_TRUE(first.commit(&error));
  second.discard();
  EXPECT_EQ(read("movie.swf"), "new movie");
  EXPECT_EQ(listing(), std::vector<std::string>{"movie.swf"});

  // A file the caller writes by name after closing it, then a replacement.
  StagedFile byName;
  ASSERT_TRUE(byName.open(at("movie.swf"), &error) && byName.close(&error));
  std::ofstream(byName.path(), std::ios::binary) << "written by name";
  ASSERT_TRUE(byName.commit(&error));
  EXPECT_EQ(read("movie.swf"), "written by name");

  // Abandoned, moved-from or discarded, it leaves nothing behind.
  {
    StagedFile abandoned;
    ASSERT_TRUE(abandoned.open(at("movie.swf"), &error));
    StagedFile taken = std::move(abandoned);
    std::fputs("half", taken.file());
  }
  EXPECT_EQ(read("movie.swf"), "written by name");
  EXPECT_EQ(listing(), std::vector<std::string>{"movie.swf"});
}

TEST_F(Staging, FilesOfTheUsersNamedLikeStagedFilesAreKept) {
  put("keep.swf.part", "my notes");
  put("keep.swf.part~", "my notes");
  put(".keep.swf.part", "my notes");
  StagingError error;
  ASSERT_TRUE(write(at("keep.swf"), "one", &error));
  ASSERT_TRUE(write(at("keep.swf"), "two", &error));
  EXPECT_EQ(read("keep.swf"), "two");
  for (const char* name : {"keep.swf.part", "keep.swf.part~", ".keep.swf.part"})
    EXPECT_EQ(read(name), "my notes");
  EXPECT_EQ(listing().size(), 4u);
}

TEST_F(Staging, RefusesWhatCannotBeWrittenOrReplacedAndLeavesItAsItWas) {
  StagingError error;
  EXPECT_FALSE(StagedFile::checkDestination("", &error));
  EXPECT_EQ(error.kind, StagingErrorKind::NoFileName);

  // A missing folder: nothing can be made there.
  EXPECT_FALSE(StagedFile::checkDestination(at("missing/movie.swf"), &error));
  EXPECT_EQ(error.kind, StagingErrorKind::CannotCreate);
  EXPECT_FALSE(write(at("missing/movie.swf"), "x", &error));
  EXPECT_EQ(error.kind, StagingErrorKind::CannotCreate);
  EXPECT_FALSE(error.reason().empty());

  // A folder is never replaced by a file.
  fs::create_directory(at("folder.swf"));
  put("folder.swf/inside.txt", "kept");
  EXPECT_FALSE(StagedFile::checkDestination(at("folder.swf"), &error));
  EXPECT_EQ(error.kind, StagingErrorKind::IsFolder);
  EXPECT_FALSE(write(at("folder.swf"), "x", &error));
  EXPECT_EQ(error.kind, StagingErrorKind::IsFolder);
  EXPECT_EQ(error.reason(), "is a folder");
  EXPECT_EQ(read("folder.swf/inside.txt"), "kept");

  // The early check agrees with writing and leaves nothing.
  put("old.swf", "old");
  EXPECT_TRUE(StagedFile::checkDestination(at("old.swf"), &error));
  EXPECT_TRUE(StagedFile::checkDestination(at("new.swf"), &error));
  EXPECT_EQ(read("old.swf"), "old");

  // A read-only file is refused, as writing over it in place would be.
  put("readonly.swf", "read-only");
  fs::permissions(at("readonly.swf"),
                  fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  if (!readOnlyIsWritable("readonly.swf")) {
    EXPECT_FALSE(StagedFile::checkDestination(at("readonly.swf"), &error));
    EXPECT_EQ(error.kind, StagingErrorKind::CannotReplace);
    EXPECT_TRUE(error.accessDenied());
    EXPECT_FALSE(write(at("readonly.swf"), "x", &error));
    EXPECT_EQ(error.kind, StagingErrorKind::CannotReplace);
    EXPECT_EQ(read("readonly.swf"), "read-only");
  }
  EXPECT_EQ(listing(), (std::vector<std::string>{"folder.swf", "old.swf", "readonly.swf"}));
}

#if !defined(_WIN32)
TEST_F(Staging, KeepsPermissionsAndReplacesLinksNotWhatTheyPointTo) {
  StagingError error;
  put("private.swf", "old");
  fs::permissions(at("private.swf"), fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace);
  ASSERT_TRUE(write(at("private.swf"), "new", &error));
  EXPECT_EQ(fs::status(at("private.swf")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  // A link is judged by its file (whose permissions the new file takes)
  // and replaced itself; the file it pointed to is left as it was.
  fs::create_symlink(at("private.swf"), at("link.swf"));
  ASSERT_TRUE(write(at("link.swf"), "through the link", &error));
  EXPECT_FALSE(fs::is_symlink(at("link.swf")));
  EXPECT_EQ(read("link.swf"), "through the link");
  EXPECT_EQ(read("private.swf"), "new");
  EXPECT_EQ(fs::status(at("link.swf")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);

  fs::create_directory(at("folder"));
  fs::create_directory_symlink(at("folder"), at("folder-link.swf"));
  EXPECT_FALSE(write(at("folder-link.swf"), "x", &error));
  EXPECT_EQ(error.kind, StagingErrorKind::IsFolder);

  // A device is not replaced by a file.
  EXPECT_FALSE(StagedFile::checkDestination("/dev/null", &error));
  EXPECT_EQ(error.kind, StagingErrorKind::CannotReplace);
}

TEST_F(Staging, AShortWriteIsReportedAndKeepsTheExistingFile) {
  put("movie.swf", "previous");
  struct rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  struct rlimit limited = saved;
  limited.rlim_cur = 65536;
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  StagedFile staged;
  StagingError error;
  ASSERT_TRUE(staged.open(at("movie.swf"), &error));
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
  const std::string big(200000, 'x');
  std::fwrite(big.data(), 1, big.size(), staged.file());
  const bool committed = staged.commit(&error);
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(committed);
  EXPECT_EQ(error.kind, StagingErrorKind::WriteFailed);
  EXPECT_NE(error.systemError, 0);
  EXPECT_EQ(read("movie.swf"), "previous");
  EXPECT_EQ(listing(), std::vector<std::string>{"movie.swf"});
}
#endif

TEST_F(Staging, SameFileThroughLinksAndSpellings) {
  using slidewright::isSameFile;
  put("photo.jpg", "picture");
  EXPECT_TRUE(isSameFile(at("photo.jpg"), at("photo.jpg")));
  EXPECT_TRUE(isSameFile(at("photo.jpg"), (dir_ / "." / "sub" / ".." / "photo.jpg").string()));
  fs::create_directory(at("sub"));
  EXPECT_TRUE(isSameFile(at("photo.jpg"), (dir_ / "sub" / ".." / "photo.jpg").string()));
  EXPECT_FALSE(isSameFile(at("photo.jpg"), at("other.jpg")));
  EXPECT_TRUE(isSameFile(at("new.swf"), (dir_ / "sub" / ".." / "new.swf").string())) << "neither exists yet";
#if !defined(_WIN32)
  fs::create_hard_link(at("photo.jpg"), at("hard.swf"));
  fs::create_symlink(at("photo.jpg"), at("soft.swf"));
  EXPECT_TRUE(isSameFile(at("hard.swf"), at("photo.jpg")));
  EXPECT_TRUE(isSameFile(at("soft.swf"), at("photo.jpg")));
#endif
}

}  // namespace
