// What the export tests share: a scratch folder, the `slidewright` command
// run as a user runs it, and inputs made on the spot (photo-like pictures,
// music with a recognisable pattern, albums made with `slidewright make`).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace exporttest {

// A folder of this test process, removed when it ends.
std::string scratch(const std::string& name = "");

struct Outcome {
  int status;  // the exit status, or 128 + the signal that ended it
  std::string out, err;
};

// Runs `slidewright ARGS...` with no input, capturing its output; `tmpdir`
// (if given) is its temporary folder.
Outcome run(const std::vector<std::string>& args, const std::string& tmpdir = "");

// Runs `slidewright ARGS...` with `tmpdir` as its temporary folder, output
// thrown away; once it catches `signal` and `ready` holds (each checked every
// 10 ms, for up to 30 s) sends it `signal`. Returns its exit status; -1 when the signal itself ended it,
// -2 when it was never ready.
int stopMidway(const std::vector<std::string>& args, const std::string& tmpdir,
               const std::function<bool()>& ready, int signal);

bool contains(const std::string& text, const std::string& part);
std::string slurp(const std::string& path);

// A photo-like picture as a JPEG: smooth shading and soft shapes in a hue of
// its own (neighbouring pictures differ clearly), fine texture, edges.
std::string writePicture(int k, int width, int height);

// Music as an MP3 (44.1 kHz mono): a run of quarter-second tones of
// changing pitch, loud from the first sample to the last, so that where it
// starts and ends and how it lines up can be measured.
std::string writeMusic(const std::string& name, double seconds);
// The same music at any rate and bit rate, as bytes. With `framesOnly` it has
// no leading tag frame and every run starts afresh, so that copies one after
// another decode as longer music.
std::vector<unsigned char> encodeMusic(double seconds, int rate, int kbps, bool framesOnly);

struct AlbumSpec {
  std::string name;
  int width = 320, height = 240;
  std::vector<int> transitions;  // one picture each
  std::string music;             // MP3 or empty
  bool loop = true;
  std::string background = "#203040";
};

// Writes a movie of `frames` empty frames of 160 x 120 at 12 a second whose
// first frame starts the MP3 `mp3` as its music; returns its path.
std::string writeMusicMovie(const std::string& name, const std::vector<unsigned char>& mp3, uint32_t frames);

// Makes the album with `slidewright make`; returns the movie's path.
std::string makeAlbum(const AlbumSpec& spec);

}  // namespace exporttest
