// Plays each single-frame movie DIR/f<N>.swf listed in DIR/frames.txt in the
// independent player (self-hosted, in headless Chromium) and saves its
// picture as DIR/f<N>.other.png.
//
//   node capture.mjs DIR WIDTH HEIGHT
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { readFileSync, writeFileSync } from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";
import { chromium } from "playwright-core";

const [dir, widthText, heightText] = process.argv.slice(2);
if (!dir || !widthText || !heightText) {
  console.error("usage: node capture.mjs DIR WIDTH HEIGHT");
  process.exit(2);
}
const width = Number(widthText);
const height = Number(heightText);
const here = path.dirname(fileURLToPath(import.meta.url));
const ruffleDir = path.join(here, "node_modules", "@ruffle-rs", "ruffle");

const page = `<!doctype html>
<html><head><meta charset="utf-8">
<style>html,body{margin:0;padding:0;background:#000;overflow:hidden}
#stage{width:${width}px;height:${height}px}</style></head>
<body><div id="stage"></div>
<script>
  window.RufflePlayer = window.RufflePlayer || {};
  window.RufflePlayer.config = { publicPath: "/ruffle/", polyfills: false, logLevel: "error" };
</script>
<script src="/ruffle/ruffle.js"></script>
<script>
  window.loadMovie = async (url) => {
    const stage = document.getElementById("stage");
    stage.innerHTML = "";
    const player = window.RufflePlayer.newest().createPlayer();
    player.id = "player";
    player.style.width = "${width}px";
    player.style.height = "${height}px";
    player.style.display = "block";
    stage.appendChild(player);
    // Resolves once the movie's data is in, which the player signals with an event.
    window.movieLoaded = new Promise((resolve) =>
      player.addEventListener("loadeddata", () => resolve(true), { once: true }));
    await player.ruffle().load({
      url,
      autoplay: "on",
      unmuteOverlay: "hidden",
      splashScreen: false,
      letterbox: "off",
      contextMenu: "off",
      quality: "high",
    });
    return true;
  };
</script></body></html>`;

const types = { ".js": "text/javascript", ".wasm": "application/wasm", ".swf": "application/x-shockwave-flash",
                ".html": "text/html", ".map": "application/json" };

const server = createServer(async (req, res) => {
  try {
    const url = new URL(req.url, "http://127.0.0.1");
    let file;
    if (url.pathname === "/" || url.pathname === "/index.html") {
      res.writeHead(200, { "content-type": "text/html" });
      res.end(page);
      return;
    } else if (url.pathname.startsWith("/ruffle/")) {
      file = path.join(ruffleDir, path.basename(url.pathname));
    } else if (url.pathname.startsWith("/movies/")) {
      file = path.join(dir, path.basename(url.pathname));
    } else {
      res.writeHead(404);
      res.end();
      return;
    }
    const body = await readFile(file);
    res.writeHead(200, { "content-type": types[path.extname(file)] || "application/octet-stream" });
    res.end(body);
  } catch {
    res.writeHead(404);
    res.end();
  }
});
await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
const port = server.address().port;

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--no-first-run", "--disable-quic", "--autoplay-policy=no-user-gesture-required"],
});
let failed = 0;
try {
  const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: 1 });
  const tab = await context.newPage();
  tab.on("pageerror", (e) => console.error("page error:", e.message));
  await tab.goto(`http://127.0.0.1:${port}/`);
  const frames = readFileSync(path.join(dir, "frames.txt"), "utf8").split("\n").filter(Boolean);
  for (const line of frames) {
    const n = line.split(" ")[0];
    await tab.evaluate((url) => window.loadMovie(url), `/movies/f${n}.swf`);
    const loaded = await tab.evaluate(() => Promise.race([
      window.movieLoaded, new Promise((resolve) => setTimeout(() => resolve(false), 30000))]));
    if (!loaded) {
      console.error(`frame ${n}: the movie did not load`);
      ++failed;
      continue;
    }
    // The movie has one frame and stops there; wait until the player has
    // drawn it and the picture stays the same over three screenshots.
    let previous = null;
    let shot = null;
    let same = 0;
    for (let attempt = 0; attempt < 60 && same < 2; ++attempt) {
      await tab.waitForTimeout(attempt === 0 ? 300 : 150);
      shot = await tab.locator("#stage").screenshot({ type: "png" });
      same = previous && shot.equals(previous) ? same + 1 : 0;
      previous = shot;
    }
    if (same < 2) {
      console.error(`frame ${n}: the picture did not settle`);
      ++failed;
      continue;
    }
    if (!shot) {
      console.error(`frame ${n}: no picture`);
      ++failed;
      continue;
    }
    writeFileSync(path.join(dir, `f${n}.other.png`), shot);
  }
} finally {
  await browser.close();
  server.close();
}
process.exit(failed ? 1 : 0);
