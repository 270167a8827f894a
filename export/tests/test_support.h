// What the export tests share: a scratch folder, the `slidewright` command
// run as a user runs it, and inputs made on the spot (photo-like pictures,
// music with a recognisable pattern, albums made with `slidewright make`).
#pragma once

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

bool contains(const std::string& text, const std::string& part);
std::string slurp(const std::string& path);

// A photo-like picture as a JPEG: smooth shading and soft shapes in a hue of
// its own (neighbouring pictures differ clearly), fine texture, edges.
std::string writePicture(int k, int width, int height);

// Music as an MP3 (44.1 kHz mono): a run of quarter-second tones of
// changing pitch, loud from the first sample to the last, so that where it
// starts and ends and how it lines up can be measured.
std::string writeMusic(const std::string& name, double seconds);

struct AlbumSpec {
  std::string name;
  int width = 320, height = 240;
  std::vector<int> transitions;  // one picture each
  std::string music;             // MP3 or empty
  bool loop = true;
  std::string background = "#203040";
};

// Makes the album with `slidewright make`; returns the movie's path.
std::string makeAlbum(const AlbumSpec& spec);

}  // namespace exporttest
