"""Writes a capture of one sender streaming a random skeleton: 24 bones in a
random tree (ids random, children defined before their parents at times),
240 frames of random rotations with frame 5100 missing, three sensor
records, the skeleton sent again part way. The documents are made by
`rmf encode` from JSON; this script only adds the packet headers.

world: transforms relative to the world, Z-up, in millimetres, quaternions
       w first; every bone keeps its offset from its parent.
local: transforms relative to the parent, Y-up, in metres, quaternions w
       last; two bones move away from their offsets.

usage: random_capture.py RMF world|local OUT.pcap
"""
import json
import struct
import subprocess
import sys

import numpy as np

BONES, FRAMES, MISSING, FIRST = 24, 241, 5100, 5000
SENDER, RECEIVER = (10, 0, 0, 7), (10, 0, 0, 255)


def multiply(a, b):
    aw, ax, ay, az = a
    bw, bx, by, bz = b
    return np.array([aw * bw - ax * bx - ay * by - az * bz, aw * bx + ax * bw + ay * bz - az * by,
                     aw * by - ax * bz + ay * bw + az * bx, aw * bz + ax * by - ay * bx + az * bw])


def rotate(q, v):
    return multiply(multiply(q, np.concatenate([[0.0], v])), q * [1, -1, -1, -1])[1:]


def world(parents, rotations, translations):
    """World transforms of local ones, parents first."""
    rot, pos = [None] * BONES, [None] * BONES
    for bone in range(BONES):  # a parent's index is below its child's
        p = parents[bone]
        rot[bone] = rotations[bone] if p < 0 else multiply(rot[p], rotations[bone])
        pos[bone] = translations[bone] if p < 0 else pos[p] + rotate(rot[p], translations[bone])
    return rot, pos


def bones_json(ids, order, rot, pos, parents=None):
    bones = []
    for bone in order:
        entry = {"id": int(ids[bone])}
        if parents is not None:
            entry["parent"] = int(ids[parents[bone]]) if parents[bone] >= 0 else -1
        entry["rotation"] = [float(v) for v in rot[bone]]
        entry["translation"] = [float(v) for v in pos[bone]]
        bones.append(entry)
    return bones


def documents(rng, space):
    ids = rng.choice(np.arange(1, 600), BONES, replace=False)
    parents = [-1] + [int(rng.integers(0, bone)) for bone in range(1, BONES)]
    order = rng.permutation(BONES)
    direction = rng.normal(size=(BONES, 3))
    offsets = direction / np.linalg.norm(direction, axis=1)[:, None] * rng.uniform(50, 400, (BONES, 1))
    offsets[0] = (200.0, -100.0, 950.0)
    random_rotation = lambda: (lambda q: q / np.linalg.norm(q))(rng.normal(size=4))
    sender = {"ip": ".".join(map(str, SENDER)), "port": 7100}
    as_sent = lambda rot, pos: (world(parents, rot, pos) if space == "world" else
                                ([q[[1, 2, 3, 0]] for q in rot], [t / 1000.0 for t in pos]))
    rest = as_sent([random_rotation() for _ in range(BONES)], offsets)
    skeleton = dict(kind="skeleton_definition", **sender, bones=bones_json(ids, order, *rest, parents))
    docs = [skeleton]
    for k in range(FRAMES):
        number = FIRST + k
        if number == MISSING:
            continue
        translations = offsets.copy()
        translations[0] += rng.normal(scale=20.0, size=3)
        if space == "local":  # bones that stray from their offsets
            translations[5] += rng.normal(scale=30.0, size=3)
            translations[17] *= 1.0 + 0.2 * np.sin(k / 10.0)
        rot, pos = as_sent([random_rotation() for _ in range(BONES)], translations)
        seconds = k / 120.0
        docs.append(dict(kind="frame_data", **sender, frame_number=number, time=seconds,
                         uttm=1.7e9 + seconds, timecode="01:02:%02d:%02d" % (k // 120, k % 120 // 4),
                         subframe=k % 4, flag=1, bones=bones_json(ids, order, rot, pos)))
        if k in (10, 120, 230):
            docs.append(dict(kind="sensor_data", **sender, uttm=1.7e9 + seconds,
                             sensor_address="00:1a:7d:da:71:%02x" % k,
                             sensor_name='left "hand", IMU', sensor_joint_index=int(ids[9]),
                             sensor_values=[float(v) for v in rng.normal(size=7)]))
        if k == 120:
            docs.append(skeleton)  # sent again, unchanged
    return docs


def checksum(data):
    data += b"\0" * (len(data) % 2)
    total = sum(struct.unpack("!%dH" % (len(data) // 2), data))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return ~total & 0xFFFF


def frame(payload, ident):
    udp_length = 8 + len(payload)
    pseudo = bytes(SENDER) + bytes(RECEIVER) + struct.pack("!BBH", 0, 17, udp_length)
    udp = struct.pack("!HHHH", 7100, 7101, udp_length, 0) + payload
    udp = udp[:6] + struct.pack("!H", checksum(pseudo + udp) or 0xFFFF) + udp[8:]
    ip = struct.pack("!BBHHHBBH4s4s", 0x45, 0, 20 + udp_length, ident, 0, 64, 17, 0,
                     bytes(SENDER), bytes(RECEIVER))
    ip = ip[:10] + struct.pack("!H", checksum(ip)) + ip[12:]
    return b"\xff" * 6 + b"\x02\0\0\0\0\x07" + b"\x08\x00" + ip + udp


def main(rmf, space, out):
    docs = documents(np.random.default_rng(23), space)
    encoded = subprocess.run([rmf, "encode", "--json", "-"], input="\n".join(map(json.dumps, docs)),
                             capture_output=True, text=True, check=True).stdout.splitlines()
    with open(out, "wb") as pcap:
        pcap.write(struct.pack("<IHHiIII", 0xA1B2C3D4, 2, 4, 0, 0, 65535, 1))
        for k, line in enumerate(encoded):
            packet = frame(bytes.fromhex(json.loads(line)["hex"]), k + 1)
            micro = 100_000_000 + k * 8333
            pcap.write(struct.pack("<IIII", 1700000000 + micro // 1_000_000, micro % 1_000_000,
                                   len(packet), len(packet)) + packet)


if __name__ == "__main__":
    main(*sys.argv[1:])
