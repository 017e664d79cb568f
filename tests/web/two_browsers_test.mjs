// Two pupils' browsers through the classroom server: the real tallyrally-server serves the site
// over a fresh game folder on 127.0.0.1; the first pupil's browser adds a classroom and a pupil and
// races; the second pupil's browser, with nothing of its own, enters the same classroom, adds
// itself, and its next race has the first pupil's race as its ghost. Both races end on the one
// board in the server's folder, and neither page keeps classrooms of its own.
//
// node tests/web/two_browsers_test.mjs --site build-web/site --bin BUILD/bin [--work DIR] [--npm DIR]
// BUILD/bin holds tallyrally-server. puppeteer-core comes from this folder's lock file, installed
// into NPM (by default the browser test's WORK/npm, shared when both run).
import { spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { check, fatal, finish, installPuppeteer, launchChromium, pageDriver, sleep } from './driver.mjs';

const args = Object.fromEntries(process.argv.slice(2).reduce((pairs, word, i, all) =>
  (word.startsWith('--') ? [...pairs, [word.slice(2), all[i + 1]]] : pairs), []));
const site = resolve(args.site || 'build-web/site');
const bin = resolve(args.bin || 'build/bin');
const work = resolve(args.work || mkdtempSync(join(tmpdir(), 'tally-two-')));
const npm = resolve(args.npm || join(work, 'npm'));
const shots = join(work, 'shots');
if (!existsSync(join(site, 'index.html'))) {
  console.log(`No browser build in ${site}: scripts/web --build-only makes it. Skipped.`);
  process.exit(77);
}
mkdirSync(shots, { recursive: true });

// The server over a fresh folder, with a teacher password; resolves to it and its address once it
// says where pupils go.
const teacherPassword = 'staffroom';
function startServer(game) {
  const teacherFile = join(work, 'teacher');
  writeFileSync(teacherFile, teacherPassword + '\n');
  const server = spawn(join(bin, 'tallyrally-server'),
                       ['--data', game, '--bind', '127.0.0.1', '--port', '0', '--site', site,
                        '--teacher-password-file', teacherFile],
                       { stdio: ['ignore', 'pipe', 'inherit'] });
  return new Promise((done, fail) => {
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const address = /Pupils open (http:\/\/[^\s]+)/.exec(said);
      if (address) done({ server, url: address[1] });
    });
    server.once('exit', (code) => fail(new Error(`tallyrally-server ended with ${code}: ${said}`)));
  });
}

// Every file under dir whose name is "recordN", with its text.
function recordFiles(dir) {
  const found = [];
  for (const name of readdirSync(dir)) {
    const path = join(dir, name);
    if (statSync(path).isDirectory()) found.push(...recordFiles(path));
    else if (/^distance\d+record\d+$/.test(name)) found.push({ path, text: readFileSync(path, 'latin1') });
  }
  return found;
}

// The keys of each step, as the browser test types them.
const toClassrooms = ['Enter'];
const addAnn = ['Down', 'Enter', '=Ann', 'Enter', '=x', 'Enter', '=x', 'Enter'];
const chooseAnn = ['Enter', '=x', 'Enter'];
const enterRoomAgain = ['Down', 'Enter', '=pw', 'Enter'];  // "Default" stays first
const addBob = ['Down', 'Down', 'Enter', '=Bob', 'Enter', 'Enter'];  // after "Default" and "Ann"
const chooseBob = ['Enter'];
const toLessons = ['Enter', 'Enter'];  // "Singleplayer", then the track

async function pupil(browser, url, label, problems) {
  const context = browser.createBrowserContext
    ? await browser.createBrowserContext() : await browser.createIncognitoBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 1280, height: 760 });
  // Every refusal of the server is a fault here, but for the wrong passwords the test types on
  // purpose for the report and the backup; Chromium also logs each refusal, so those lines are
  // left to this check.
  page.on('console', (message) => {
    if (message.type() === 'error' && !/^Failed to load resource/.test(message.text()))
      problems.push(`${label}: console error: ${message.text()}`);
  });
  page.on('response', async (response) => {
    if (response.status() < 400 || (response.status() === 403 && /\/api\/(report|backup)$/.test(response.url()))) return;
    problems.push(`${label}: ${response.status()} for ${response.url()} ${response.request().postData() || ''}: ` +
                  `${await response.text().catch(() => '')}`);
  });
  page.on('pageerror', (error) => problems.push(`${label}: page error: ${error.message}`));
  const drive = pageDriver(page);
  await page.goto(url);
  await drive.startGame();
  check(await page.evaluate(() => Module._tally_web_remote() === 1),
        `${label}: the page served by the classroom server does not keep its classrooms there`);
  return { page, drive };
}

