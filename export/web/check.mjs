// Opens a web album as a viewer would: headless Chromium (driven by the
// player comparison's playwright-core) loads the page from a web server,
// screenshots of the stage are saved every 200 ms for ten seconds, the
// play/pause button is tried, and the page is opened again on a phone-sized
// screen. Fails when the page asks for anything outside its server, reports
// a script error, or does not fit the small screen.
//
//   node check.mjs URL OUTDIR WIDTH HEIGHT
import { createRequire } from "node:module";
import { mkdirSync, writeFileSync } from "node:fs";
import path from "node:path";
import { fileURLToPath } from "node:url";

const here = path.dirname(fileURLToPath(import.meta.url));
const require = createRequire(path.join(here, "..", "..", "player", "ruffle", "package.json"));
const { chromium } = require("playwright-core");

const [url, outDir, widthText, heightText] = process.argv.slice(2);
if (!url || !outDir || !widthText || !heightText) {
  console.error("usage: node check.mjs URL OUTDIR WIDTH HEIGHT");
  process.exit(2);
}
const width = Number(widthText);
const height = Number(heightText);
const origin = new URL(url).origin;
mkdirSync(outDir, { recursive: true });

const problems = [];
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || "/usr/bin/chromium",
  headless: true,
  args: ["--no-sandbox", "--disable-gpu", "--disable-background-networking", "--disable-component-update",
         "--disable-sync", "--no-first-run", "--disable-quic", "--autoplay-policy=no-user-gesture-required"],
});

function watch(tab, label) {
  tab.on("request", (r) => {
    if (!r.url().startsWith(origin) && !r.url().startsWith("data:") && !r.url().startsWith("blob:"))
      problems.push(`${label}: asked for ${r.url()}`);
  });
  tab.on("pageerror", (e) => problems.push(`${label}: page error: ${e.message}`));
  tab.on("response", (r) => { if (r.status() >= 400) problems.push(`${label}: ${r.status()} for ${r.url()}`); });
}

try {
  // A desktop window: the movie at its own size.
  const desk = await browser.newContext({ viewport: { width: 1280, height: 800 }, deviceScaleFactor: 1 });
  const tab = await desk.newPage();
  watch(tab, "desktop");
  const started = Date.now();
  await tab.goto(url);
  const stage = tab.locator("#stage");
  await stage.waitFor();
  // The stage's own pixels: its box may sit at a fraction of a pixel.
  const shootStage = async () => {
    const b = await stage.boundingBox();
    return tab.screenshot({ type: "png", clip: { x: Math.round(b.x), y: Math.round(b.y), width, height } });
  };
  while (Date.now() - started < 10000) {
    const at = Date.now() - started;
    const shot = await shootStage();
    writeFileSync(path.join(outDir, `shot-${String(at).padStart(5, "0")}.png`), shot);
    await tab.waitForTimeout(Math.max(0, 200 - (Date.now() - started - at)));
  }
  writeFileSync(path.join(outDir, "desktop.png"), await tab.screenshot({ type: "png" }));
  const box = await stage.boundingBox();
  if (Math.round(box.width) !== width || Math.round(box.height) !== height)
    problems.push(`desktop: the stage is ${box.width} x ${box.height}, not the movie's ${width} x ${height}`);

  // Play and pause.
  const playing = () => tab.evaluate(() => window.albumPlayer.ruffle().isPlaying);
  if (!(await playing())) problems.push("desktop: the album is not playing on its own");
  await tab.click("#toggle");
  await tab.waitForTimeout(300);
  if (await playing()) problems.push("desktop: the button did not pause the album");
  if ((await tab.textContent("#toggle")).trim() !== "Play") problems.push("desktop: the button does not offer Play");
  const pausedA = await shootStage();
  await tab.waitForTimeout(1000);
  const pausedB = await shootStage();
  if (!pausedA.equals(pausedB)) problems.push("desktop: the picture changed while paused");
  await tab.click("#toggle");
  await tab.waitForTimeout(300);
  if (!(await playing())) problems.push("desktop: the button did not resume the album");

  // A phone: the stage is scaled down to the screen, keeping its proportions.
  const phone = await browser.newContext({ viewport: { width: 360, height: 640 }, deviceScaleFactor: 2 });
  const small = await phone.newPage();
  watch(small, "phone");
  await small.goto(url);
  await small.waitForTimeout(2500);
  const smallBox = await small.locator("#stage").boundingBox();
  writeFileSync(path.join(outDir, "phone.png"), await small.screenshot({ type: "png" }));
  if (smallBox.width > 360 + 0.5 || smallBox.x < -0.5)
    problems.push(`phone: the stage (${smallBox.width} wide at ${smallBox.x}) does not fit the 360-pixel screen`);
  if (Math.abs(smallBox.width / smallBox.height - width / height) > 0.02)
    problems.push(`phone: the stage is ${smallBox.width} x ${smallBox.height}, not in the movie's proportions`);
  console.log(`phone: stage ${smallBox.width.toFixed(1)} x ${smallBox.height.toFixed(1)} CSS pixels`);
} finally {
  await browser.close();
}
for (const p of problems) console.error(p);
process.exit(problems.length ? 1 : 0);
