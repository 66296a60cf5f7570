// The web build in headless Chromium, played as a visitor would: the main
// menu appears, a new game starts (and with it the audio), Escape saves,
// a reload loads the same floor, the tab idles quietly, the options put the
// page full screen and back, and Quit ends it. Then on an emulated phone,
// by touch alone, and offline after that first visit.
// Screens are read back from the canvas with the game's own font.
import { createRequire } from 'node:module';
import { cpSync, mkdtempSync, mkdirSync, readFileSync, rmSync, statSync, readdirSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { loadSheet, Screen, EGA } from './glyphs.mjs';
import { serve } from './server.mjs';

const env = process.env;
const WEB_DIR = env.VLO_WEB_DIR;
const CHROMIUM = env.VLO_CHROMIUM || '/usr/bin/chromium';
const SHOT_DIR = env.VLO_SHOT_DIR || '.';
const MENU = ['New Game', 'Load Game', 'Options', 'Help', 'Quit'];
const ENDED = 'The game has ended. Reload the page to play again.';
const IDLE_SECONDS = 10;

class Failure extends Error {}
const fail = (message, screen) => {
  throw new Failure(screen ? `${message}\nScreen as glyphs:\n${screen.dump()}` : message);
};
const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

const sheet = loadSheet(env.VLO_FONT);

// The canvas's pixels through its 2D context, with the page's clock (ms
// since navigation start) at the moment they were read.
async function grab(page) {
  const shot = await page.evaluate(() => {
    // Asking for a context before the game has made its own would choose
    // the canvas's kind for it.
    if (!window.Module || !window.Module.calledRun) return { at: performance.now(), problem: 'the game has not started' };
    const canvas = document.getElementById('canvas');
    const context = canvas && canvas.getContext('2d');
    if (!context || canvas.width !== 640 || canvas.height !== 400) {
      return { at: performance.now(), problem: canvas ? `canvas ${canvas.width} x ${canvas.height}, 2D context ${!!context}` : 'no #canvas' };
    }
    const bytes = context.getImageData(0, 0, 640, 400).data;
    let binary = '';
    for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return { at: performance.now(), pixels: btoa(binary) };
  });
  if (shot.problem) return { at: shot.at, problem: shot.problem, screen: null };
  return { at: shot.at, screen: new Screen(sheet, Buffer.from(shot.pixels, 'base64')) };
}

async function waitFor(page, what, test, timeoutMs = 8000) {
  const deadline = Date.now() + timeoutMs;
  let last = null;
  for (;;) {
    last = await grab(page);
    if (last.screen && test(last.screen)) return last;
    if (Date.now() > deadline) {
      const seen = last.problem || (last.screen && menuSeen(last.screen));
      fail(`timed out after ${timeoutMs} ms waiting for ${what}${seen ? ` (${seen})` : ''}`, last.screen);
    }
    await sleep(50);
  }
}

// The menu's lines off the 8-pixel grid do not show in a dump: name them.
const menuSeen = (s) => {
  const lines = MENU.map((entry) => (s.find(`> ${entry} <`, EGA.Cyan) ? `"> ${entry} <"` : s.find(entry, EGA.White) ? `"${entry}"` : ''));
  return lines.some((l) => l !== '') ? `menu lines seen: ${lines.filter((l) => l !== '').join(', ')}` : '';
};
const menuShown = (selected) => (s) =>
  !!s.find(`> ${MENU[selected]} <`, EGA.Cyan) && !!s.find(' Version 0.3 ', EGA.Black)
  && MENU.every((entry, i) => i === selected || !!s.find(entry, EGA.White));

// The player's '@' drawn exactly once on the map.
function player(s) {
  const found = [];
  for (let row = 0; row < 40; ++row) {
    for (let col = 0; col < 80; ++col) {
      const g = s.cell(col, row);
      if (g.code === 64 && g.ink === EGA.LightGreen) found.push([col, row]);
    }
  }
  return found.length === 1 ? found[0] : null;
}

// A floor: the player, the panel's corners and junctions in White and
// "Floor #" in LightGray.
const frame = [[0, 40, 201], [79, 40, 187], [0, 42, 204], [21, 42, 203], [79, 42, 185], [0, 49, 200], [21, 49, 202], [79, 49, 188]];
const floorShown = (s) => player(s) !== null && s.find('Floor #', EGA.LightGray)?.y === 360
  && frame.every(([col, row, code]) => s.cell(col, row).code === code && s.cell(col, row).ink === EGA.White);

// What a save keeps, cell by cell: the map and the panel's left box (HP bar,
// floor), not the mouse-look line nor the log.
function kept(s) {
  const cells = [];
  for (let row = 0; row < 50; ++row) {
    for (let col = 0; col < 80; ++col) {
      if (row === 41 || (row >= 43 && row <= 48 && col > 21)) continue;
      const g = s.cell(col, row);
      cells.push({ col, row, key: `${g.code}/${g.ink}/${g.paper}` });
    }
  }
  return cells;
}

async function press(page, ...keys) {
  for (const key of keys) await page.keyboard.press(key);
}

async function audioState(page) {
  return page.evaluate(() => window.Module?.SDL2?.audioContext?.state ?? null);
}

// Waits for the game's audio context to run; when it does not, asks whether
// this browser can run audio at all before calling it a fault.
async function checkAudio(page) {
  let state = null;
  for (let i = 0; i < 40 && state !== 'running'; ++i, await sleep(50)) state = await audioState(page);
  if (state === 'running') return 'running after the first key';
  if (state === null) fail('Module.SDL2.audioContext does not exist after the first key: audio never opened');
  const probe = await page.evaluate(async () => {
    const context = new AudioContext();
    await Promise.race([context.resume(), new Promise((done) => setTimeout(done, 1000))]);
    const s = context.state;
    await context.close();
    return s;
  });
  if (probe !== 'running') return `not checked: headless Chromium cannot run audio here (a fresh context stays '${probe}')`;
  fail(`the game's audio context is '${state}' after the first key, while a fresh context runs`);
}

// The tab's main-thread busy time and the renderer process's CPU time over
// IDLE_SECONDS of no input, each as % of one core.
async function idleCpu(page, browserSession) {
  const session = await page.target().createCDPSession();
  await session.send('Performance.enable');
  const taskSeconds = async () => (await session.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const rendererSeconds = async () => {
    const info = await browserSession.send('SystemInfo.getProcessInfo').catch(() => null);
    return info ? info.processInfo.filter((p) => p.type === 'renderer').reduce((sum, p) => sum + p.cpuTime, 0) : NaN;
  };
  const start = [Date.now(), await taskSeconds(), await rendererSeconds()];
  await sleep(IDLE_SECONDS * 1000);
  const end = [Date.now(), await taskSeconds(), await rendererSeconds()];
  const wall = (end[0] - start[0]) / 1000;
  await session.detach();
  return { main: (100 * (end[1] - start[1])) / wall, renderer: (100 * (end[2] - start[2])) / wall };
}

function pageWeight() {
  const parts = readdirSync(WEB_DIR).filter((f) => /\.(wasm|data|js)$/.test(f));
  const kib = (bytes) => `${(bytes / 1024).toFixed(0)} KiB`;
  const music = readdirSync(join(WEB_DIR, 'music')).reduce((sum, f) => sum + statSync(join(WEB_DIR, 'music', f)).size, 0);
  return [...parts.map((f) => `${f} ${kib(statSync(join(WEB_DIR, f)).size)}`), `music/ ${kib(music)}`].join(', ');
}

// ---- The page's start: the first frame and the bytes before it ----

// Notes the page's clock at every picture the game puts on its canvas, so
// that the first frame is timed when it was drawn, not when a poll saw it.
function notePictures() {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  window.vloPictures = [];
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    if (this.canvas.id === 'canvas') window.vloPictures.push(performance.now());
    return put.apply(this, args);
  };
}

// One visit: ms from navigation start to the picture that made the main menu
// readable, and the bytes (as sent, headers included) of every response that
// had begun to arrive by then, the page itself included.
async function visit(page, url) {
  await page.goto(url, { waitUntil: 'domcontentloaded' });
  const menu = await waitFor(page, 'the main menu on a visit', menuShown(0), 30000);
  return page.evaluate((seen) => {
    const drawn = window.vloPictures.filter((t) => t <= seen);
    const at = drawn.length > 0 ? drawn[drawn.length - 1] : seen;
    const early = [...performance.getEntriesByType('navigation'), ...performance.getEntriesByType('resource')]
      .filter((e) => e.responseStart > 0 && e.responseStart <= at);
    return { at, bytes: early.reduce((sum, e) => sum + e.transferSize, 0), music: early.map((e) => e.name).filter((n) => n.includes('/music/')) };
  }, menu.at);
}

// The loudest sample the game's audio callback put out over about two
// seconds, or null where the audio does not run.
async function musicPeak(page) {
  let peak = null;
  for (let i = 0; i < 40; ++i, await sleep(50)) {
    const p = await page.evaluate(() => {
      const out = window.Module?.SDL2?.audioContext?.state === 'running' && window.Module.SDL2.audio?.currentOutputBuffer;
      return out ? out.getChannelData(0).reduce((m, x) => Math.max(m, Math.abs(x)), 0) : null;
    });
    if (p !== null) peak = Math.max(peak ?? 0, p);
  }
  return peak;
}

const musicFailures = (lines) => lines.filter((l) => /^Failed to (load|play) music!/.test(l));

// The music comes after the first frame; one file of it arrives damaged here.
// The game says so in one line and plays on, without music.
async function damagedMusic(browser, url) {
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    const warnings = [];
    page.on('console', (m) => m.type() === 'warn' && warnings.push(m.text()));
    await page.setRequestInterception(true);
    page.on('request', (r) => (r.url().endsWith('/music/calm3.ogg') ? r.respond({ status: 200, body: 'OggS and no more' }) : r.continue()));
    await page.goto(url, { waitUntil: 'domcontentloaded' });
    await waitFor(page, 'the main menu with damaged music', menuShown(0), 30000);
    await press(page, 'Enter');
    await waitFor(page, 'a floor after New Game with damaged music', floorShown);
    const peak = await musicPeak(page);
    const failures = musicFailures(warnings);
    if (failures.length !== 1 || !failures[0].startsWith('Failed to load music!')) {
      fail(`with calm3.ogg damaged, want one "Failed to load music!" line, got:\n  ${warnings.join('\n  ')}`);
    }
    if (peak) fail(`with calm3.ogg damaged the music is muted, yet the audio peaks at ${peak}`);
    return failures[0];
  } finally {
    await context.close();
  }
}

