// Writes the captures `make test-report` opens, from the documents `rmf demo`
// wrote: frames get new numbers and uttm values by rewriting those boxes.
//   node make_captures.mjs DEMO_FOLDER planted OUT.pcap
//     frames 1001 to 1040 of one sender with planted faults (see PLANTED)
//   node make_captures.mjs DEMO_FOLDER large OUT.pcap FRAMES
//     FRAMES frames of the 27-bone skeleton at 60 Hz, the demo's poses in turn
import { readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';

const [folder, kind, out, frameCount] = process.argv.slice(2);
const read = (name) => readFileSync(join(folder, name));
const skeleton = read('skeleton_definition.rmf');
const poses = [100, 101, 102, 103].map((n) => read(`frame_data_0${n}.rmf`));
const sensor = read('sensor_data.rmf');

// Boxes are a little-endian size, a four-letter code, then the payload.
function payloadAt(document, code) {
  const at = document.indexOf(Buffer.from(code, 'latin1'));
  if (at < 4) throw new Error(`no ${code} box`);
  return at + 4;
}

function frame(number, uttm, pose = 0) {
  const document = Buffer.from(poses[pose % poses.length]);
  document.writeInt32LE(number, payloadAt(document, 'fnum'));
  document.writeDoubleLE(uttm, payloadAt(document, 'uttm'));
  return document;
}

const sender = [192, 168, 0, 10];
const receiver = [192, 168, 0, 255];

function sum16(bytes, sum = 0) {
  for (let i = 0; i + 1 < bytes.length; i += 2) sum += bytes.readUInt16BE(i);
  if (bytes.length % 2) sum += bytes[bytes.length - 1] << 8;
  while (sum > 0xffff) sum = (sum & 0xffff) + (sum >>> 16);
  return sum;
}

// A raw IPv4 packet; the UDP checksum is left out (0) unless `offload`,
// which writes what a sending host with checksum offload leaves there.
function udpPacket(payload, { udpLength, offload } = {}) {
  const ip = Buffer.alloc(28);
  ip.writeUInt8(0x45, 0);
  ip.writeUInt16BE(28 + payload.length, 2);
  ip.writeUInt8(64, 8);
  ip.writeUInt8(17, 9);
  Buffer.from(sender).copy(ip, 12);
  Buffer.from(receiver).copy(ip, 16);
  ip.writeUInt16BE(7000, 20);
  ip.writeUInt16BE(7001, 22);
  ip.writeUInt16BE(udpLength ?? 8 + payload.length, 24);
  if (offload) {
    const pseudo = Buffer.concat([ip.subarray(12, 20), Buffer.from([0, 17]), ip.subarray(24, 26)]);
    ip.writeUInt16BE(sum16(pseudo), 26);
  }
  return Buffer.concat([ip, payload]);
}

function writePcap(path, packets) {
  const header = Buffer.alloc(24);
  header.writeUInt32LE(0xa1b2c3d4, 0);
  header.writeUInt16LE(2, 4);
  header.writeUInt16LE(4, 6);
  header.writeUInt32LE(65535, 16);
  header.writeUInt32LE(101, 20);  // raw IP
  const parts = [header];
  for (const { micros, bytes } of packets) {
    const record = Buffer.alloc(16);
    record.writeUInt32LE(1700000000 + Math.floor(micros / 1e6), 0);
    record.writeUInt32LE(micros % 1e6, 4);
    record.writeUInt32LE(bytes.length, 8);
    record.writeUInt32LE(bytes.length, 12);
    parts.push(record, bytes);
  }
  writeFileSync(path, Buffer.concat(parts));
}

const period = 1e6 / 60;
const packets = [];
let slot = 0;
const send = (bytes, late = 0) => packets.push({ micros: Math.round(slot++ * period) + late, bytes });

if (kind === 'planted') {
  // PLANTED: 1011 to 1013 and 1030 never sent (4 missing in 2 gaps), 1020
  // twice (a repeat), 1026 before 1025 (one reordered), then 1 to 3 (the
  // numbering begins again: one backward step); a sensor record every tenth
  // frame; 1035 with an offload checksum, 1036 with bytes left over (a
  // lenient read), a document cut before its data box (rejected) and a
  // datagram whose UDP length is too small (malformed).
  const numbers = [];
  for (let n = 1001; n <= 1040; n++) {
    if ((n >= 1011 && n <= 1013) || n === 1030) continue;
    if (n === 1025) continue;
    numbers.push(n);
    if (n === 1020) numbers.push(n);
    if (n === 1026) numbers.push(1025);
  }
  numbers.push(1, 2, 3);
  send(udpPacket(skeleton));
  numbers.forEach((n, i) => {
    // The sender's clock 2 ms ahead of the capture's.
    const document = frame(n, 1700000000.002 + slot / 60, i);
    const bytes = n === 1036 ? Buffer.concat([document, Buffer.alloc(3)]) : document;
    send(udpPacket(bytes, { offload: n === 1035 }), i === 17 ? 5000 : 0);
    if (i % 10 === 9) send(udpPacket(sensor));
  });
  const cut = frame(1, 0);
  send(udpPacket(cut.subarray(0, payloadAt(cut, 'fram') - 8)));
  send(udpPacket(frame(1, 0), { udpLength: 4 }));
} else if (kind === 'large') {
  send(udpPacket(skeleton));
  for (let i = 0; i < Number(frameCount); i++) {
    // The sender's clock 3 ms ahead and 20 ppm fast.
    send(udpPacket(frame(i, 1700000000.003 + (i / 60) * (1 + 20e-6), i)), (i * 7919) % 400);
  }
} else {
  throw new Error('usage: node make_captures.mjs DEMO_FOLDER planted|large OUT.pcap [FRAMES]');
}
writePcap(out, packets);
