// The `slidewright` command as a user runs it: exit statuses, messages on
// stderr that name the file and the problem, and what is left on disk.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "inputs.h"
#include "phone_inputs.h"
#include "media/jpeg_writer.h"
#include "media/picture.h"
#include "slidewright_version.h"

namespace {

namespace fs = std::filesystem;
using namespace testinputs;

struct Outcome {
  int status;
  std::string out, err;
};

std::string slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Runs the command; environment is put before it ("NAME=value ").
Outcome run(const std::vector<std::string>& args, const std::string& environment = std::string()) {
  std::string cmd = "umask 022; " + environment + quote(SLIDEWRIGHT_BINARY);
  for (const auto& a : args) cmd += " " + quote(a);
  const std::string out = scratchDir() + "/stdout", err = scratchDir() + "/stderr";
  cmd += " </dev/null >" + quote(out) + " 2>" + quote(err);
  const int raw = std::system(cmd.c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, slurp(out), slurp(err)};
}

bool contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

struct Measured {
  Outcome outcome;
  long peakKb;  // the most memory the command held (resident set, kB)
};

// Runs the command as `run` does, as a child of this process so that its own
// peak memory can be read, with its address space capped at `capMb`: a
// command that reads without bound fails quickly instead of taking the
// machine's memory.
Measured runMeasured(const std::vector<std::string>& args, long capMb = 1024) {
  const std::string out = scratchDir() + "/stdout", err = scratchDir() + "/stderr";
  std::vector<std::string> words = {SLIDEWRIGHT_BINARY};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    const int in = ::open("/dev/null", O_RDONLY), o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644),
              e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(in, 0);
    ::dup2(o, 1);
    ::dup2(e, 2);
    const rlimit cap = {rlim_t(capMb) << 20, rlim_t(capMb) << 20};
    ::setrlimit(RLIMIT_AS, &cap);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  int raw = 0;
  rusage usage = {};
  ::wait4(child, &raw, 0, &usage);
  return {{WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw), slurp(out), slurp(err)}, usage.ru_maxrss};
}

// Writes the bytes followed by `holes` bytes kept as holes (a sparse file).
std::string writeSparse(const std::string& path, const Bytes& bytes, std::uintmax_t holes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  fs::resize_file(path, bytes.size() + holes);
  return path;
}

class Command : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    photo_ = writeScratch("photo.jpg", jpeg(quadrants(800, 600)));
    drawing_ = writeScratch("drawing.png", png(quadrants(120, 300), 2 /* RGB */));
    music_ = writeScratch("song.mp3", mp3(44100, 2, 2.0));
    Bytes cut = jpeg(quadrants(400, 300));
    cut.resize(cut.size() / 2);
    broken_ = writeScratch("broken.jpg", cut);
  }
  std::string out(const std::string& name) { return scratchDir() + "/" + name; }
  static std::string photo_, drawing_, music_, broken_;
};
std::string Command::photo_, Command::drawing_, Command::music_, Command::broken_;