// A first visit (a fresh profile: empty cache and storage), then a repeat
// visit in the same profile once the first has settled.
async function startFigures(browser, url) {
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    await page.setViewport({ width: 1320, height: 980 });
    await page.evaluateOnNewDocument(notePictures);
    const first = await visit(page, url);
    if (first.music.length > 0) fail(`music downloaded before the first frame: ${first.music.join(', ')}`);
    await sleep(3000);
    const repeat = await visit(page, url);
    return { first, repeat };
  } finally {
    await context.close();
  }
}

// The files below `dir`, as paths relative to it.
function filesBelow(dir, prefix = '') {
  return readdirSync(join(dir, prefix), { withFileTypes: true }).flatMap((entry) => (entry.isDirectory()
    ? filesBelow(dir, `${prefix}${entry.name}/`) : [`${prefix}${entry.name}`]));
}

async function play(browser, url) {
  const page = await browser.newPage();
  // Room for the page's whole-factor scaling to show the picture at 2x.
  await page.setViewport({ width: 1320, height: 980 });
  const browserSession = await browser.target().createCDPSession();
  const problems = [];
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  page.on('console', (m) => m.type() === 'error' && problems.push(`console: ${m.text()}`));
  const warnings = [];
  page.on('console', (m) => m.type() === 'warn' && warnings.push(m.text()));
  const result = {};
  try {
    // 1. The main menu, timed from navigation start.
    await page.goto(url, { waitUntil: 'domcontentloaded' });
    const menu = await waitFor(page, 'the main menu with "New Game" highlighted', menuShown(0), 30000);
    result.firstFrame = menu.at;
    console.log(`main menu readable ${menu.at.toFixed(0)} ms after navigation start`);
    checkLayout(await layoutOf(page), 'desktop');
    await page.screenshot({ path: join(SHOT_DIR, 'web-main-menu.png'), fullPage: true });

    // 2. A new game; the key that starts it also starts the audio.
    await press(page, 'Enter');
    const floor = (await waitFor(page, 'a floor after New Game', floorShown)).screen;
    console.log('new game: a floor with its status panel');
    result.audio = await checkAudio(page);
    console.log(`audio: ${result.audio}`);
    // The music, downloaded after the first frame, is heard.
    const peak = await musicPeak(page);
    if (musicFailures(warnings).length > 0) fail(`the music failed:\n  ${musicFailures(warnings).join('\n  ')}`);
    if (peak === 0) fail('the audio runs, yet the music is silent');
    console.log(`music: ${peak === null ? 'not checked (no audio here)' : `heard (peak ${peak.toFixed(2)})`}`);
    await page.screenshot({ path: join(SHOT_DIR, 'web-floor.png'), fullPage: true });

    // 3. Escape saves; after a reload Load Game shows the same floor.
    const before = kept((await grab(page)).screen);
    await press(page, 'Escape');
    await waitFor(page, 'the main menu after Escape', menuShown(0));
    await page.reload({ waitUntil: 'domcontentloaded' });
    await waitFor(page, 'the main menu after reloading', menuShown(0), 30000);
    await press(page, 'ArrowDown');
    await waitFor(page, '"Load Game" highlighted', menuShown(1));
    await press(page, 'Enter');
    const loaded = (await waitFor(page, 'the saved floor after Load Game', floorShown)).screen;
    const after = kept(loaded);
    const differ = before.map((c, i) => c.key === after[i].key ? '' : `(${c.col},${c.row}) ${c.key} -> ${after[i].key}`)
      .filter((line) => line !== '');
    if (differ.length > 0) {
      fail(`${differ.length} cells differ between the floor saved and the floor loaded (code/ink/paper):\n  `
        + `${differ.slice(0, 20).join('\n  ')}\nSaved floor as glyphs:\n${floor.dump()}\nLoaded floor:`, loaded);
    }

    console.log('the saved floor came back after a reload and Load Game');

    // 4. Idle on the floor.
    result.cpu = await idleCpu(page, browserSession);

    // Back to the main menu.
    // After a loaded game the highlight stays on "Load Game".
    await press(page, 'Escape');
    await waitFor(page, 'the main menu after the second Escape', menuShown(1));
    await press(page, 'ArrowDown');
    await waitFor(page, '"Options" highlighted', menuShown(2));

    // 5. The options' "Fullscreen" puts the page full screen and back, and
    // says so; discarding leaves the menu.
    await press(page, 'Enter', ...Array(9).fill('ArrowDown'));
    const fullscreenIs = async (shown) => {
      const on = shown === 'Yes';
      await waitFor(page, `"> Fullscreen: ${shown} <"`, (s) => !!s.find(`> Fullscreen: ${shown} <`, EGA.Cyan));
      const canvasFull = await page.evaluate(() => !!document.fullscreenElement?.contains(document.getElementById('canvas')));
      if (canvasFull !== on) fail(`the options say "Fullscreen: ${shown}" while the canvas is ${canvasFull ? '' : 'not '}full screen`);
    };
    await fullscreenIs('No');
    await press(page, 'Enter');
    await fullscreenIs('Yes');
    await press(page, 'Enter');
    await fullscreenIs('No');
    await press(page, ...Array(5).fill('ArrowDown'), 'Enter');
    await waitFor(page, 'the main menu after "Discard Changes"', menuShown(2));

    // 6. Quit ends the game.
    for (let i = 3; i < MENU.length; ++i) {
      await press(page, 'ArrowDown');
      await waitFor(page, `"${MENU[i]}" highlighted`, menuShown(i));
    }
    await press(page, 'Enter');
    let status = '';
    for (let i = 0; i < 100 && status !== ENDED; ++i, await sleep(50)) {
      status = await page.$eval('#status', (e) => e.textContent.trim());
    }
    if (status !== ENDED) fail(`after Quit #status says "${status}", want "${ENDED}"`, (await grab(page)).screen);
    return result;
  } catch (e) {
    if (problems.length > 0) e.message += `\nThe page reported:\n  ${problems.slice(0, 10).join('\n  ')}`;
    throw e;
  }
}

