// make test-report: rmf report on the demo capture and on a capture with
// planted faults, each page opened in headless Chromium (Debian's), which
// must show no console error, load nothing from the network, give the
// expected counts in the DOM, draw its plots and a skeleton that is not
// blank. A screenshot of each page is saved beside it.
//   node check_reports.mjs RMF OUT_FOLDER
import { execFileSync } from 'node:child_process';
import { mkdirSync } from 'node:fs';
import { join } from 'node:path';
import { launchChromium } from './headless_chromium.mjs';

const [rmf, out] = process.argv.slice(2);
mkdirSync(out, { recursive: true });
const here = new URL('.', import.meta.url).pathname;
const run = (...args) => execFileSync(rmf, args, { encoding: 'utf8' });
const runFailing = (status, ...args) => {
  try {
    run(...args);
  } catch (error) {
    if (error.status === status) return;
    throw error;
  }
  throw new Error(`rmf ${args.join(' ')}: expected exit status ${status}`);
};

run('demo', join(out, 'demo'));
execFileSync('node', [join(here, 'make_captures.mjs'), join(out, 'demo'), 'planted',
  join(out, 'planted.pcap')]);
run('report', join(out, 'demo', 'capture.pcap'), '-o', join(out, 'demo.html'));
runFailing(1, 'report', join(out, 'planted.pcap'), '-o', join(out, 'planted.html'));

// Counts per sender (and of the capture's problems) as each capture was made.
const reports = [
  {
    name: 'demo', charts: 3, sensors: 1,
    counts: { skeleton_definition: 1, frame_data: 4, sensor_data: 1, malformed_packets: 0,
      checksum_failures: 0, gaps: 0, missing_frames: 0, reordered: 0, repeats: 0, backwards: 0 },
    problems: 0,
  },
  {
    name: 'planted', charts: 3, sensors: 1,
    counts: { skeleton_definition: 1, frame_data: 40, sensor_data: 4, malformed_packets: 2,
      checksum_failures: 1, checksum_offload_likely: 1, gaps: 2, missing_frames: 4, reordered: 1,
      repeats: 1, backwards: 1 },
    problems: 4,
  },
];

const { browser, close } = await launchChromium();
let passed = 0;
let failed = 0;
const check = (name, ok, detail) => {
  if (ok) {
    passed++;
  } else {
    failed++;
    console.log(`FAIL ${name}: ${detail}`);
  }
};

for (const report of reports) {
  const page = await browser.newPage();
  const errors = [];
  const requests = [];
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('request', (request) => {
    if (!request.url().startsWith('file:') && !request.url().startsWith('data:')) {
      requests.push(request.url());
    }
  });
  await page.goto(`file://${join(out, `${report.name}.html`)}`);
  await page.waitForFunction(() => window.rmfReport && window.rmfReport.ready, null,
    { timeout: 20000 });
  const seen = await page.evaluate(() => {
    const sender = document.querySelector('section[data-sender="0-0"]');
    const counts = {};
    for (const cell of sender.querySelectorAll('[data-count]')) {
      counts[cell.dataset.count] = cell.textContent;
    }
    const canvas = sender.querySelector('canvas[data-skeleton]');
    const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let drawn = 0;
    for (let i = 0; i < pixels.length; i += 4) {
      // Anything but the background colour (30, 39, 44).
      if (Math.abs(pixels[i] - 30) + Math.abs(pixels[i + 1] - 39) + Math.abs(pixels[i + 2] - 44) > 60) drawn++;
    }
    return {
      counts, drawn,
      charts: sender.querySelectorAll('.uplot').length,
      problems: document.querySelector('[data-count="problems"]').textContent,
      frameLabel: sender.querySelector('[data-frame-label]').textContent,
    };
  });
  // Scrubbing to the last frame moves the skeleton.
  await page.evaluate(() => {
    const scrub = document.querySelector('section[data-sender="0-0"] [data-scrub]');
    scrub.value = scrub.max;
    scrub.dispatchEvent(new Event('input'));
  });
  const lastLabel = await page.textContent('section[data-sender="0-0"] [data-frame-label]');
  await page.screenshot({ path: join(out, `${report.name}.png`), fullPage: true });
  await page.close();

  const name = report.name;
  check(`${name}: console`, errors.length === 0, errors.join('\n'));
  check(`${name}: network`, requests.length === 0, requests.join(' '));
  for (const [key, value] of Object.entries(report.counts)) {
    check(`${name}: ${key}`, seen.counts[key] === String(value),
      `DOM says ${seen.counts[key]}, expected ${value}`);
  }
  check(`${name}: problems`, seen.problems === String(report.problems),
    `DOM says ${seen.problems}, expected ${report.problems}`);
  check(`${name}: plots`, seen.charts === report.charts + report.sensors,
    `${seen.charts} plots, expected ${report.charts + report.sensors}`);
  check(`${name}: skeleton drawn`, seen.drawn > 200, `${seen.drawn} pixels drawn`);
  check(`${name}: scrub`, lastLabel !== seen.frameLabel, `label stayed "${lastLabel}"`);
}
await close();
console.log(`screenshots: ${reports.map((r) => join(out, `${r.name}.png`)).join(', ')}`);
console.log(failed === 0 ? `OK (${passed} tests)` : `FAILED (${failed} of ${passed + failed} tests)`);
process.exit(failed === 0 ? 0 : 1);