TEST_F(Command, HelpVersionAndUnknownCommands) {
  Outcome r = run({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "Usage: slidewright COMMAND"));
  EXPECT_TRUE(contains(r.out, "make"));
  r = run({"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "slidewright " SLIDEWRIGHT_VERSION "\n");
  r = run({});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "no command"));
  r = run({"bake"});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err, "unknown command 'bake'"));
  r = run({"make", "--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(contains(r.out, "diagonal-bottom-left"));
}

TEST_F(Command, WrongCommandLinesExitWithTwo) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"make", "-o", out("x.swf")}, "no pictures given"},
      {{"make", photo_}, "no output file"},
      {{"make", photo_, "-W", "99", "-o", out("x.swf")}, "the width must be a whole number from 100 to 800"},
      {{"make", photo_, "--height=601", "-o", out("x.swf")}, "from 75 to 600"},
      {{"make", photo_, "-s", "-1", "-o", out("x.swf")}, "from 0 to 5461"},
      {{"make", photo_, "-s", "5462", "-o", out("x.swf")}, "from 0 to 5461"},
      {{"make", photo_, "--fade-out", "-1", "-o", out("x.swf")},
       "the fade-out must be a whole number from 0 to 5461, not '-1'"},
      {{"make", photo_, "--fade-out=1.5", "-o", out("x.swf")}, "not '1.5'"},
      {{"make", "-t", "spiral", photo_, "-o", out("x.swf")}, "unknown transition 'spiral'"},
      {{"make", "-t", "13", photo_, "-o", out("x.swf")}, "unknown transition '13'"},
      {{"make", "--sort", "date", photo_, "-o", out("x.swf")}, "unknown order 'date' (valid: name, taken)"},
      {{"make", photo_, "-t", "fade", "-o", out("x.swf")}, "none follow"},
      {{"make", photo_, "--caption", "late", "-o", out("x.swf")}, "none follows"},
      {{"make", photo_, "-b", "red", "-o", out("x.swf")}, "#rrggbb"},
      {{"make", photo_, "--fit-to-music", "-o", out("x.swf")}, "--fit-to-music needs --music"},
      {{"make", photo_, "--frobnicate", "-o", out("x.swf")}, "unknown option '--frobnicate'"},
      {{"make", photo_, "--quiet=yes", "-o", out("x.swf")}, "takes no value"},
      {{"make", photo_, "-o", out("albums/")}, "not a folder"},
      {{"make", photo_, "-o", "."}, "not a folder"},
      {{"make", photo_, "--seed", "-1", "-o", out("x.swf")},
       "--seed must be a whole number from 0 to 999999999"},
      {{"render", "a.swf", "--frames", "1-10001", "-o", out("x.png")}, "names more than 10000 frames"},
      {{"render", "a.swf", "--frames", "1-", "-o", out("x.png")}, "cannot read the frame list '1-'"},
      {{"render", "a.swf", "--columns", "0", "-o", out("x.png")},
       "--columns needs the number of pictures in a row, from 1 to 10000, not '0'"},
      {{"render", "a.swf", "-o", out("x.gif")}, "name a .png or a .jpg file"},
  };
  for (const auto& [args, message] : cases) {
    Outcome r = run(args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_TRUE(contains(r.err, message)) << r.err;
    EXPECT_FALSE(fs::exists(out("x.swf")));
  }
}