// ---- on a phone, by touch, then offline ----------------------------------------

const PHONE = { width: 390, height: 844, isMobile: true, hasTouch: true, deviceScaleFactor: 3 };
const PHONE_AGENT = 'Mozilla/5.0 (Linux; Android 13; Pixel 7) AppleWebKit/537.36 (KHTML, like Gecko) '
  + 'Chrome/120.0 Mobile Safari/537.36';
const BUTTON = { up: 0, down: 1, left: 2, right: 3, use: 8, confirm: 9 };

async function layoutOf(page) {
  return page.evaluate(() => {
    const box = (selector) => {
      const r = document.querySelector(selector).getBoundingClientRect();
      return { x: r.x, y: r.y, w: r.width, h: r.height };
    };
    return { view: { w: innerWidth, h: innerHeight }, canvas: box('#canvas'), pad: box('#pad'),
      actions: box('#actions'), legendShown: !document.getElementById('legend').hidden };
  });
}

// The picture whole on the screen and as large as the kind of screen wants;
// on a touch screen the controls beside it, on the screen, covering none of it.
function checkLayout(l, kind) {
  const within = (b) => b.x >= -0.5 && b.y >= -0.5 && b.x + b.w <= l.view.w + 0.5 && b.y + b.h <= l.view.h + 0.5;
  const apart = (a, b) => a.x + a.w <= b.x + 0.5 || b.x + b.w <= a.x + 0.5 || a.y + a.h <= b.y + 0.5 || b.y + b.h <= a.y + 0.5;
  const c = l.canvas;
  const problems = [];
  if (!within(c)) problems.push('the picture leaves the screen');
  if (Math.abs(c.w * 400 - c.h * 640) > 640 * 3) problems.push('the picture lost its shape');
  if (l.legendShown) problems.push('the controls legend is unfolded');
  const touch = kind !== 'desktop';
  for (const [name, b] of [['pad', l.pad], ['buttons', l.actions]]) {
    if (touch && !(b.w > 0 && within(b) && apart(b, c))) problems.push(`the ${name} are not beside the picture on the screen`);
    if (!touch && b.w > 0) problems.push(`the ${name} show without a touch screen`);
  }
  // Portrait: the screen's width; landscape: most of its height; the
  // desktop window of the test: twice the picture's size.
  const large = kind === 'portrait' ? c.w >= 0.97 * l.view.w : kind === 'landscape' ? c.h >= 0.85 * l.view.h
    : c.w === 1280 && c.h === 800;
  if (!large) problems.push('the picture is smaller than the screen allows');
  if (problems.length > 0) fail(`${kind} layout: ${problems.join('; ')}\n${JSON.stringify(l)}`);
  console.log(`${kind} layout: picture ${c.w.toFixed(0)} x ${c.h.toFixed(0)} in ${l.view.w} x ${l.view.h}`);
}

