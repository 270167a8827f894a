// The page of a web album: index.html, filled in for one movie.
#pragma once

#include <string>

namespace slidewright::exports {

struct WebPage {
  std::string title;                                 // plain text
  std::string movieUrl;                              // relative, already percent-encoded
  int width = 0, height = 0;                         // the movie's size in pixels
  unsigned char red = 255, green = 255, blue = 255;  // its background colour
};

// The marker by which a folder is recognised as a web album.
extern const char* const kWebPageGenerator;

std::string renderWebPage(const WebPage& page);

}  // namespace slidewright::exports
