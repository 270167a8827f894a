// Making an album: every picture rendered onto the album canvas and encoded
// as JPEG, the music re-encoded, both handed as bytes to the album builder,
// the movie written in place. No temporary files are made. The command line
// and the Windows maker both make their movies through makeAlbum, so the
// same inputs give the same bytes from either.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "album/caption.h"
#include "album/motion.h"
#include "common/result.h"
#include "media/image.h"
#include "media/result.h"

namespace slidewright::maker {

using media::Rgb;

struct AlbumEntry {
  std::string path;                               // the picture file
  int transition = 0;                             // 0 to 12
  std::optional<int> holdSeconds = std::nullopt;  // its own hold (0: none); else the album's pauseSeconds
  Motion motion{};                                // zoom or pan while it is on screen; none by default
  std::string caption = std::string();            // UTF-8, a line or two shown while it is held; empty: none
};

struct AlbumSettings {
  std::vector<AlbumEntry> pictures;  // in album order
  int width = 640;                   // album size in pixels
  int height = 480;
  int pauseSeconds = 1;  // hold after each transition of a picture without its own
  Rgb background{255, 255, 255};
  std::string musicPath;         // empty: a silent album
  bool fitToMusic = false;       // choose pauseSeconds so the show lasts about as long as the music
  bool loop = true;              // false: the movie stops at its end
  int fadeOutSeconds = 0;        // the music fades to silence over the show's last seconds; 0: no fade
  bool skipBadPictures = false;  // leave out pictures that cannot be read instead of failing
  std::string outputPath;        // the movie; replaced only by a complete new one
  std::uint64_t seed = 0;        // picks the "auto" motions; the same seed, the same album
};

enum class MakeStage { Music, Pictures, Movie };

struct MakeProgress {
  MakeStage stage;
  std::uint64_t done;
  std::uint64_t total;
};

// Called on the caller's thread as the work advances: once or more while the
// music is re-encoded (bytes read of the music file), once before the first
// picture and once after every rendered picture, and at the start and end of
// writing the movie. Returning false cancels the make (the error's kind is
// then Cancelled and nothing is left behind).
using MakeProgressCallback = std::function<bool(const MakeProgress&)>;

enum class MakeErrorKind {
  Settings,   // the settings are incomplete or out of range (nothing was read or written)
  Picture,    // a picture cannot be used; `path` names it
  Music,      // the music cannot be used; `path` names it
  Output,     // the movie cannot be written at the output path; `path` names it
  Cancelled,  // the progress callback asked to stop
  Font,       // the pictures have captions but no font for them was found
};

// Why a make failed: a kind to act on and a message for the user that names
// the file concerned.
struct MakeError {
  MakeErrorKind kind = MakeErrorKind::Settings;
  std::string path;     // the file concerned, or empty
  std::string message;  // the whole text, beginning with the path when there is one
  // What is wrong with the picture or the music (kinds Picture and Music),
  // for a front that words the reason itself.
  media::ErrorKind cause = media::ErrorKind::Internal;
};

template <class T>
using MakeResult = common::Result<T, MakeError>;

struct SkippedPicture {
  std::string path;
  std::string reason;
};

// With fitToMusic, when no hold within the limits fits the music: the
// hold is then the nearest limit, and the caller should say so.
enum class MusicFit {
  Fitted,             // the show lasts about as long as the music (or nothing was fitted)
  MusicOutlastsShow,  // even at the longest hold the show ends long before the music
  ShowOutlastsMusic,  // even at the shortest hold the show goes on long after the music
};

struct MakeOutcome {
  int pictureCount = 0;  // pictures in the movie
  std::vector<SkippedPicture> skipped;
  MusicFit musicFit = MusicFit::Fitted;
  int pauseSeconds = 0;     // the hold used (chosen from the music with fitToMusic)
  double musicSeconds = 0;  // 0 without music
  std::uint64_t movieBytes = 0;
  std::uint32_t frameCount = 0;
};

// A colour written "#rrggbb" (the "#" may be left out), as the command line
// and album files give the background; nothing when it is not one.
std::optional<media::Rgb> parseColour(std::string text);

// Limits of the album settings, as the maker's window keeps them.
constexpr int kMinWidth = 100, kMaxWidth = 800;
constexpr int kMinHeight = 75, kMaxHeight = 600;
// The seconds per picture the window's arrows step through, and the range
// the hold chosen to fit the music keeps to.
constexpr int kMinPause = 1, kMaxPause = 60;
// Any hold from 0 (the next picture follows at once) up to what keeps the
// movie within the 65535 frames it can count is accepted; no album can hold
// a picture longer than this (65535 frames at 12 a second).
constexpr int kLongestPause = 65535 / 12;

// The longest fade-out: the longest a movie lasts (a longer one is the
// same as fading over the whole show).
constexpr int kLongestFadeOut = kLongestPause;

// The longest hold that keeps an album of pictures with these transitions
// within a movie's frame count; -1 when the pictures are too many even
// without a hold.
int longestPause(const std::vector<int>& transitions, int width, int height);

// The longest album hold (pauseSeconds) for the pictures without their own
// that keeps these pictures, each with its transition and any own hold,
// within a movie's frame count; at most kLongestPause; -1 when they are too
// many even without the album's hold.
int longestAlbumPause(const std::vector<AlbumEntry>& pictures, int width, int height);

// Frames the slide of a picture with this transition index takes, without
// its hold: the album builder's own count.
int slideFrameCount(int transition, int width, int height);

// Frames of the show of these pictures, each held for its own seconds or
// else pauseSeconds: the album builder's own count.
std::uint32_t showFrameCount(const std::vector<AlbumEntry>& pictures, int pauseSeconds, int width,
                             int height);

// The hold that makes the slides last about `seconds` in all (1 to 60).
int pauseForDuration(double seconds, const std::vector<int>& transitions, int width, int height);
// Whether that hold fits, or had to be kept within the limits.
MusicFit musicFitFor(double seconds, const std::vector<int>& transitions, int width, int height);

// What is wrong with the settings before anything is read (the checks
// makeAlbum starts with), or nothing.
std::optional<MakeError> checkAlbumSettings(const AlbumSettings& settings);

// Each picture's caption laid out in outlines at the album's caption size,
// none for a picture without one. The font is looked for only when some
// picture has a caption.
MakeResult<std::vector<std::optional<AlbumCaption>>> layoutCaptions(const std::vector<AlbumEntry>& pictures,
                                                                    int width, int height);

// Makes the album. Errors name the file they concern.
MakeResult<MakeOutcome> makeAlbum(const AlbumSettings& settings, const MakeProgressCallback& progress = {});

}  // namespace slidewright::maker