async function tapPicture(page, px, py) {
  const c = (await layoutOf(page)).canvas;
  await page.touchscreen.tap(c.x + ((px + 0.5) * c.w) / 640, c.y + ((py + 0.5) * c.h) / 400);
}

async function tapButton(page, selector) {
  const b = await (await page.$(selector)).boundingBox();
  await page.touchscreen.tap(b.x + b.width / 2, b.y + b.height / 2);
}
const tapGameButton = (page, number) => tapButton(page, `[data-button="${number}"]`);

// A save's cells as `kept` takes them, but for the look cursor's red block,
// which follows the last tap.
const keptUnderCursor = (s) => kept(s).filter(({ col, row }) => {
  const g = s.cell(col, row);
  return g.code >= 0 && g.ink !== EGA.Red && g.paper !== EGA.Red;
});

// A new build on the host (here: a marked page under a new worker version)
// is stored at the next visit online, which says so, and is what starts
// offline after that.
async function newBuildReplacesTheOld(page, siteDir) {
  const worker = readFileSync(join(siteDir, 'sw.js'), 'utf8');
  const version = /const VERSION = '([0-9a-f]+)';/.exec(worker)?.[1];
  if (!version) fail('sw.js names no version');
  writeFileSync(join(siteDir, 'sw.js'), worker.replace(version, `${version}2`));
  writeFileSync(join(siteDir, 'index.html'), readFileSync(join(siteDir, 'index.html'), 'utf8')
    .replace('<head>', '<head><meta name="vlo-build" content="2">'));
  await page.reload({ waitUntil: 'domcontentloaded' });
  await waitFor(page, 'the main menu on the visit after a new build', menuShown(0), 30000);
  const NEW = 'A new version is stored; it starts the next time this page is opened.';
  let seen = {};
  for (let i = 0; i < 200 && !(seen.status === NEW && `${seen.names}` === `velvet-lockout-${version}2`); ++i, await sleep(50)) {
    seen = await page.evaluate(async () => ({ status: document.getElementById('status').textContent,
      names: (await caches.keys()).filter((n) => n.startsWith('velvet-lockout-')) }));
  }
  if (seen.status !== NEW || `${seen.names}` !== `velvet-lockout-${version}2`) {
    fail(`after a new build the page says "${seen.status}" and the stores are ${seen.names}; want "${NEW}" and only velvet-lockout-${version}2`);
  }
  if (await page.$('meta[name="vlo-build"]')) fail('the new build ran at the visit that found it');
  await page.setOfflineMode(true);
  await page.reload({ waitUntil: 'domcontentloaded' });
  await waitFor(page, 'the main menu offline after the new build', menuShown(0), 30000);
  if (!(await page.$('meta[name="vlo-build"]'))) fail('offline, the page is still the old build');
  await page.setOfflineMode(false);
  console.log('phone: a new build was stored at the next visit online and started offline after it');
}

