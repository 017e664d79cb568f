// The browser build end to end in headless Chromium: the page loads cleanly; a still menu is the
// play tool's screen pixel for pixel; a classroom, a pupil and a race typed in the page survive a
// reload (IndexedDB); sound reaches Web Audio; the teacher's report opens. Prints the figures: frames
// per second and work per frame on a still menu and in a two-player winter race, the time to the
// first frame, and the site's download size.
//
// node tests/web/browser_test.mjs --site build-web/site --bin BUILD/bin [--work DIR]
// BUILD/bin holds the native tallyrally-play and tally-assets. puppeteer-core is installed from
// this folder's lock file into WORK/npm (npm ci); screenshots land in WORK/shots.
import { spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readdirSync, readFileSync, rmSync,
         statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { gzipSync, inflateSync } from 'node:zlib';
import { serveSite } from '../../tools/web/serve.mjs';
import { check, fatal, finish, installPuppeteer, launchChromium, pageDriver, sleep } from './driver.mjs';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, word, i, all) =>
  (word.startsWith('--') ? [...pairs, [word.slice(2), all[i + 1]]] : pairs), []));
const site = resolve(args.site || 'build-web/site');
const bin = resolve(args.bin || 'build/bin');
const work = resolve(args.work || mkdtempSync(join(tmpdir(), 'tally-web-')));
const shots = join(work, 'shots');
if (!existsSync(join(site, 'index.html'))) {
  console.log(`No browser build in ${site}: scripts/web --build-only makes it. Skipped.`);
  process.exit(77);
}
rmSync(shots, { recursive: true, force: true });
mkdirSync(shots, { recursive: true });

const Width = 320;
const Height = 180;
const Scale = 4;  // the play tool writes the screen four times enlarged
const figures = [];
const problems = [];  // what the page reported: console errors, page errors, deprecations

// Thrown after a failed check that leaves the game in a state the next steps cannot start from.
class Stop extends Error {}


// ---- The play tool's PNG files, read with node's zlib ------------------------------------------------------------

// Decodes an 8-bit RGB or RGBA PNG without interlacing into RGB bytes.
function readPng(file) {
  const data = readFileSync(file);
  let at = 8;
  let width = 0, height = 0, channels = 0;
  const idat = [];
  while (at < data.length) {
    const length = data.readUInt32BE(at);
    const type = data.toString('latin1', at + 4, at + 8);
    const body = data.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || (body[9] !== 2 && body[9] !== 6) || body[12] !== 0)
        throw new Error(`${file}: only 8-bit RGB or RGBA without interlacing is read`);
      channels = body[9] === 2 ? 3 : 4;
    } else if (type === 'IDAT') idat.push(body);
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = pixels.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? pixels.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? out[i - channels] : 0;
      const b = up[i];
      const c = i >= channels ? up[i - channels] : 0;
      let predicted = 0;
      if (filter === 1) predicted = a;
      else if (filter === 2) predicted = b;
      else if (filter === 3) predicted = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predicted = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[i] = (line[i] + predicted) & 0xff;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let p = 0; p < width * height; p++) pixels.copy(rgb, p * 3, p * channels, p * channels + 3);
  return { width, height, rgb };
}

// Where two RGB pictures of one size differ: the count of pixels and the box around them.
function difference(a, b, width) {
  let count = 0, left = Infinity, top = Infinity, right = -1, bottom = -1;
  for (let p = 0; p * 3 < a.length; p++) {
    if (a[p * 3] === b[p * 3] && a[p * 3 + 1] === b[p * 3 + 1] && a[p * 3 + 2] === b[p * 3 + 2]) continue;
    count++;
    const x = p % width, y = (p / width) | 0;
    left = Math.min(left, x); right = Math.max(right, x);
    top = Math.min(top, y); bottom = Math.max(bottom, y);
  }
  return { count, left, top, right, bottom };
}

// ---- The play tool's screens ----------------------------------------------------------------------

// Runs a play script in the game folder; its shots land in the shots folder.
function play(game, name, script) {
  const file = join(work, `${name}.txt`);
  writeFileSync(file, script.trim().split('\n').map((line) => line.trim()).join('\n') + '\n');
  const run = spawnSync(join(bin, 'tallyrally-play'), ['--dir', game, '--shots', join(work, 'play'), file],
                        { encoding: 'utf8', env: { ...process.env, SDL_AUDIODRIVER: 'dummy' } });
  if (run.status !== 0) fatal(`play script ${name} ended with ${run.status}: ${run.stderr}`);
}

