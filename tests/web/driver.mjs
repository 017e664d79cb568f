// Driving the browser build in headless Chromium: puppeteer-core from this folder's lock file,
// Chromium started as the sound and the tests need, and a page's canvas and keys.
import { spawnSync } from 'node:child_process';
import { createRequire } from 'node:module';
import { copyFileSync, existsSync, mkdirSync, readFileSync } from 'node:fs';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';

const here = dirname(fileURLToPath(import.meta.url));

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// The run's checks: each failed one is said at once; finish() says the count and ends the run.
let passes = 0;
let failures = 0;
export function check(ok, message) {
  if (ok) passes++;
  else {
    failures++;
    console.log(`FAIL: ${message}`);
  }
  return ok;
}
export function fatal(message) {
  console.log(`FAIL: ${message}`);
  process.exit(1);
}
export function finish() {
  console.log(`${passes} passed, ${failures} failed`);
  process.exit(failures > 0 ? 1 : 0);
}

// puppeteer-core as the lock file pins it, installed into the folder npm (npm ci) unless it is there.
export function installPuppeteer(npm) {
  mkdirSync(npm, { recursive: true });
  const lock = readFileSync(join(here, 'package-lock.json'));
  const installed = join(npm, 'node_modules', '.package-lock.json');
  if (!existsSync(installed) || !existsSync(join(npm, 'package-lock.json')) ||
      !readFileSync(join(npm, 'package-lock.json')).equals(lock)) {
    copyFileSync(join(here, 'package.json'), join(npm, 'package.json'));
    copyFileSync(join(here, 'package-lock.json'), join(npm, 'package-lock.json'));
    const run = spawnSync('npm', ['ci', '--no-audit', '--no-fund', '--loglevel=error'], { cwd: npm, encoding: 'utf8' });
    if (run.status !== 0) throw new Error(`npm ci failed: ${run.stderr}`);
  }
  return createRequire(join(npm, 'package.json'))('puppeteer-core');
}

export function launchChromium(puppeteer, profile) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: 'new',
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--autoplay-policy=no-user-gesture-required', '--mute-audio',
           '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run'],
  });
}

// The canvas of page (RGB bytes, 320 x 180), its keys as the play tool names them ("=text" types
// text), waiting for a still canvas, and the start of the game past the start card.
export function pageDriver(page) {
  const screen = async () => Buffer.from(await page.evaluate(() => {
    const rgba = Module.tallyScreen();
    let text = '';
    for (let p = 0; p < rgba.length; p += 4) text += String.fromCharCode(rgba[p], rgba[p + 1], rgba[p + 2]);
    return btoa(text);
  }), 'base64');
  const press = async (keys) => {
    for (const key of keys) {
      if (key.startsWith('=')) await page.keyboard.type(key.slice(1), { delay: 40 });
      else await page.keyboard.press({ Down: 'ArrowDown', Up: 'ArrowUp', Left: 'ArrowLeft', Right: 'ArrowRight',
                                       Esc: 'Escape' }[key] || key);
      await sleep(150);
    }
  };
  // Waits until the canvas stops changing for a while; returns it.
  const still = async (quietMs = 600, patienceMs = 15000) => {
    let last = await screen(), since = Date.now();
    for (const end = Date.now() + patienceMs; Date.now() < end; await sleep(100)) {
      const now = await screen();
      if (!now.equals(last)) { last = now; since = Date.now(); }
      else if (Date.now() - since >= quietMs) return last;
    }
    return last;
  };
  const startGame = async () => {
    await page.waitForFunction(() => Module.tallyFirstFrameAt, { timeout: 30000 });
    await still(300);
    await press(['Space']);  // the start card's key
    await sleep(1500);       // into the splash
  };
  return { screen, press, still, startGame };
}