async function playOnPhone(browser, url, server, siteDir) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  const problems = [];
  page.on('pageerror', (e) => problems.push(`page error: ${e.message}`));
  try {
    await page.emulate({ viewport: PHONE, userAgent: PHONE_AGENT });
    await page.goto(url, { waitUntil: 'domcontentloaded' });
    const menu = (await waitFor(page, 'the main menu on the phone', menuShown(0), 30000)).screen;
    checkLayout(await layoutOf(page), 'portrait');

    // New Game by tapping its line.
    const line = menu.find('> New Game <', EGA.Cyan);
    await tapPicture(page, line.x + 40, line.y + 4);
    let screen = (await waitFor(page, 'a floor after tapping "New Game"', floorShown)).screen;

    // A step with the pad: the first direction not into a wall.
    const start = player(screen);
    for (const direction of ['right', 'left', 'down', 'up']) {
      await tapGameButton(page, BUTTON[direction]);
      const moved = await waitFor(page, 'a step', (s) => floorShown(s) && `${player(s)}` !== `${start}`, 1500)
        .catch((e) => (e instanceof Failure ? null : Promise.reject(e)));
      if (moved) {
        console.log(`phone: the pad's ${direction} moved the player from ${start} to ${player(moved.screen)}`);
        break;
      }
      if (direction === 'up') fail('no button of the pad moved the player', (await grab(page)).screen);
    }
    // A tap on the picture puts the look cursor (a red block) there.
    await tapPicture(page, 203, 101);
    const cursorAt = (s) => [...Array(64).keys()].every((b) => s.colours[(101 + (b >> 3)) * 640 + 203 + (b & 7)] === EGA.Red);
    await waitFor(page, 'the look cursor where the picture was tapped', cursorAt);
    await page.screenshot({ path: join(SHOT_DIR, 'web-phone-portrait.png') });

    // The inventory by touch: "Use" opens it, a tap on the baton's line takes
    // the baton off; opened again, the pad lights the baton and OK puts it
    // back on; opened a third time, "Back" closes it.
    await tapGameButton(page, BUTTON.use);
    screen = (await waitFor(page, 'the inventory after "Use"', (s) => !!s.find('(A) BATON (EQUIPPED)', EGA.White))).screen;
    const baton = screen.find('(A) BATON (EQUIPPED)', EGA.White);
    await tapPicture(page, baton.x + 20, baton.y + 4);
    await waitFor(page, 'the baton taken off by tapping its line', (s) => floorShown(s) && !!s.find('YOU DEQUIPPED THE BATON'));
    await tapGameButton(page, BUTTON.use);
    await waitFor(page, 'the inventory again', (s) => !!s.find('(A) BATON', EGA.White) && !s.find('(EQUIPPED)'));
    await tapGameButton(page, BUTTON.down);
    await waitFor(page, 'the baton lit by the pad', (s) => !!s.find('(A) BATON', EGA.Cyan));
    await tapButton(page, '#actions .dialog[data-button="9"]');
    await waitFor(page, 'the baton put on with OK', (s) => floorShown(s) && !!s.find('YOU EQUIPPED THE BATON'));
    await tapGameButton(page, BUTTON.use);
    await waitFor(page, 'the inventory a third time', (s) => !!s.find('(A) BATON (EQUIPPED)', EGA.White));
    await tapButton(page, '#actions .dialog[data-button="10"]');
    screen = (await waitFor(page, 'the inventory closed by "Back"', (s) => floorShown(s) && !s.find('(A) BATON', EGA.White))).screen;
    console.log('phone: New Game tapped, a step on the pad, the look cursor tapped, the inventory used and closed by touch');

    // "Save & leave"; the page is kept for offline play by then.
    const before = keptUnderCursor(screen);
    await tapButton(page, '#actions :not(.dialog)[data-button="10"]');
    await waitFor(page, 'the main menu after "Save & leave"', menuShown(0));
    const stored = await page.evaluate(async () => {
      await navigator.serviceWorker.ready;
      for (let i = 0; i < 100 && !navigator.serviceWorker.controller; ++i) await new Promise((done) => setTimeout(done, 50));
      const names = (await caches.keys()).filter((n) => n.startsWith('velvet-lockout-'));
      const files = names.length === 1 ? (await (await caches.open(names[0])).keys()).map((r) => new URL(r.url).pathname) : [];
      return { controlled: !!navigator.serviceWorker.controller, names, files };
    });
    const wanted = filesBelow(WEB_DIR).filter((f) => f !== 'sw.js').map((f) => `/${f}`).sort();
    if (!stored.controlled || `${stored.files.sort()}` !== `${wanted}`) {
      fail(`the service worker keeps ${JSON.stringify(stored)}, want every file of the page: ${wanted.join(', ')}`);
    }
    // Installable: every icon the manifest names is kept and is a PNG of the
    // size it claims (the width and height of its IHDR chunk).
    const manifest = JSON.parse(readFileSync(`${WEB_DIR}/manifest.webmanifest`, 'utf8'));
    if (!manifest.icons?.length) fail('the manifest names no icon');
    for (const icon of manifest.icons) {
      const png = readFileSync(`${WEB_DIR}/${icon.src}`);
      const size = `${png.readUInt32BE(16)}x${png.readUInt32BE(20)}`;
      if (!wanted.includes(`/${icon.src}`) || png.toString('latin1', 1, 4) !== 'PNG' || size !== icon.sizes) {
        fail(`the manifest's icon ${icon.src} (${icon.sizes}) is not a kept PNG of that size (${size})`);
      }
    }

    // Offline: the page comes from the worker, the save from IndexedDB. The
    // pad's Down and OK choose "Load Game".
    // The browser's own check for a new worker is no request of the page.
    let served = 0;
    const count = (request) => { if (!request.url.startsWith('/sw.js')) ++served; };
    server.on('request', count);
    await page.setOfflineMode(true);
    await page.reload({ waitUntil: 'domcontentloaded' });
    await waitFor(page, 'the main menu offline', menuShown(0), 30000);
    await tapGameButton(page, BUTTON.down);
    await waitFor(page, '"Load Game" highlighted by the pad', menuShown(1));
    await tapGameButton(page, BUTTON.confirm);
    const loaded = (await waitFor(page, 'the saved floor offline', floorShown)).screen;
    server.off('request', count);
    if (served > 0) fail(`the server answered ${served} requests while the browser was offline`);
    const after = new Map(keptUnderCursor(loaded).map((c) => [`${c.col},${c.row}`, c.key]));
    const differ = before.filter((c) => after.has(`${c.col},${c.row}`) && after.get(`${c.col},${c.row}`) !== c.key);
    if (differ.length > 0 || after.size < before.length - 8) {
      fail(`the floor loaded offline differs from the one saved in ${differ.length} cells`, loaded);
    }
    console.log('phone: offline, the page started from the service worker and loaded the save');

    await page.setViewport({ ...PHONE, width: PHONE.height, height: PHONE.width, isLandscape: true });
    await sleep(300);
    checkLayout(await layoutOf(page), 'landscape');
    await page.screenshot({ path: join(SHOT_DIR, 'web-phone-landscape.png') });
    await page.setOfflineMode(false);
    await newBuildReplacesTheOld(page, siteDir);
  } catch (e) {
    if (problems.length > 0) e.message += `\nThe page reported:\n  ${problems.slice(0, 10).join('\n  ')}`;
    throw e;
  } finally {
    await context.close().catch(() => {});
  }
}