// The keys of each step, shared by the play tool's scripts and the page. A step's name is its
// screenshot; the page waits for the same screen before the next step.
const splash = { name: 'rooms', keys: ['Enter'] };
const addRoom = { name: 'rooms-4b', keys: ['Down', 'Enter', '=4b', 'Enter', '=pw', 'Enter', '=pw', 'Enter'] };
const enterRoom = { name: 'players', keys: ['Enter', '=pw', 'Enter'] };
const addPupil = { name: 'pupil', keys: ['Down', 'Enter', '=Ann', 'Enter', '=x', 'Enter', '=x', 'Enter'] };
const choosePupil = { name: 'single', keys: ['Enter', '=x', 'Enter'] };
const toLessons = { name: 'lessons', keys: ['Enter', 'Enter'] };
const splashAgain = { name: 'rooms-again', keys: ['Enter'] };
const roomAgain = { name: 'players-again', keys: ['Down', 'Enter', '=pw', 'Enter'] };
const pupilAgain = { name: 'lessons-again', keys: ['Down', 'Enter', '=x', 'Enter', 'Enter', 'Enter'] };

function playScript(steps) {
  const lines = ['wait 500'];
  for (const step of steps) {
    for (const key of step.keys) {
      lines.push(key.startsWith('=') ? `type ${key.slice(1)}` : `key ${key}`);
      lines.push('wait 150');
    }
    lines.push('wait 500', `shot ${step.name}.png`);
  }
  return lines.join('\n') + '\nquit';
}

function playToolScreens() {
  if (!existsSync(join(bin, 'tallyrally-play')) || !existsSync(join(bin, 'tally-assets')))
    fatal(`no tallyrally-play and tally-assets in ${bin}`);
  const game = join(work, 'game');
  rmSync(game, { recursive: true, force: true });
  mkdirSync(join(work, 'play'), { recursive: true });
  const made = spawnSync(join(bin, 'tally-assets'), [game], { encoding: 'utf8' });
  if (made.status !== 0) fatal(`tally-assets failed: ${made.stderr}`);
  play(game, 'first', playScript([splash, addRoom, enterRoom, addPupil, choosePupil, toLessons]));
  play(game, 'again', playScript([splashAgain, roomAgain, pupilAgain]));
}

// ---- The page ----------------------------------------------------------------------------------

// What a browser downloads: every file of the site, as it is and gzipped as a server would send it.
function downloadSize() {
  let raw = 0, gzipped = 0;
  for (const name of readdirSync(site)) {
    const file = join(site, name);
    if (!statSync(file).isFile()) continue;
    const body = readFileSync(file);
    raw += body.length;
    gzipped += gzipSync(body).length;
  }
  figures.push(`download: ${(raw / 1024).toFixed(0)} KB, ${(gzipped / 1024).toFixed(0)} KB gzipped`);
}

