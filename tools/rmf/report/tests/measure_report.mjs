// How responsive a report page is in headless Chromium: the time until its
// plots and skeleton are drawn, the time one scrub step takes, the frame
// times while the skeleton plays, and the long tasks (over 50 ms) seen.
// Prints the figures; it judges nothing (speed belongs to the machine).
//   node measure_report.mjs REPORT.html
import { resolve } from 'node:path';
import { launchChromium } from './headless_chromium.mjs';

const file = resolve(process.argv[2]);
const { browser, close } = await launchChromium();
const page = await browser.newPage();
await page.addInitScript(() => {
  window.longTasks = [];
  new PerformanceObserver((list) => {
    for (const entry of list.getEntries()) window.longTasks.push(entry.duration);
  }).observe({ type: 'longtask', buffered: true });
});
const opened = Date.now();
await page.goto(`file://${file}`);
await page.waitForFunction(() => window.rmfReport && window.rmfReport.ready, null, { timeout: 60000 });
const readyMs = Date.now() - opened;
const figures = await page.evaluate(async () => {
  const section = document.querySelector('section[data-sender="0-0"]');
  const scrub = section.querySelector('[data-scrub]');
  const steps = [];
  for (let i = 0; i < 100; i++) {
    const start = performance.now();
    scrub.value = String(Math.floor((Number(scrub.max) * i) / 99));
    scrub.dispatchEvent(new Event('input'));
    steps.push(performance.now() - start);
  }
  const longBefore = window.longTasks.length;
  section.querySelector('[data-play]').click();
  const frames = [];
  await new Promise((done) => {
    let last = performance.now();
    const end = last + 3000;
    function tick(now) {
      frames.push(now - last);
      last = now;
      if (now < end) requestAnimationFrame(tick); else done();
    }
    requestAnimationFrame(tick);
  });
  section.querySelector('[data-play]').click();
  const sorted = (values) => values.slice().sort((a, b) => a - b);
  const at = (values, q) => sorted(values)[Math.min(values.length - 1, Math.floor(q * values.length))];
  return {
    drawMs: window.rmfReport.drawMs, stages: window.rmfReport.stages,
    scrubMedianMs: at(steps, 0.5), scrubMaxMs: at(steps, 1),
    playFrames: frames.length, playMedianMs: at(frames, 0.5), playP95Ms: at(frames, 0.95),
    longTasksLoading: longBefore, longTasksPlaying: window.longTasks.length - longBefore,
    longestTaskMs: Math.max(0, ...window.longTasks),
  };
});
await close();
const round = (value) => Math.round(value * 10) / 10;
console.log(`${file}: ready after ${readyMs} ms (script ${round(figures.drawMs)} ms); ` +
  `scrub step median ${round(figures.scrubMedianMs)} ms, max ${round(figures.scrubMaxMs)} ms; ` +
  `playing: ${figures.playFrames} frames in 3 s, median ${round(figures.playMedianMs)} ms, ` +
  `p95 ${round(figures.playP95Ms)} ms; long tasks: ${figures.longTasksLoading} while loading ` +
  `(longest ${round(figures.longestTaskMs)} ms), ${figures.longTasksPlaying} while playing; ` +
  `script stages (ms): ${Object.entries(figures.stages).map(([k, v]) => `${k} ${round(v)}`).join(', ')}`);
