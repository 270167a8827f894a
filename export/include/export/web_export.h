// A movie turned into a web folder that plays it in any current browser:
// index.html, the movie, and a self-hosted SWF player (Ruffle, copied from
// its npm package; nothing is fetched when the page is viewed). The page
// shows the movie at its own size over its background colour, scaled down to
// fit a small screen, with a play/pause button. Any static web server can
// serve the folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/error.h"

namespace slidewright::exports {

struct WebOptions {
  std::string moviePath;
  std::string outputFolder;
  // Folders to look for the player's files in (the npm package's folder,
  // holding ruffle.js), first match wins.
  std::vector<std::string> playerFolders;
  std::string title;  // empty: the movie's file name without its extension
};

struct WebOutcome {
  std::string indexPath;
  std::string movieFile;     // the movie's name inside the folder
  std::string playerFolder;  // where the player's files were copied from
  int width = 0, height = 0;
  uint64_t bytes = 0;  // of the whole folder
};

// The first of the folders that holds the player's files, or empty.
std::string findWebPlayer(const std::vector<std::string>& folders);

// True when the folder holds a web album written by exportWeb (which may
// replace it).
bool isWebAlbumFolder(const std::string& folder);

Result<WebOutcome> exportWeb(const WebOptions& options);

}  // namespace slidewright::exports