async function main() {
  if (!WEB_DIR || !env.VLO_FONT || !env.VLO_NODE_MODULES) {
    console.error('VLO_WEB_DIR, VLO_FONT and VLO_NODE_MODULES must be set');
    return 2;
  }
  const puppeteer = createRequire(env.VLO_NODE_MODULES + '/')('puppeteer-core');
  mkdirSync(SHOT_DIR, { recursive: true });
  const profile = mkdtempSync(join(tmpdir(), 'vlo-web-'));
  // A copy is served, so that the test can publish a new build on it.
  const siteDir = mkdtempSync(join(tmpdir(), 'vlo-site-'));
  cpSync(WEB_DIR, siteDir, { recursive: true });
  const { server, url } = await serve(siteDir);
  let browser = null;
  try {
    browser = await puppeteer.launch({
      executablePath: CHROMIUM,
      headless: true,
      userDataDir: profile,
      // This machine reaches no network but its package registries: the
      // browser must not try to phone home while it tests.
      args: ['--headless=new', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
        '--disable-background-networking', '--disable-component-update', '--disable-sync'],
    });
    const start = await startFigures(browser, url);
    const r = await play(browser, url);
    console.log(`damaged music: ${await damagedMusic(browser, url)}`);
    await playOnPhone(browser, url, server, siteDir);
    console.log(`page weight: ${pageWeight()}`);
    console.log(`time to first frame (main menu readable): ${r.firstFrame.toFixed(0)} ms`);
    const kib = (bytes) => `${(bytes / 1024).toFixed(0)} KiB`;
    console.log(`first frame, first visit: ${start.first.at.toFixed(0)} ms after navigation, ${kib(start.first.bytes)} transferred before it`);
    console.log(`first frame, repeat visit: ${start.repeat.at.toFixed(0)} ms after navigation, ${kib(start.repeat.bytes)} transferred before it`);
    console.log(`idle CPU on a floor over ${IDLE_SECONDS} s: main thread ${r.cpu.main.toFixed(1)} %, renderer process ${r.cpu.renderer.toFixed(1)} % of one core`);
    console.log(`screenshots: ${['web-main-menu', 'web-floor', 'web-phone-portrait', 'web-phone-landscape']
      .map((name) => join(SHOT_DIR, `${name}.png`)).join(', ')}`);
    console.log('PASS');
    return 0;
  } catch (e) {
    console.error(`FAIL: ${e instanceof Failure ? e.message : e.stack}`);
    return 1;
  } finally {
    if (browser) await browser.close().catch(() => {});
    server.close();
    rmSync(profile, { recursive: true, force: true });
    rmSync(siteDir, { recursive: true, force: true });
  }
}

process.exitCode = await main();
