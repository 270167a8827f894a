// Human-readable listing of a movie: header, each tag with its fields,
// frames and characters. Used by `slidewright info`.
#pragma once

#include <cstdio>
#include <string>

#include "player/swf_parser.h"

namespace player {

struct DescribeOptions {
  bool records = false;  // list every shape record of shapes and morph shapes
  bool tags = true;      // list the tags (otherwise only the summary)
};

std::string describeMovie(const Movie& movie, const DescribeOptions& options = {});

// One-line description of a tag's fields, without its name.
std::string describeTag(const Tag& tag);

}  // namespace player
