// Plays a parsed SWF movie: the display list by depth, frames driven by the
// header's frame rate, stop/play actions, looping, event sounds, and
// rendering of any frame into an RGBA image.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "player/render.h"
#include "player/sound.h"
#include "player/swf_parser.h"

namespace player {

struct DisplayObject {
  uint16_t characterId = 0;
  Matrix matrix;  // identity unless placed with one
  ColorMatrix color;
  uint16_t ratio = 0;
  uint16_t clipDepth = 0;
  std::string name;
  // Which placement this is: every object put on a depth gets a new number,
  // so that two display lists tell an object moved or changed from one
  // replaced by another of the same character.
  uint64_t placement = 0;
};

// The objects on stage by depth, drawn from the lowest depth up.
using DisplayList = std::map<uint16_t, DisplayObject>;

// What is on stage a fraction `t` (0 to 1) of the way from `from` to `to`:
// an object on the same depth in both, the same placement of the same
// character, has its matrix, colour transform and morph ratio interpolated;
// everything else is as in `from`.
DisplayList interpolateDisplayLists(const DisplayList& from, const DisplayList& to, double t);

class MoviePlayer {
 public:
  // `audio` is not owned and may be null (no sound); it must outlive the player.
  explicit MoviePlayer(Movie movie, AudioOutput* audio = nullptr);
  // Frames point into the movie's own tags: the player stays where it was made.
  MoviePlayer(const MoviePlayer&) = delete;
  MoviePlayer& operator=(const MoviePlayer&) = delete;

  static Parsed<std::unique_ptr<MoviePlayer>> open(const std::string& path, AudioOutput* audio = nullptr);

  const Header& header() const { return movie_.header; }
  const Movie& movie() const { return movie_; }
  size_t frameCount() const { return frames_.size(); }
  size_t currentFrame() const { return current_; }  // 0-based
  bool isPlaying() const { return playing_; }
  double framesPerSecond() const;
  int stageWidth() const;   // pixels
  int stageHeight() const;  // pixels

  // The movie's background colour, or the host's if one is set.
  Rgba backgroundColor() const;
  void setBackgroundOverride(std::optional<Rgba> color) { backgroundOverride_ = color; }

  void play();   // resume playing from the current frame
  void pause();  // hold the current frame; sounds pause too
  void stop();   // stop sounds and show the first frame, not playing
  // Shows frame n (0-based, clamped to the last frame); plays on if `andPlay`.
  void gotoFrame(size_t n, bool andPlay = false);
  // Moves to the next frame as playing does: after the last frame, loops to
  // the first. Runs that frame's actions and sounds.
  void nextFrame();
  // Advances by the frames that `seconds` of playing time cover (nothing while
  // paused or stopped); returns the number of frames advanced.
  int advanceTime(double seconds);

  const DisplayList& displayList() const { return displayList_; }

  // Maps stage twips onto a canvas of the given size: stretched to fill it,
  // or scaled uniformly and centred when `keepAspect`.
  Transform stageTransform(int width, int height, bool keepAspect = false) const;
  // Renders the current frame over the background colour.
  void render(Image& canvas, bool keepAspect = false);
  void render(Image& canvas, const Transform& stageToCanvas);
  // Renders `list` (e.g. one kept from an earlier frame, or one interpolated
  // between two) with this movie's characters over `background`.
  void render(Image& canvas, const Transform& stageToCanvas, const DisplayList& list, Rgba background);

  // Problems met while playing (undecodable pictures, sounds), each once.
  const std::vector<std::string>& warnings() const { return warnings_; }

 private:
  struct Character {
    enum class Kind { Shape, MorphShape, Bitmap, Sound } kind;
    const Tag* tag;
  };

  void runFrame(size_t index, bool withActionsAndSounds);
  void applyControlTag(const Tag& tag, bool withActionsAndSounds);
  void startSound(const StartSoundTag& s);
  std::shared_ptr<const Image> bitmap(uint16_t id);
  Paint resolveFill(const FillStyle& f, bool smooth);
  struct PreparedDraw {
    std::vector<FilledPath> paths;
    Transform toDevice;
    ColorMatrix color;
  };
  bool prepareObject(const DisplayObject& obj, const Transform& stageToCanvas, PreparedDraw* out);
  void warnOnce(const std::string& message);
  double clockSeconds() const { return clock_; }

  Movie movie_;
  AudioOutput* audio_;                           // not owned
  std::vector<std::vector<const Tag*>> frames_;  // control tags of each frame
  std::map<uint16_t, Character> characters_;
  DisplayList displayList_;
  uint64_t placements_ = 0;  // placements made so far, numbering each
  Rgba background_{255, 255, 255, 255};
  std::optional<Rgba> backgroundOverride_;
  size_t current_ = 0;
  bool playing_ = true;
  double pendingTime_ = 0;
  double clock_ = 0;  // seconds of movie time played, for sound lengths

  struct CachedBitmap {
    std::shared_ptr<const Image> image;  // null if it could not be decoded
    uint64_t lastUse = 0;
  };
  std::map<uint16_t, CachedBitmap> bitmaps_;
  uint64_t renderSerial_ = 0;
  std::vector<PreparedDraw> drawScratch_;

  struct SoundState {
    std::shared_ptr<const PcmSound> pcm;  // decoded whole, for most outputs
    std::shared_ptr<const Mp3Sound> mp3;  // or as it is, for one that decodes as it plays
    double seconds = 0;
    bool decoded = false;
    double endsAt = -1;  // movie clock when the last start ends
  };
  std::map<uint16_t, SoundState> sounds_;
  // Decodes the sound for the output, or hands it on as MP3 to an output
  // that decodes as it plays; a sound that cannot be played is told.
  void prepareSound(const DefineSoundTag& d, SoundState& st);
  std::vector<std::string> warnings_;
};

// Interpolates a morph shape's outline at ratio/65535 into ordinary records
// (style changes keep the start outline's styles).
std::vector<ShapeRecord> interpolateMorph(const DefineMorphShapeTag& morph, double t);
Matrix interpolateMatrix(const Matrix& a, const Matrix& b, double t);

}  // namespace player