TEST_F(Command, MakesTheMovieAndAddsTheExtension) {
  fs::remove(out("album.swf"));
  Outcome r = run({"make", "-t", "circle", photo_, "-t", "9", drawing_, "-m", music_, "-W", "320", "-H",
                   "240", "-b", "#336699", "-o", out("album")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << "no progress bar when stderr is not a terminal: " << r.err;
  EXPECT_TRUE(contains(r.out, "Movie written: " + out("album.swf"))) << r.out;
  const std::string movie = slurp(out("album.swf"));
  ASSERT_GT(movie.size(), 100u);
  EXPECT_EQ(movie.substr(0, 3), "FWS");
  // An ordinary document, readable by others under the usual umask, not a
  // private temporary file.
  const auto perms = fs::status(out("album.swf")).permissions();
  EXPECT_NE(perms & fs::perms::others_read, fs::perms::none);

  // Upper-case extensions are kept as they are; --quiet prints nothing; a
  // hold of 0 is an album whose pictures follow each other at once.
  r = run({"make", "-q", "-s", "0", photo_, "-o", out("Second.SWF")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.out.empty() && r.err.empty());
  EXPECT_TRUE(fs::exists(out("Second.SWF")));

  // Nothing goes through the temporary folder. TMPDIR names a file, so the
  // current folder would stand in for it, and that is /proc, where not even
  // the superuser can make a file: a make with music still succeeds.
  const std::string notAFolder = writeScratch("not-a-folder", Bytes{1});
  r = run({"make", "-q", photo_, drawing_, "-m", music_, "-o", out("no-temp.swf")},
          "cd /proc && TMPDIR=" + quote(notAFolder) + " ");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("no-temp.swf")).substr(0, 3), "FWS");
}

TEST_F(Command, BadInputFailsByNameAndKeepsTheOldMovie) {
  ASSERT_EQ(run({"make", "-q", photo_, "-o", out("keep.swf")}).status, 0);
  const std::string before = slurp(out("keep.swf"));

  Outcome r = run({"make", photo_, broken_, "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "slidewright: " + broken_ + ": ")) << r.err;
  EXPECT_TRUE(contains(r.err, "truncated")) << r.err;
  EXPECT_EQ(slurp(out("keep.swf")), before);

  r = run({"make", photo_, out("absent.png"), "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, out("absent.png") + ": cannot open the file")) << r.err;

  r = run({"make", photo_, "-m", "/dev/urandom", "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "/dev/urandom: the music is a device or a pipe, not a file")) << r.err;

  r = run({"make", photo_, "-m", photo_, "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, photo_ + ": no MPEG audio")) << r.err;
  EXPECT_EQ(slurp(out("keep.swf")), before);

  // 5000 seconds fit one picture into a movie's 65535 frames, not two.
  r = run({"make", photo_, drawing_, "-s", "5000", "-o", out("keep.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "the seconds per picture must be 0 to ")) << r.err;
  EXPECT_EQ(slurp(out("keep.swf")), before);

  r = run({"make", photo_, "-o", out("no/such/folder/a.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "cannot write the movie there")) << r.err;

  for (const auto& e : fs::directory_iterator(scratchDir()))
    EXPECT_NE(e.path().extension(), ".part") << "a partial movie was left: " << e.path();
}

TEST_F(Command, RenderWritesThePictureFormatItsNameAsks) {
  ASSERT_EQ(run({"make", "-q", "-W", "320", "-H", "240", photo_, "-o", out("frames.swf")}).status, 0);
  Outcome r = run({"render", out("frames.swf"), "-o", out("frame.JPG")});
  ASSERT_EQ(r.status, 0) << r.err;
  auto jpeg = slidewright::media::loadPicture(out("frame.JPG"));
  ASSERT_TRUE(jpeg) << jpeg.message();
  EXPECT_EQ(jpeg.value().kind, slidewright::media::PictureKind::Jpeg);
  EXPECT_EQ(jpeg.value().width, 320);
  r = run({"render", out("frames.swf"), "--frames", "1,1", "--columns", "2", "-o", out("sheet.png")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("sheet.png")).substr(1, 3), "PNG");
}

// No command writes its output over one of its inputs, whatever the path's
// spelling or the links in between; the input is left as it was.
TEST_F(Command, AnOutputThatIsAnInputIsRefused) {
  const std::string picture = writeScratch("picture.swf", jpeg(quadrants(64, 48)));
  const std::string song = writeScratch("tune.swf", mp3(44100, 1, 1.0));
  const std::string video = writeScratch("picture.mp4", jpeg(quadrants(64, 48)));
  const std::string movie = out("movie.swf");
  ASSERT_EQ(run({"make", "-q", photo_, "-o", movie}).status, 0);
  fs::remove(out("link.swf"));
  fs::create_symlink(picture, out("link.swf"));
  const std::string respelt = scratchDir() + "/./sub/../picture.swf";
  fs::create_directories(out("sub"));
  const std::string pictureBytes = slurp(picture), songBytes = slurp(song), movieBytes = slurp(movie),
                    videoBytes = slurp(video);
  const std::vector<std::vector<std::string>> cases = {
      {"make", picture, "-o", picture},
      {"make", photo_, picture, "-o", respelt},
      {"make", picture, "-o", out("picture")},  // ".swf" is added
      {"make", picture, "-o", out("link.swf")},
      {"make", photo_, "-m", song, "-o", song},
      {"make", video, "-o", video},
      {"video", movie + ".mp4", "-o", movie + ".mp4"},
      {"render", movie, "-o", movie},
      {"screensaver", movie, "-o", movie + ".scr", "--stub", movie + ".scr"},
  };
  fs::copy_file(movie, movie + ".scr", fs::copy_options::overwrite_existing);
  fs::copy_file(movie, movie + ".mp4", fs::copy_options::overwrite_existing);
  for (const auto& args : cases) {
    SCOPED_TRACE(args[0] + " " + args.back());
    const Outcome r = run(args);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(contains(r.err, "the output is the input")) << r.err;
  }
  EXPECT_EQ(slurp(picture), pictureBytes);
  EXPECT_EQ(slurp(song), songBytes);
  EXPECT_EQ(slurp(movie), movieBytes);
  EXPECT_EQ(slurp(video), videoBytes);
  EXPECT_EQ(slurp(movie + ".scr"), movieBytes);
  EXPECT_EQ(slurp(movie + ".mp4"), movieBytes);
}

TEST_F(Command, SkippingBadPicturesWarnsByName) {
  Outcome r = run({"make", "--skip-bad", photo_, broken_, drawing_, "-o", out("skip.swf")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.err, "warning: " + broken_ + ": left out")) << r.err;
  EXPECT_TRUE(contains(r.out, "2 pictures")) << r.out;
  r = run({"make", "--skip-bad", broken_, "-o", out("none.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_FALSE(fs::exists(out("none.swf")));
}

// --fit-to-music says when no hold of 1 to 60 s fits: music much longer
// than the show can be, or much shorter.
TEST_F(Command, FittingToMusicThatCannotFitWarns) {
  const std::string longMusic = writeScratch("long.mp3", mp3(22050, 1, 80.0));
  Outcome r = run({"make", "-q", "-W", "160", "-H", "120", "--fit-to-music", "-m", longMusic, photo_, "-o",
                   out("long-music.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.err, "warning: " + longMusic + ": the music lasts 1:20, longer than the show"))
      << r.err;
  EXPECT_TRUE(contains(r.err, "(60 s a picture, 1:0")) << r.err;

  r = run({"make", "-q", "--no-loop", "--fit-to-music", "-m", music_, photo_, photo_, drawing_, "-o",
           out("short-music.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(r.err, "warning: " + music_ + ": the music lasts 0:02, shorter than the show"))
      << r.err;
  EXPECT_TRUE(contains(r.err, "the rest of the show is silent")) << r.err;

  r = run({"make", "-q", "-W", "160", "-H", "120", "--fit-to-music", "-m", longMusic, photo_, photo_,
           drawing_, "-o", out("fitting-music.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.err.empty()) << r.err;
}

TEST_F(Command, RandomTransitionsRepeatWithTheSameSeed) {
  std::vector<std::string> args = {"make", "-q", "--seed", "7", "-t", "random"};
  for (int i = 0; i < 6; ++i) args.push_back(i % 2 ? drawing_ : photo_);
  args.push_back("-o");
  auto a = args, b = args, c = args;
  a.push_back(out("r1.swf"));
  b.push_back(out("r2.swf"));
  c[3] = "8";
  c.push_back(out("r3.swf"));
  ASSERT_EQ(run(a).status, 0);
  ASSERT_EQ(run(b).status, 0);
  ASSERT_EQ(run(c).status, 0);
  EXPECT_EQ(slurp(out("r1.swf")), slurp(out("r2.swf")));
  EXPECT_NE(slurp(out("r1.swf")), slurp(out("r3.swf")));
}

// --motion applies to the pictures after it. At 320 x 240 with 3-second
// holds each slide is 22 frames of wipe, 36 held and one settling, so frames
// 30 and 50 show the first picture held, 90 and 110 the second. The photo's
// red and green halves meet further right as the view pans left; the narrow
// drawing between its white bars grows wider as it zooms in.
TEST_F(Command, MotionMovesThePicturesThatFollowIt) {
  Outcome r = run({"make", "-q", "-W", "320", "-H", "240", "-s", "3", "--motion", "pan-left", photo_,
                   "--motion", "zoom-in", drawing_, "-o", out("moving.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  auto frame = [&](int n) {
    const std::string png = out("moving-" + std::to_string(n) + ".png");
    const Outcome drawn = run({"render", out("moving.swf"), "--frame", std::to_string(n), "-o", png});
    EXPECT_EQ(drawn.status, 0) << drawn.err;
    auto picture = slidewright::media::loadPicture(png);
    EXPECT_TRUE(picture) << picture.message();
    return picture ? picture.value().pixels : slidewright::media::Image{};
  };
  auto redMeetsGreen = [](const slidewright::media::Image& f) {
    int x = 0;
    while (x < f.width && f.at(x, 60).g <= f.at(x, 60).r) ++x;
    return x;
  };
  auto drawingWidth = [](const slidewright::media::Image& f) {
    int n = 0;
    for (int x = 0; x < f.width; ++x) n += f.at(x, 60).b < 128;  // neither white bar
    return n;
  };
  const auto a = frame(30), b = frame(50), c = frame(90), d = frame(110);
  ASSERT_EQ(a.width, 320);
  EXPECT_GT(redMeetsGreen(b), redMeetsGreen(a) + 3);
  EXPECT_LT(redMeetsGreen(b), 320);
  EXPECT_GT(drawingWidth(d), drawingWidth(c) + 3);
  EXPECT_GE(drawingWidth(c), 96) << "the drawing fitted is 96 pixels wide";

  r = run({"make", "--motion", "spin", photo_, "-o", out("x.swf")});
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(contains(r.err,
                       "unknown motion 'spin' (valid: none, zoom-in, zoom-out, pan-left, pan-right, "
                       "pan-up, pan-down, auto)"))
      << r.err;
  EXPECT_FALSE(fs::exists(out("x.swf")));
}

// The commands that read movies look at the header before the body: what is
// no movie, or declares more than a movie may have or than the file holds, is
// refused at once with the reason, having read a few bytes.
TEST_F(Command, MovieCommandsRefuseWhatIsNoMovieBeforeReadingIt) {
  const std::uintmax_t threeGb = std::uintmax_t(3) << 30;
  const Bytes header = {'F', 'W', 'S', 6, 0x00, 0x00, 0x00, 0x19, 0x50, 0x00};  // declares 400 MiB
  const std::string zeros = writeSparse(out("zeros.swf"), {}, threeGb);
  const std::string claims = writeSparse(out("claims.swf"), header, 0);
  Bytes huge = header;
  huge[7] = 0xF0;  // 3.75 GiB
  const std::string hugeFile = writeSparse(out("huge.swf"), huge, threeGb);
  const std::string noPlayer = out("player");
  fs::create_directories(noPlayer);
  std::ofstream(noPlayer + "/ruffle.js") << "// stands in for the web player";

  std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"info", "/dev/zero"}, "/dev/zero: is a device or a pipe, not a movie file"},
      {{"info", zeros}, zeros + ": not an SWF file"},
      {{"info", claims}, claims + ": file is truncated: header declares 419430400 bytes, file has 10"},
      {{"info", hugeFile}, "more than a movie may have (512 MiB)"},
      {{"render", "/dev/urandom", "-o", out("x.png")}, "/dev/urandom: is a device or a pipe"},
      {{"render", zeros, "-o", out("x.png")}, "not an SWF file"},
  };
  const std::string commands = run({"--help"}).out;
  if (!contains(commands, "(not in this build) turn a movie into a video"))
    cases.push_back({{"video", "/dev/urandom", "-o", out("x.mp4")}, "/dev/urandom: is a device or a pipe"});
  if (!contains(commands, "(not in this build) turn a movie into a web page"))
    cases.push_back({{"web", "/dev/urandom", "-o", out("site"), "--player", noPlayer},
                     "/dev/urandom: is a device or a pipe"});
  for (const auto& [args, message] : cases) {
    const Measured m = runMeasured(args);
    EXPECT_EQ(m.outcome.status, 1) << args[0] << " " << args[1] << ": " << m.outcome.err;
    EXPECT_TRUE(contains(m.outcome.err, message)) << m.outcome.err;
    EXPECT_LT(m.peakKb, 100 * 1024) << args[0] << " " << args[1] << " held " << m.peakKb << " kB";
  }
  EXPECT_FALSE(fs::exists(out("x.png")));
  EXPECT_FALSE(fs::exists(out("site")));
}

// A command that runs out of memory says so and fails; it does not abort.
TEST_F(Command, RunningOutOfMemoryIsAFailureWithAMessage) {
  ASSERT_EQ(run({"make", "-q", "-W", "320", "-H", "240", photo_, "-o", out("small.swf")}).status, 0);
  const Measured m =
      runMeasured({"render", out("small.swf"), "--size", "8000x8000", "-o", out("big.png")}, 400);
  EXPECT_EQ(m.outcome.status, 1) << m.outcome.err;
  EXPECT_TRUE(contains(m.outcome.err, "slidewright: not enough memory")) << m.outcome.err;
  EXPECT_FALSE(fs::exists(out("big.png")));
}

void writeText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// An album file makes the movie its command line would, from wherever its
// folder is; -o and other options override it; every missing picture is
// named at once; a file that is refused says why.
TEST_F(Command, MakesAnAlbumFile) {
  const std::string folder = out("album-folder"), moved = out("album-moved");
  fs::remove_all(folder);
  fs::remove_all(moved);
  fs::create_directories(folder + "/pics");
  fs::copy_file(photo_, folder + "/pics/a.jpg");
  fs::copy_file(drawing_, folder + "/pics/b.png");
  fs::copy_file(photo_, folder + "/pics/c.jpg");
  writeText(folder + "/Show.SWALBUM",
            R"({"slidewright-album": 1, "width": 320, "height": 240, "background": "#102030",
                "seconds": 2, "loop": false, "pictures": [{"file": "pics/a.jpg", "transition": "fade",
                "caption": "日落 Sunset"},
                {"file": "pics/b.png", "transition": "circle", "seconds": 2},
                {"file": "pics/c.jpg", "transition": "circle"}]})");
  Outcome r = run({"make",
                   "-q",
                   "-W",
                   "320",
                   "-H",
                   "240",
                   "-b",
                   "#102030",
                   "-s",
                   "2",
                   "--no-loop",
                   "-t",
                   "fade",
                   "--caption",
                   "日落 Sunset",
                   folder + "/pics/a.jpg",
                   "-t",
                   "circle",
                   folder + "/pics/b.png",
                   folder + "/pics/c.jpg",
                   "-o",
                   out("album-by-hand.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string byHand = slurp(out("album-by-hand.swf"));

  r = run({"make", "-q", folder + "/Show.SWALBUM"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(folder + "/Show.swf"), byHand) << "made beside the album file";

  fs::rename(folder, moved);
  r = run({"make", "-q", moved + "/Show.SWALBUM", "-o", out("album-moved.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("album-moved.swf")), byHand);
  r = run({"make", "-q", "--loop", moved + "/Show.SWALBUM", "-o", out("album-looped.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(slurp(out("album-looped.swf")), byHand) << "--loop overrides the file's \"loop\"";

  // "output" names the movie, relative to the album's folder.
  writeText(moved + "/named.swalbum",
            R"({"slidewright-album": 1, "output": "made/named.swf", "pictures": [{"file": "pics/a.jpg"}]})");
  fs::create_directories(moved + "/made");
  r = run({"make", "-q", moved + "/named.swalbum"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(moved + "/made/named.swf"));

  fs::remove(moved + "/pics/a.jpg");
  fs::remove(moved + "/pics/c.jpg");
  r = run({"make", "-q", moved + "/Show.SWALBUM", "-o", out("album-missing.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "2 of its 3 pictures are missing")) << r.err;
  EXPECT_TRUE(contains(r.err, "picture 1: " + moved + "/pics/a.jpg")) << r.err;
  EXPECT_TRUE(contains(r.err, "picture 3: " + moved + "/pics/c.jpg")) << r.err;
  EXPECT_FALSE(fs::exists(out("album-missing.swf")));

  writeText(moved + "/bad.swalbum", R"({"slidewright-album": 1, "colour": "#ffffff", "pictures": []})");
  r = run({"make", "-q", moved + "/bad.swalbum"});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "bad.swalbum") && contains(r.err, "\"colour\"")) << r.err;
  EXPECT_FALSE(fs::exists(moved + "/bad.swf"));
}

// --save-album keeps what the command line gave, random transitions as they
// were chosen and the music's fade, and the album file makes the same movie again.
// Phone pictures of three kinds put in the order they were taken, as the
// saved album file lists them; the movie is made from them.
TEST_F(Command, PhonePicturesInTheOrderTaken) {
#if !SLIDEWRIGHT_PHONE_PICTURES
  GTEST_SKIP() << "this build does not read HEIC, AVIF or WebP";
#else
  const Image img = quadrants(400, 300);
  const std::string heic =
      writeScratch("a.heic", heif(img, false, {exif(6, "2024:06:12 10:00:00", "+02:00"), {}, 0, 6}));
  const std::string avif =
      writeScratch("b.avif", heif(img, true, {exif(1, "2024:06:12 07:59:00", "+00:00"), {}, 0, 0}));
  const std::string webpFile =
      writeScratch("c.webp", webp(img, {exif(1, "2024:06:12 08:30:00", "+00:00"), {}, 0, 0}));
  Outcome r = run({"make", "-q", "--sort", "taken", heic, webpFile, avif, "--save-album",
                   out("phone.swalbum"), "-o", out("phone.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::file_size(out("phone.swf")) > 1000);
  const std::string album = slurp(out("phone.swalbum"));
  const std::size_t b = album.find("b.avif"), a = album.find("a.heic"), c = album.find("c.webp");
  ASSERT_NE(c, std::string::npos) << album;
  EXPECT_TRUE(b < a && a < c) << album;
#endif
}

TEST_F(Command, SavedAlbumMakesTheSameMovie) {
  fs::remove(out("saved.swalbum"));
  Outcome r =
      run({"make", "-q", "-s", "1", "-t", "random", photo_, "--caption", "生日 Birthday", drawing_, photo_,
           "-m", music_, "--fade-out", "2", "--save-album", out("saved.swalbum"), "-o", out("saved.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(contains(slurp(out("saved.swalbum")), "\"fade-out\": 2"));
  EXPECT_TRUE(contains(slurp(out("saved.swalbum")), "\"caption\": \"生日 Birthday\""));
  r = run({"make", "-q", out("saved.swalbum"), "-o", out("saved-again.swf")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("saved-again.swf")), slurp(out("saved.swf")));
  r = run({"make", "-q", out("saved.swalbum")});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(slurp(out("saved.swf")), slurp(out("saved-again.swf"))) << "the file's \"output\" is -o's movie";

  // Without -o only the album file is written.
  fs::remove(out("only.swf"));
  r = run({"make", "-q", photo_, "--save-album", out("only.swalbum")});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::exists(out("only.swalbum")));
  EXPECT_FALSE(fs::exists(out("only.swf")));

  const std::string before = slurp(drawing_);
  r = run({"make", "-q", photo_, drawing_, "--save-album", drawing_, "-o", out("x.swf")});
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(contains(r.err, "the output is the input")) << r.err;
  EXPECT_EQ(slurp(drawing_), before);
  EXPECT_FALSE(fs::exists(out("x.swf")));
}

}  // namespace