async function main() {
  playToolScreens();
  downloadSize();
  let puppeteer;
  try {
    puppeteer = installPuppeteer(join(work, 'npm'));
  } catch (error) {
    fatal(error.message);
  }
  const server = await serveSite(site, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const profile = mkdtempSync(join(work, 'profile-'));  // new and empty: no classrooms yet
  const browser = await launchChromium(puppeteer, profile);
  try {
    await drive(browser, url);
  } finally {
    await browser.close();
    server.close();
    rmSync(profile, { recursive: true, force: true });
    check(problems.length === 0, `the page reported problems:\n  ${problems.join('\n  ')}`);
  }
}

async function drive(browser, url) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 760 });
  page.on('console', (message) => {
    if (message.type() === 'error')
      problems.push(`console error: ${message.text()}`);
    // Chromium warns of deprecated interfaces, such as ScriptProcessorNode, on the console.
    else if (/deprecat/i.test(message.text())) problems.push(`deprecation: ${message.text()}`);
  });
  page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
  page.on('requestfailed', (request) => problems.push(`request failed: ${request.url()}`));

  const { screen, press, still } = pageDriver(page);
  // Waits for the canvas to show the expected 320 x 180 picture (a play tool shot, or a screen the
  // page showed before); says what differs when it does not, and stops there.
  const expectScreen = async (expected, label, patienceMs = 10000) => {
    let now;
    for (const end = Date.now() + patienceMs; Date.now() < end; await sleep(100)) {
      now = await screen();
      if (now.equals(expected)) return check(true);
    }
    const d = difference(now, expected, Width);
    const file = join(shots, `${label.replace(/[^A-Za-z0-9]+/g, '-')}.png`);
    await page.screenshot({ path: file });
    check(false, `${label}: the canvas differs in ${d.count} pixels within x ${d.left}-${d.right}, ` +
                 `y ${d.top}-${d.bottom} (the page: ${file})`);
    throw new Stop();
  };
  // A play tool shot as the canvas must show it: the middle pixel of each 4 x 4 block (the screen's
  // blocks may start a row or a column late, as its first row of blocks is five rows high).
  const playShot = (name) => {
    const png = readPng(join(work, 'play', `${name}.png`));
    if (png.width !== Width * Scale || png.height !== Height * Scale) fatal(`${name}.png is ${png.width} x ${png.height}`);
    const small = Buffer.alloc(Width * Height * 3);
    for (let y = 0; y < Height; y++)
      for (let x = 0; x < Width; x++) {
        const from = ((y * Scale + Scale / 2) * Width * Scale + x * Scale + Scale / 2) * 3;
        png.rgb.copy(small, (y * Width + x) * 3, from, from + 3);
      }
    return small;
  };
  const frameFigures = async (label, ms) => {
    const f = await page.evaluate(async (ms) => {
      const a = Module.tallyFrameStats(), t0 = performance.now();
      await new Promise((done) => setTimeout(done, ms));
      const b = Module.tallyFrameStats(), t1 = performance.now();
      return { frames: b.frames - a.frames, presented: b.presented - a.presented, work: b.workSeconds - a.workSeconds,
               seconds: (t1 - t0) / 1000 };
    }, ms);
    figures.push(`${label}: ${(f.frames / f.seconds).toFixed(1)} frames/s, ` +
                 `${(f.work * 1000 / Math.max(f.frames, 1)).toFixed(2)} ms of work a frame, ` +
                 `${(f.presented / f.seconds).toFixed(1)} new pictures/s`);
    return f;
  };
  // The start card, and its key, which starts the splash.
  const startGame = async (shot) => {
    await page.waitForFunction(() => Module.tallyFirstFrameAt, { timeout: 30000 });
    await still(300);
    if (shot) await page.screenshot({ path: join(shots, shot) });
    await press(['Space']);
    await sleep(1500);
  };

  // 1. The page loads; the start card, then the splash and the classroom menu.
  await page.goto(url);
  await startGame('start-card.png');
  const [firstFrame, filesIn] = await page.evaluate(() => [Module.tallyFirstFrameAt,
    Math.max(...performance.getEntriesByType('resource').map((entry) => entry.responseEnd))]);
  figures.push(`first frame: ${Math.round(firstFrame)} ms after the page was asked for ` +
               `(its files were in after ${Math.round(filesIn)} ms)`);
  const peak = await page.evaluate(async () => {
    for (let i = 0; i < 40 && !(Module.tallyAudioPeak && Module.tallyAudioPeak() > 0); i++)
      await new Promise((done) => setTimeout(done, 100));
    return Module.tallyAudioPeak ? Module.tallyAudioPeak() : null;
  });
  check(peak !== null, 'the page has no Module.tallyAudioPeak');
  check(peak === null || peak > 0.01, `the splash jingle did not reach Web Audio (peak ${peak})`);
  await press(splash.keys);
  await expectScreen(playShot('rooms'), 'still classroom menu');
  await page.screenshot({ path: join(shots, 'menu.png') });
  await frameFigures('still menu', 2000);

  // 2. A classroom, a pupil and a race, typed as a teacher and a pupil would.
  for (const step of [addRoom, enterRoom, addPupil, choosePupil, toLessons]) {
    await press(step.keys);
    await expectScreen(playShot(step.name), `${step.name} (after ${step.keys.join(' ')})`);
  }
  const beforeRace = await screen();
  await press(['Enter']);
  const raced = await page.evaluate(async () => {
    const pause = (ms) => new Promise((done) => setTimeout(done, ms));
    let answered = 0, idle = 0;
    for (const end = performance.now() + 90000; performance.now() < end && (answered === 0 || idle < 20);) {
      if (Module.tallySolve(1)) { answered++; idle = 0; } else idle++;
      await pause(150);
    }
    return answered;
  });
  check(raced > 0, 'no problem to answer came up in the race');
  await press(['Enter']);  // from the results back to the lessons
  const afterRace = await still();
  await page.screenshot({ path: join(shots, 'lessons-after-race.png') });
  const leaders = difference(afterRace, beforeRace, Width);
  // Only the Leaders lines (from y 120) change: Ann's time puts her above the classroom's Default.
  check(leaders.count > 0 && leaders.top >= 120 && leaders.bottom < 140,
        `after the race the lesson menu changed in ${leaders.count} pixels within y ${leaders.top}-${leaders.bottom}, ` +
        'not just on the Leaders line');

  // 3. After a reload the classroom, the pupil and the race are still there.
  await page.reload();
  await startGame();
  await press(splashAgain.keys);
  await expectScreen(playShot(splashAgain.name), 'classroom menu after the reload');
  await press(roomAgain.keys);
  await expectScreen(playShot(roomAgain.name), 'the player menu with Ann after the reload');
  await press(pupilAgain.keys);
  await expectScreen(afterRace, 'the lesson menu with its Leaders after the reload');

  // 4. The teacher's report opens in a new tab and lists the pupil.
  const tabOpened = page.browser().waitForTarget((target) => target.opener() === page.target(), { timeout: 10000 });
  await page.click('#corner-report');
  const tab = await (await tabOpened).page();
  await tab.waitForFunction(() => location.protocol === 'blob:' && document.body && document.body.innerText.includes('Ann'),
                            { timeout: 10000 }).catch(() => {});
  const report = await tab.evaluate(() => document.body ? document.body.innerText : '');
  check(report.includes('Ann') && report.includes('4b'), `the teacher's report does not name 4b and Ann: ${report.slice(0, 200)}`);
  await tab.setViewport({ width: 1000, height: 900 });
  await tab.screenshot({ path: join(shots, 'report.png') });
  await tab.close();
  await page.bringToFront();

  // 5. A two-player winter race: back to the player menu, Ann and the classroom's Default, Winter.
  await press(['Esc', 'Esc', 'Enter', 'Up', 'Enter', 'Right', 'Enter', 'Enter']);
  const racing = await page.evaluate(async () => {
    for (let i = 0; i < 100 && !Module.tallySolve(1); i++) await new Promise((done) => setTimeout(done, 100));
    return Module.tallySolve(2);
  });
  check(racing, 'the two-player race did not show both players a problem');
  const [race] = await Promise.all([
    frameFigures('two-player winter race', 3000),
    page.evaluate(async () => {
      for (let i = 0; i < 15; i++) {
        Module.tallySolve(1);
        Module.tallySolve(2);
        await new Promise((done) => setTimeout(done, 200));
      }
    }),
  ]);
  check(race.presented > race.frames / 2, `the race changed the canvas in only ${race.presented} of ${race.frames} frames`);
  await page.screenshot({ path: join(shots, 'winter-race.png') });
  // Escape held abandons the race; then back up to the classrooms and Quit.
  await page.keyboard.down('Escape');
  await sleep(1500);
  await page.keyboard.up('Escape');
  await still();
  await press(['Enter', 'Esc', 'Esc', 'Esc']);
  await expectScreen(playShot('rooms-4b'), 'the classroom menu after the race');
  await press(['Down', 'Down', 'Enter']);
  const endCard = await still();
  await page.screenshot({ path: join(shots, 'end-card.png') });
  check(!endCard.equals(playShot('rooms-4b')), 'Quit did not leave the classroom menu');
  // A key on the end card plays again, from the splash.
  await press(['Space']);
  await sleep(1000);
  await press(splashAgain.keys);
  await expectScreen(playShot(splashAgain.name), 'the classroom menu after playing again');
}

const started = Date.now();
await main().catch((error) => error instanceof Stop || check(false, error.stack || String(error)));
for (const line of figures) console.log(`figure: ${line}`);
writeFileSync(join(work, 'figures.txt'), figures.join('\n') + '\n');
console.log(`browser test took ${((Date.now() - started) / 1000).toFixed(1)} s`);
finish();
