// Draws the report's plots and skeleton from the data the page carries.
(function () {
  'use strict';
  const started = performance.now();
  const stages = {};
  function timed(stage, work) {
    const start = performance.now();
    const result = work();
    stages[stage] = (stages[stage] || 0) + performance.now() - start;
    return result;
  }
  const data = timed('parse', function () {
    return JSON.parse(document.getElementById('rmf-data').textContent);
  });
  const markColors = { gap: '#d62728', reordered: '#1f77b4', repeat: '#ff7f0e', backwards: '#9467bd' };
  const markNames = { gap: 'gaps', reordered: 'reordered', repeat: 'repeats', backwards: 'backwards' };
  const sensorColors = ['#1f77b4', '#ff7f0e', '#2ca02c', '#d62728', '#9467bd', '#8c564b', '#e377c2'];
  const charts = [];

  function plotWidth(element) {
    return Math.max(320, Math.min(1100, element.parentElement.clientWidth || 800));
  }

  function setNote(section, name, text) {
    const element = section.querySelector('[data-note="' + name + '"]');
    if (element) element.textContent = text;
  }

  function count(n) { return Number(n).toLocaleString('en'); }

  function thinningText(series, what) {
    if (series.source > series.t.length) {
      return what + ': ' + count(series.t.length) + ' of ' + count(series.source) +
        ' points plotted (the lowest and highest of each stretch, so spikes stay); ' +
        'the statistics use every frame.';
    }
    return what + ': every one of the ' + count(series.source) + ' points plotted.';
  }

  // Events drawn over the interval plot: a band and a tick per mark, many
  // marks on one pixel drawn once.
  function markPlugin(events) {
    return {
      hooks: {
        draw: [function (u) {
          const ctx = u.ctx;
          const ratio = window.devicePixelRatio || 1;
          const top = u.bbox.top;
          const left = u.bbox.left;
          const right = left + u.bbox.width;
          ctx.save();
          for (const kind of ['gap', 'reordered', 'repeat', 'backwards']) {
            ctx.fillStyle = markColors[kind];
            let lastX = -1;
            for (const mark of events[kind].marks) {
              const x = Math.round(u.valToPos(mark[0], 'x', true));
              if (x < left || x > right || x === lastX) continue;
              lastX = x;
              ctx.globalAlpha = 0.35;
              ctx.fillRect(x, top, ratio, u.bbox.height);
              ctx.globalAlpha = 1;
              ctx.beginPath();
              ctx.moveTo(x - 4 * ratio, top);
              ctx.lineTo(x + 4 * ratio, top);
              ctx.lineTo(x, top + 7 * ratio);
              ctx.fill();
            }
          }
          ctx.restore();
        }],
      },
    };
  }

  function legend(events) {
    const element = document.createElement('p');
    element.className = 'legend';
    for (const kind of ['gap', 'reordered', 'repeat', 'backwards']) {
      const item = document.createElement('span');
      const swatch = document.createElement('i');
      swatch.style.background = markColors[kind];
      item.appendChild(swatch);
      const shown = events[kind].marks.length;
      const total = events[kind].count;
      item.appendChild(document.createTextNode(markNames[kind] + ': ' + count(total) +
        (shown < total ? ' (first ' + count(shown) + ' marked)' : '')));
      element.appendChild(item);
    }
    return element;
  }

  function intervalPlot(section, sender) {
    const element = section.querySelector('[data-plot="intervals"]');
    if (!element || sender.intervals.t.length === 0) return;
    const opts = {
      title: 'Frame intervals over capture time',
      width: plotWidth(element), height: 260,
      scales: { x: { time: false }, y: { range: function (u, min, max) { return [0, Math.max(max * 1.1, 1)]; } } },
      axes: [{ label: 'capture time (s)' }, { label: 'interval (ms)' }],
      series: [{ label: 'time (s)' },
        { label: 'interval (ms)', stroke: '#37474f', width: 1, points: { show: false } }],
      plugins: [markPlugin(sender.events)],
    };
    charts.push(new uPlot(opts, [sender.intervals.t, sender.intervals.v], element));
    element.after(legend(sender.events));
    setNote(section, 'intervals', thinningText(sender.intervals, 'Intervals') +
      ' A gap is marked at the frame that skipped the missing numbers.');
  }

  function histogramPlot(section, sender) {
    const element = section.querySelector('[data-plot="histogram"]');
    const h = sender.histogram;
    if (!element || h.counts.length === 0) return;
    const x = h.counts.map(function (_, i) { return h.low_ms + (i + 0.5) * h.bin_ms; });
    const opts = {
      title: 'Intervals (every frame)' +
        (h.above ? ', ' + count(h.above) + ' longer than ' + (h.low_ms + h.counts.length * h.bin_ms).toFixed(3) + ' ms not shown' : ''),
      width: Math.min(560, plotWidth(element)), height: 240,
      scales: { x: { time: false } },
      axes: [{ label: 'interval (ms)' }, { label: 'frames' }],
      series: [{ label: 'interval (ms)' }, {
        label: 'frames', fill: 'rgba(76,120,168,0.7)', stroke: '#4c78a8',
        paths: uPlot.paths.bars({ size: [0.95, 100] }), points: { show: false },
      }],
    };
    charts.push(new uPlot(opts, [x, h.counts], element));
  }

  function clockPlot(section, sender) {
    const element = section.querySelector('[data-plot="clock"]');
    const clock = sender.clock;
    if (!element || clock.t.length === 0) return;
    const series = [{ label: 'time (s)' },
      { label: 'uttm - capture time (ms)', stroke: '#00897b', width: 1, points: { show: false } }];
    const columns = [clock.t, clock.v];
    if (clock.offset_ms !== undefined) {
      series.push({ label: 'least-squares fit (estimate)', stroke: '#e65100', width: 1, dash: [6, 4], points: { show: false } });
      columns.push(clock.t.map(function (t) {
        return clock.offset_ms + clock.drift_ppm * 1e-3 * (t - clock.at);
      }));
    }
    const opts = {
      title: 'Sender clock (uttm) minus capture time', width: plotWidth(element), height: 240,
      scales: { x: { time: false } },
      axes: [{ label: 'capture time (s)' }, { label: 'ms', size: 70 }],
      series: series,
    };
    charts.push(new uPlot(opts, columns, element));
    setNote(section, 'clock', thinningText(clock, 'Clock differences'));
  }

  function sensorPlots(section, sender) {
    const holder = section.querySelector('[data-sensors]');
    if (!holder) return;
    for (const sensor of sender.sensors) {
      const box = document.createElement('div');
      box.className = 'sensor';
      const title = document.createElement('h5');
      const name = typeof sensor.name === 'string' ? sensor.name : JSON.stringify(sensor.name);
      const address = typeof sensor.address === 'string' ? sensor.address : JSON.stringify(sensor.address);
      title.textContent = name + ' (' + address + ', joint ' + (sensor.joint === null ? '-' : sensor.joint) +
        '): ' + count(sensor.records) + ' records' +
        (sensor.stride > 1 ? ', every ' + sensor.stride + 'th plotted' : '');
      box.appendChild(title);
      const plot = document.createElement('div');
      box.appendChild(plot);
      holder.appendChild(box);
      const series = [{ label: 'time (s)' }];
      for (let k = 0; k < 7; k++) {
        series.push({ label: 'value ' + k, stroke: sensorColors[k], width: 1,
          points: { show: sensor.t.length < 50 } });
      }
      const opts = {
        width: plotWidth(holder), height: 200, scales: { x: { time: false } },
        axes: [{ label: 'capture time (s)' }, {}], series: series,
      };
      charts.push(new uPlot(opts, [sensor.t].concat(sensor.values), plot));
    }
  }

  function decodePositions(text) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    return new Int16Array(bytes.buffer);
  }

  // The skeleton on a plain canvas: joints turned by yaw and pitch, then
  // projected orthographically; lines join each joint to its parent.
  function skeletonView(section, sender) {
    const canvas = section.querySelector('[data-skeleton]');
    if (!canvas) return;
    const skeleton = sender.skeleton;
    const play = section.querySelector('[data-play]');
    const scrub = section.querySelector('[data-scrub]');
    const label = section.querySelector('[data-frame-label]');
    if (!skeleton.frames || !skeleton.positions) {
      setNote(section, 'skeleton', skeleton.note || 'Nothing to draw.');
      play.disabled = true;
      scrub.disabled = true;
      return;
    }
    const q = decodePositions(skeleton.positions);
    const joints = skeleton.parents.length;
    const frames = skeleton.frames;
    const ctx = canvas.getContext('2d');
    const view = { yaw: 0.5, pitch: 0.2, zoom: 1, frame: 0, playing: false };
    const extent = 32000;
    const screen = new Float32Array(joints * 2);
    scrub.max = String(frames - 1);
    setNote(section, 'skeleton', skeleton.note + (skeleton.stride > 1
      ? ' Animated: every ' + skeleton.stride + 'th frame, ' + count(frames) + ' of ' +
        count(skeleton.source_frames) + '.'
      : ' Every frame animated.') + ' Drag to turn, wheel to zoom.');

    function draw() {
      const w = canvas.width;
      const h = canvas.height;
      ctx.fillStyle = '#1e272c';
      ctx.fillRect(0, 0, w, h);
      const cy = Math.cos(view.yaw), sy = Math.sin(view.yaw);
      const cp = Math.cos(view.pitch), sp = Math.sin(view.pitch);
      const s = view.zoom * 0.42 * Math.min(w, h) / extent;
      const base = view.frame * joints * 3;
      for (let j = 0; j < joints; j++) {
        const x = q[base + 3 * j], y = q[base + 3 * j + 1], z = q[base + 3 * j + 2];
        const rx = cy * x + sy * z;
        const rz = -sy * x + cy * z;
        const ry = cp * y - sp * rz;
        screen[2 * j] = w / 2 + rx * s;
        screen[2 * j + 1] = h / 2 - ry * s;
      }
      ctx.strokeStyle = '#80cbc4';
      ctx.lineWidth = 2;
      ctx.beginPath();
      for (let j = 0; j < joints; j++) {
        const p = skeleton.parents[j];
        if (p < 0) continue;
        ctx.moveTo(screen[2 * p], screen[2 * p + 1]);
        ctx.lineTo(screen[2 * j], screen[2 * j + 1]);
      }
      ctx.stroke();
      ctx.fillStyle = '#ffcc80';
      for (let j = 0; j < joints; j++) {
        ctx.fillRect(screen[2 * j] - 2, screen[2 * j + 1] - 2, 4, 4);
      }
      label.textContent = 'frame ' + skeleton.numbers[view.frame] + ', ' +
        skeleton.t[view.frame].toFixed(3) + ' s (' + (view.frame + 1) + ' of ' + frames + ')';
    }

    function show(frame) {
      view.frame = Math.max(0, Math.min(frames - 1, frame));
      scrub.value = String(view.frame);
      draw();
    }

    // Playback follows capture time; the kept frame at or before it is shown.
    let clockStart = 0, timeStart = 0;
    function step(now) {
      if (!view.playing) return;
      const t = timeStart + (now - clockStart) / 1000;
      let frame = view.frame;
      while (frame + 1 < frames && skeleton.t[frame + 1] <= t) frame++;
      if (frame + 1 >= frames && t > skeleton.t[frames - 1] + 0.5) {
        frame = 0;
        clockStart = now;
        timeStart = skeleton.t[0];
      }
      if (frame !== view.frame) show(frame);
      requestAnimationFrame(step);
    }
    play.addEventListener('click', function () {
      view.playing = !view.playing;
      play.textContent = view.playing ? 'Pause' : 'Play';
      if (view.playing) {
        clockStart = performance.now();
        timeStart = skeleton.t[view.frame];
        requestAnimationFrame(step);
      }
    });
    scrub.addEventListener('input', function () { show(Number(scrub.value)); });
    let drag = null;
    canvas.addEventListener('pointerdown', function (e) {
      drag = { x: e.clientX, y: e.clientY };
      canvas.setPointerCapture(e.pointerId);
    });
    canvas.addEventListener('pointermove', function (e) {
      if (!drag) return;
      view.yaw += (e.clientX - drag.x) * 0.01;
      view.pitch = Math.max(-1.5, Math.min(1.5, view.pitch + (e.clientY - drag.y) * 0.01));
      drag = { x: e.clientX, y: e.clientY };
      draw();
    });
    canvas.addEventListener('pointerup', function () { drag = null; });
    canvas.addEventListener('wheel', function (e) {
      e.preventDefault();
      view.zoom = Math.max(0.2, Math.min(8, view.zoom * Math.exp(-e.deltaY * 0.001)));
      draw();
    }, { passive: false });
    show(0);
  }

  for (const capture of data.captures) {
    for (const sender of capture.senders) {
      const section = document.querySelector('section[data-sender="' + sender.id + '"]');
      if (!section) continue;
      timed('intervals', function () { intervalPlot(section, sender); });
      timed('histogram', function () { histogramPlot(section, sender); });
      timed('clock', function () { clockPlot(section, sender); });
      timed('skeleton', function () { skeletonView(section, sender); });
      timed('sensors', function () { sensorPlots(section, sender); });
    }
  }
  window.rmfReport = {
    ready: true, charts: charts.length, drawMs: performance.now() - started, stages: stages,
  };
})();
