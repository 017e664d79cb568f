// A quick look at the browser build in headless Chromium: serves the site, presses keys, saves
// screenshots of the page and prints the frame figures. Needs puppeteer-core (NODE_PATH) and
// Debian's chromium. node tools/web/look.mjs SITE_DIR SHOTS_DIR
import { createRequire } from 'node:module';
import { mkdtempSync, mkdirSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serveSite } from './serve.mjs';

// Found through NODE_PATH or the working folder's node_modules.
const puppeteer = createRequire(join(process.cwd(), 'look'))('puppeteer-core');

const [site = 'build-web/site', shots = 'web-shots'] = process.argv.slice(2);
mkdirSync(shots, { recursive: true });
const server = await serveSite(site, 0);  // any free port
const url = `http://127.0.0.1:${server.address().port}/`;
const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium',
  headless: 'new',
  userDataDir: mkdtempSync(join(tmpdir(), 'tally-look-')),
  args: ['--no-sandbox', '--disable-gpu', '--autoplay-policy=no-user-gesture-required', '--mute-audio',
         '--disable-background-networking', '--disable-component-update', '--no-first-run'],
});
const page = await browser.newPage();
const [viewWidth, viewHeight] = (process.env.VIEWPORT || '1280x760').split('x').map(Number);
await page.setViewport({ width: viewWidth, height: viewHeight });
page.on('console', (m) => console.log('page:', m.text()));
page.on('pageerror', (e) => console.log('page error:', e.message));
const loadStart = Date.now();
await page.goto(url);
await page.waitForFunction(() => Module.tallyFirstFrameAt, { timeout: 20000 });
console.log('first frame', await page.evaluate(() => Math.round(Module.tallyFirstFrameAt)), 'ms after navigation start;',
            Date.now() - loadStart, 'ms by the wall clock');
console.log(await page.evaluate(() => performance.getEntriesByType('resource')
  .map((e) => `${e.name.split('/').pop()} ${Math.round(e.startTime)}-${Math.round(e.responseEnd)} ms`).join(', ')));
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const shot = (name) => page.screenshot({ path: join(shots, name) });
const stats = () => page.evaluate(() => Module.tallyFrameStats());
const measure = async (label, ms) => {
  const a = await stats();
  await sleep(ms);
  const b = await stats();
  const frames = b.frames - a.frames;
  console.log(`${label}: ${(frames / (ms / 1000)).toFixed(1)} frames/s, ` +
              `${((b.workSeconds - a.workSeconds) * 1000 / Math.max(frames, 1)).toFixed(2)} ms work/frame, ` +
              `${b.presented - a.presented} presented`);
};
await sleep(300);
await shot('1-start.png');
await page.keyboard.press('Space');
await sleep(1500);
await shot('2-splash.png');
await page.keyboard.press('Enter');
await sleep(1000);
await shot('3-menu.png');
await measure('still menu', 2000);
for (const step of (process.env.STEPS || '').split(';').filter(Boolean)) {
  const [verb, arg] = step.split(':');
  if (verb === 'type') await page.keyboard.type(arg, { delay: 60 });
  else if (verb === 'key') await page.keyboard.press(arg);
  else if (verb === 'hold') { await page.keyboard.down(arg); await sleep(2000); await page.keyboard.up(arg); }
  else if (verb === 'wait') await sleep(Number(arg));
  else if (verb === 'shot') await shot(arg);
  else if (verb === 'solve') {  // answers N problems, 150 ms apart, and gives the figures meanwhile
    const a = await stats();
    const started = Date.now();
    for (let i = 0; i < Number(arg); i++) { await page.evaluate(() => Module.tallySolve(1)); await sleep(150); }
    const b = await stats();
    const frames = b.frames - a.frames;
    console.log(`racing: ${(frames / ((Date.now() - started) / 1000)).toFixed(1)} frames/s, ` +
                `${((b.workSeconds - a.workSeconds) * 1000 / Math.max(frames, 1)).toFixed(2)} ms work/frame, ` +
                `${b.presented - a.presented} presented`);
  }
  else if (verb === 'measure') await measure(arg, 2000);
  else if (verb === 'reload') { await page.reload(); await page.waitForFunction(() => Module.tallyFirstFrameAt); await sleep(300); }
}
await browser.close();
server.close();
