#include "album_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

namespace albumtest {

ScratchDir::ScratchDir() {
  static std::atomic<int> counter{0};
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = "album-test";
  if (info) name += std::string("-") + info->test_suite_name() + "-" + info->name();
  std::replace(name.begin(), name.end(), '/', '_');
  dir_ = std::filesystem::temp_directory_path() /
         (name + "-" + std::to_string(counter++) + "-" + std::to_string(std::random_device{}()));
  std::filesystem::remove_all(dir_);
  std::filesystem::create_directories(dir_);
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

std::vector<std::uint8_t> jpegBytes(std::uint8_t seed, std::size_t size) {
  std::vector<std::uint8_t> bytes = {0xFF, 0xD8, 0xFF, 0xFE};  // SOI, COM
  const std::size_t payload = size > 8 ? size - 8 : 1;
  bytes.push_back(std::uint8_t((payload + 2) >> 8));
  bytes.push_back(std::uint8_t(payload + 2));
  for (std::size_t i = 0; i < payload; ++i) bytes.push_back(std::uint8_t(seed + i * 7));
  bytes.push_back(0xFF);  // EOI
  bytes.push_back(0xD9);
  return bytes;
}

std::vector<std::uint8_t> mp3Bytes(unsigned frames) {
  // FF F3: sync, MPEG-2, Layer III, no CRC; 40: 32 kbit/s, 22050 Hz, no
  // padding; C0: single channel. 72 * 32000 / 22050 = 104 bytes a frame.
  std::vector<std::uint8_t> bytes;
  for (unsigned f = 0; f < frames; ++f) {
    const std::uint8_t header[4] = {0xFF, 0xF3, 0x40, 0xC0};
    bytes.insert(bytes.end(), header, header + 4);
    bytes.insert(bytes.end(), 100, 0x00);
  }
  return bytes;
}

JobFixture::JobFixture(const ScratchDir& dir, std::int32_t width, std::int32_t height,
                       const std::vector<int>& transitions) {
  output = dir.path("album.swf");
  for (std::size_t i = 0; i < transitions.size(); ++i) {
    auto entry = std::make_unique<AlbumPicture>();
    std::memset(entry.get(), 0, sizeof(AlbumPicture));
    const std::string path = dir.path("picture" + std::to_string(i) + ".jpg");
    writeFile(path, jpegBytes(std::uint8_t(i * 31 + 1)));
    std::strncpy(entry->path, path.c_str(), sizeof(entry->path) - 1);
    entry->transition = transitions[i];
    pointers.push_back(entry.get());
    entries.push_back(std::move(entry));
  }
  job.size = slidewright::kAlbumJobSize;
  job.outputPath = output.c_str();
  job.musicPath = nullptr;
  job.backgroundColor = 0x000000;
  job.width = width;
  job.height = height;
  job.overBackground = 0;
  job.pauseSeconds = 1;
  job.loop = 1;
  job.pictures = pointers.data();
  job.pictureCount = std::uint32_t(pointers.size());
}

void JobFixture::removePicture(std::size_t i) { std::filesystem::remove(entries[i]->path); }

void JobFixture::setMusic(const std::string& path) {
  music = path;
  job.musicPath = music.c_str();
}

player::Movie readMovie(const std::string& path) {
  player::Parsed<player::Movie> parsed = player::parseMovieFile(path);
  EXPECT_TRUE(parsed.ok()) << path << ": " << (parsed.ok() ? "" : parsed.error().message);
  return parsed.ok() ? std::move(parsed).value() : player::Movie{};
}

namespace {

std::string placeLine(const player::PlaceObject2Tag& p) {
  std::ostringstream line;
  if (p.hasCharacter && !p.move)
    line << "Place id=" << p.characterId << " d" << p.depth;
  else if (p.move && !p.hasCharacter)
    line << "Move d" << p.depth;
  else
    line << "PlaceObject2 d" << p.depth << " character=" << p.hasCharacter << " move=" << p.move;
  if (p.hasRatio) line << " r" << p.ratio;
  if (p.hasColorTransform) {
    const player::ColorTransform& c = p.colorTransform;
    // The fade only ever sets multiply terms with colour multipliers 255.
    if (c.hasMultTerms && !c.hasAddTerms && c.multRed == 255 && c.multGreen == 255 && c.multBlue == 255)
      line << " a" << c.multAlpha;
    else
      line << " cxform?";
  }
  if (p.hasMatrix) line << " matrix";
  if (p.hasName) line << " name";
  if (p.hasClipDepth) line << " clip";
  return line.str();
}

}  // namespace

std::vector<std::string> trace(const player::Movie& movie) {
  using namespace player;
  std::vector<std::string> lines;
  for (const Tag& tag : movie.tags) {
    std::ostringstream line;
    if (tagAs<ShowFrameTag>(tag))
      line << "Show";
    else if (tagAs<EndTag>(tag))
      line << "End";
    else if (tagAs<SetBackgroundColorTag>(tag))
      line << "SetBackgroundColor";
    else if (const auto* b = tagAs<DefineBitsJpeg2Tag>(tag))
      line << "DefineBitsJPEG2 id=" << b->characterId;
    else if (const auto* m = tagAs<DefineMorphShapeTag>(tag))
      line << "DefineMorphShape id=" << m->characterId;
    else if (const auto* s = tagAs<DefineShapeTag>(tag))
      line << "DefineShape id=" << s->characterId;
    else if (const auto* p = tagAs<PlaceObject2Tag>(tag))
      line << placeLine(*p);
    else if (const auto* r = tagAs<RemoveObject2Tag>(tag))
      line << "Remove d" << r->depth;
    else if (tagAs<SoundStreamHeadTag>(tag))
      line << "SoundStreamHead";
    else if (const auto* d = tagAs<DefineSoundTag>(tag))
      line << "DefineSound id=" << d->soundId;
    else if (const auto* st = tagAs<StartSoundTag>(tag))
      line << "StartSound id=" << st->soundId;
    else if (const auto* a = tagAs<DoActionTag>(tag)) {
      line << "DoAction";
      for (const Action& action : a->actions) line << (action.code == kActionStop ? " stop" : " other");
    } else
      line << tagName(tag.code) << " code=" << tag.code;
    lines.push_back(line.str());
  }
  return lines;
}

void repeat(std::vector<std::string>& lines, const std::string& line, int count) {
  for (int i = 0; i < count; ++i) lines.push_back(line);
}

int showFrames(const player::Movie& movie) {
  int frames = 0;
  for (const auto& tag : movie.tags) frames += tag.code == swfTagShowFrame;
  return frames;
}

std::vector<Box> outlineBoxes(const std::vector<player::ShapeRecord>& records) {
  using Type = player::ShapeRecord::Type;
  std::vector<Box> boxes;
  auto include = [&boxes](double x, double y) {
    Box& b = boxes.back();
    b.left = std::min(b.left, x / 20);
    b.right = std::max(b.right, x / 20);
    b.top = std::min(b.top, y / 20);
    b.bottom = std::max(b.bottom, y / 20);
  };
  for (const auto& r : records) {
    if (r.type == Type::StyleChange) {
      if (r.stateMoveTo) boxes.push_back(Box{r.x / 20.0, r.y / 20.0, r.x / 20.0, r.y / 20.0});
      continue;
    }
    if (boxes.empty()) boxes.push_back(Box{0, 0, 0, 0});
    if (r.type == Type::CurvedEdge) include(r.controlX, r.controlY);
    include(r.x, r.y);
  }
  return boxes;
}

}  // namespace albumtest