// Enter on the lesson menu starts the race; answers every problem until the race is over, and
// returns the rival ghost's name as it stood during the race. A screenshot of the race is label-race.png.
async function race(page, drive, label) {
  await drive.press(['Enter']);
  const shot = sleep(9000).then(() => page.screenshot({ path: join(shots, `${label}-race.png`) }));
  const result = await page.evaluate(async () => {
    const pause = (ms) => new Promise((done) => setTimeout(done, ms));
    const ghost = () => Module.UTF8ToString(Module._tally_web_racer_name(0));
    let answered = 0, idle = 0, seen = '';
    for (const end = performance.now() + 90000; performance.now() < end && (answered === 0 || idle < 20);) {
      if (ghost() !== '') seen = ghost();
      if (Module.tallySolve(1)) { answered++; idle = 0; } else idle++;
      await pause(150);
    }
    return { answered, ghost: seen };
  });
  await shot;
  check(result.answered > 0, 'no problem to answer came up in the race');
  return result.ghost;
}

async function main() {
  if (!existsSync(join(bin, 'tallyrally-server'))) fatal(`no tallyrally-server in ${bin}`);
  const game = join(work, 'game');
  rmSync(game, { recursive: true, force: true });
  mkdirSync(game, { recursive: true });
  const puppeteer = installPuppeteer(npm);
  const { server, url } = await startServer(game);
  const browser = await launchChromium(puppeteer, mkdtempSync(join(work, 'profile-')));
  const problems = [];
  try {
    // The teacher adds the classroom: with a teacher password, only it adds classrooms through
    // the server. "Default" stays first, in memory, as the menus show it.
    const added = await fetch(new URL('api/classroom/add', url), {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ name: '4b', password: 'pw', teacherPassword }),
    });
    check(added.ok, `the teacher's classroom was refused with ${added.status}`);
    // The first pupil: the classroom with its password, a pupil with one, and a race.
    const first = await pupil(browser, url, 'first pupil', problems);
    await first.drive.press([...toClassrooms, ...enterRoomAgain, ...addAnn, ...chooseAnn, ...toLessons]);
    await first.drive.still();
    const firstGhost = await race(first.page, first.drive, 'first');
    check(firstGhost === 'inactive', `the first race of an empty board had the ghost "${firstGhost}"`);
    await first.drive.press(['Enter']);  // the results
    await first.drive.still();
    const stored = recordFiles(join(game, 'classrooms'));
    check(stored.length === 1 && stored[0].text.includes('\r\nAnn\r\n'),
          `after the first race the server's folder holds ${stored.length} race records`);

    // The second pupil, on a browser with nothing saved: the same classroom through the server.
    const second = await pupil(browser, url, 'second pupil', problems);
    await second.drive.press(toClassrooms);
    await second.drive.still();
    await second.page.screenshot({ path: join(shots, 'second-classrooms.png') });
    await second.drive.press([...enterRoomAgain, ...addBob]);
    await second.drive.still();
    await second.page.screenshot({ path: join(shots, 'second-players.png') });
    await second.drive.press([...chooseBob, ...toLessons]);
    await second.drive.still();
    const ghost = await race(second.page, second.drive, 'second');
    check(ghost === 'Ann', `the second pupil's race had the ghost "${ghost}", not the first pupil's race`);
    await second.page.screenshot({ path: join(shots, 'second-results.png') });
    await second.drive.press(['Enter']);
    await second.drive.still();
    await second.page.screenshot({ path: join(shots, 'second-lessons.png') });
    const both = recordFiles(join(game, 'classrooms')).map((r) => r.text);
    check(both.length === 2 && both.some((t) => t.includes('\r\nBob\r\n')),
          `after the second race the server's folder holds ${both.length} race records`);
    // Passwords stay on the server: the players file holds Ann's, no page ever saw it.
    const players = readFileSync(join(game, 'classrooms', 'room2', 'players'), 'latin1');
    check(players.includes('Ann\r\nx\r\n') && players.includes('Bob\r\n\r\n'),
          `the server's players file reads ${JSON.stringify(players)}`);

    // The teacher's corner of a page served by the server: no restore of this browser's own
    // classrooms, and the report of a classroom, opened with its password, shows both pupils.
    const corner = first.page;
    check(await corner.$eval('#corner-restore', (b) => b.hidden), 'the restore button shows on a page the server serves');
    await corner.click('#corner-report');
    await corner.waitForSelector('#corner-report-ask:not([hidden])', { timeout: 5000 });
    await corner.select('#corner-report-class', '1');
    await corner.type('#corner-report-password', 'wrong');
    await corner.click('#corner-report-open');
    await corner.waitForFunction(() => /Wrong password/.test(document.getElementById('corner-status').textContent),
                                 { timeout: 5000 }).catch(() => check(false, 'a wrong password did not say so'));
    await corner.click('#corner-report');
    await corner.waitForSelector('#corner-report-ask:not([hidden])', { timeout: 5000 });
    await corner.select('#corner-report-class', '1');
    await corner.type('#corner-report-password', 'pw');
    await corner.screenshot({ path: join(shots, 'corner-report-question.png') });
    const opened = browser.waitForTarget((t) => t.opener() === corner.target(), { timeout: 10000 });
    await corner.click('#corner-report-open');
    const reportPage = await (await opened).page();
    await reportPage.waitForFunction(() => document.body && /Bob/.test(document.body.innerText), { timeout: 10000 })
      .catch(() => {});
    const text = await reportPage.evaluate(() => document.body ? document.body.innerText : '');
    check(/Ann/.test(text) && /Bob/.test(text), `the report of the classroom does not name both pupils: ${text.slice(0, 200)}`);
    await reportPage.screenshot({ path: join(shots, 'report.png') });

    // The backup of the server's classrooms: a wrong password is said, the teacher's downloads the
    // server's whole folder as a tar file.
    await corner.bringToFront();
    const downloads = join(work, 'downloads');
    rmSync(downloads, { recursive: true, force: true });
    mkdirSync(downloads, { recursive: true });
    const session = await corner.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', {
      behavior: 'allow', downloadPath: downloads, browserContextId: corner.browserContext().id,
    });
    await corner.click('#corner-backup');
    await corner.waitForSelector('#corner-backup-ask:not([hidden])', { timeout: 5000 });
    await corner.type('#corner-backup-password', 'pw');  // the classroom's password opens no backup
    await corner.click('#corner-backup-open');
    await corner.waitForFunction(() => /Wrong password/.test(document.getElementById('corner-status').textContent),
                                 { timeout: 5000 }).catch(() => check(false, "a classroom's password did not say wrong"));
    await corner.type('#corner-backup-password', teacherPassword);
    await corner.screenshot({ path: join(shots, 'corner-backup-question.png') });
    await corner.click('#corner-backup-open');
    await corner.waitForFunction(() => /Backed up to/.test(document.getElementById('corner-status').textContent),
                                 { timeout: 10000 }).catch(() => {});
    await corner.screenshot({ path: join(shots, 'corner-backup.png') });
    let tar = '';
    for (let tries = 0; tries < 50 && tar === ''; tries++) {
      tar = readdirSync(downloads).find((name) => /^tallyrally-classrooms-\d{4}-\d\d-\d\d\.tar$/.test(name)) || '';
      if (tar === '') await sleep(100);
    }
    check(tar !== '' && readFileSync(join(downloads, tar), 'latin1').includes('classrooms/room2/players'),
          `the backup downloaded ${JSON.stringify(readdirSync(downloads))}, not the server's classrooms`);

    // The server gone: back to the classroom menu, whose list cannot be read, the first pupil's
    // game goes on and says so on its notice line (pale yellow at the foot of the screen).
    const ended = new Promise((done) => server.once('exit', done));
    server.kill();
    await ended;
    await first.page.bringToFront();
    await first.drive.press(['Esc', 'Esc', 'Esc']);
    const noticed = await first.page.waitForFunction(() => {
      const rgba = Module.tallyScreen(), at = (169 * 320 + 3) * 4;  // inside its frame, above its text
      return rgba[at] === 0xff && rgba[at + 1] === 0xf4 && rgba[at + 2] === 0xc8;
    }, { timeout: 15000 }).then(() => true, () => false);
    await first.page.screenshot({ path: join(shots, 'no-server.png') });
    check(noticed, 'with the server gone the classroom menu shows no notice');
  } finally {
    await browser.close();
    server.kill();
  }
  for (const problem of problems) check(false, problem);
}

const started = Date.now();
await main().catch((error) => fatal(error.stack || String(error)));
console.log(`two-browser test took ${((Date.now() - started) / 1000).toFixed(1)} s`);
finish();
