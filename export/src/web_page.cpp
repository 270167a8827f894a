#include "web_page.h"

#include <cstdio>

namespace slidewright::exports {

const char* const kWebPageGenerator = "<meta name=\"generator\" content=\"slidewright web\">";

namespace {

std::string escapeHtml(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += "&#39;";
        break;
      default:
        out += c;
    }
  }
  return out;
}

void replaceAll(std::string& text, const std::string& key, const std::string& value) {
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + value.size()))
    text.replace(at, key.size(), value);
}

// The page. The stage keeps the movie's proportions and is never wider than
// the movie, the window, or what the window's height leaves room for. The
// player starts at once; browsers that hold back sound until the viewer
// acts get the player's own "click to unmute" sign. Opened straight from a
// file, the page says how to serve it instead, since browsers refuse to
// load the player's code from a file.
const char kPage[] = R"PAGE(<!doctype html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
@GENERATOR@
<title>@TITLE@</title>
<style>
  html, body { margin: 0; padding: 0; }
  body {
    min-height: 100vh; display: flex; flex-direction: column; align-items: center; justify-content: center;
    gap: 10px; background: @BACKGROUND@; color: @FOREGROUND@;
    font: 15px/1.4 system-ui, -apple-system, "Segoe UI", sans-serif;
  }
  #stage {
    width: min(@WIDTH@px, 100vw, calc((100vh - 60px) * @WIDTH@ / @HEIGHT@));
    aspect-ratio: @WIDTH@ / @HEIGHT@; background: @BACKGROUND@;
  }
  #stage > * { display: block; width: 100%; height: 100%; }
  #controls { display: flex; gap: 12px; align-items: center; }
  button {
    font: inherit; min-width: 6.5em; padding: 6px 14px; border-radius: 6px; cursor: pointer;
    color: inherit; background: transparent; border: 1px solid currentColor;
  }
  button:disabled { opacity: 0.5; cursor: default; }
  #notice { max-width: 34em; padding: 0 16px; text-align: center; }
  [hidden] { display: none !important; }
</style>
</head>
<body>
<div id="stage" role="img" aria-label="@TITLE@"></div>
<div id="controls"><button id="toggle" type="button" disabled>Pause</button></div>
<p id="notice" hidden></p>
<noscript><p>This album plays with JavaScript; please allow it for this page.</p></noscript>
<script>
  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = { publicPath: "ruffle/", polyfills: false, allowScriptAccess: false };
</script>
<script src="ruffle/ruffle.js"></script>
<script>
(function () {
  var movie = "@MOVIE@";
  var stage = document.getElementById("stage");
  var toggle = document.getElementById("toggle");
  var notice = document.getElementById("notice");
  function say(text) {
    notice.textContent = text;
    notice.hidden = false;
    stage.hidden = true;
    document.getElementById("controls").hidden = true;
  }
  if (location.protocol === "file:") {
    say("Browsers do not play this album from a file. Serve the folder with a web server, " +
        "for example 'python3 -m http.server' in the folder, and open http://localhost:8000/.");
    return;
  }
  if (!window.RufflePlayer.newest) { say("The player's files (ruffle/) are missing from this folder."); return; }
  var player = window.RufflePlayer.newest().createPlayer();
  stage.appendChild(player);
  window.albumPlayer = player;
  var api = player.ruffle();
  function showState() { toggle.textContent = api.isPlaying ? "Pause" : "Play"; }
  toggle.addEventListener("click", function () {
    if (api.isPlaying) api.suspend(); else api.resume();
    showState();
  });
  player.addEventListener("loadedmetadata", function () { toggle.disabled = false; showState(); });
  setInterval(showState, 500);
  api.load({
    url: movie, autoplay: "on", unmuteOverlay: "visible", splashScreen: false, contextMenu: "on",
    letterbox: "on", backgroundColor: "@BACKGROUND@", quality: "high"
  }).catch(function (e) { say("The album could not be played: " + e); });
})();
</script>
</body>
</html>
)PAGE";

}  // namespace

std::string renderWebPage(const WebPage& p) {
  char background[8];
  std::snprintf(background, sizeof background, "#%02x%02x%02x", p.red, p.green, p.blue);
  // Text and button in black or white, whichever stands out from the background.
  const double luminance = 0.2126 * p.red + 0.7152 * p.green + 0.0722 * p.blue;
  std::string page = kPage;
  replaceAll(page, "@GENERATOR@", kWebPageGenerator);
  replaceAll(page, "@TITLE@", escapeHtml(p.title));
  replaceAll(page, "@BACKGROUND@", background);
  replaceAll(page, "@FOREGROUND@", luminance > 140 ? "#111" : "#eee");
  replaceAll(page, "@WIDTH@", std::to_string(p.width));
  replaceAll(page, "@HEIGHT@", std::to_string(p.height));
  replaceAll(page, "@MOVIE@", p.movieUrl);
  return page;
}

}  // namespace slidewright::exports
