"""A few thousand random documents of all three kinds come back bit for bit,
and re-encoding what was decoded gives the same bytes."""

from __future__ import annotations

import random
import unittest

import ravuna_motion_serializer as rms

from .support import (
    bone_poses,
    float32,
    frame_fingerprint,
    random_float32,
    random_ip,
    sensor_fingerprint,
    skeleton_bones,
    skeleton_fingerprint,
)

DOCUMENTS_PER_KIND = 1000
SEED = 20261206


def random_double(rng: random.Random) -> float:
    return rng.choice([rng.uniform(-1e9, 1e9), float32(rng.getrandbits(31)), -0.0, 1e308])


def random_text(rng: random.Random) -> str:
    alphabet = "abcxyz0189 /:_-\u00e9\u4e16\U0001f600\udc80"
    return "".join(rng.choice(alphabet) for _ in range(rng.randint(0, 40)))


def random_skeleton(rng: random.Random) -> rms.SkeletonDefinition:
    return rms.SkeletonDefinition(
        random_ip(rng), rng.randint(0, 65535), skeleton_bones(rng.randint(0, 40), rng)
    )


def random_frame(rng: random.Random) -> rms.FrameData:
    return rms.FrameData(
        random_ip(rng),
        rng.randint(0, 65535),
        rng.randint(-(2**31), 2**31 - 1),
        random_float32(rng),
        random_double(rng),
        tuple(rng.randint(0, 255) for _ in range(5)),
        rng.random() < 0.5,
        bone_poses(rng.randint(0, 40), rng),
    )


def random_sensor(rng: random.Random) -> rms.SensorData:
    return rms.SensorData(
        random_ip(rng),
        rng.randint(0, 65535),
        random_double(rng),
        random_text(rng),
        random_text(rng),
        rng.randint(-(2**31), 2**31 - 1),
        tuple(random_float32(rng) for _ in range(7)),
    )


KINDS = {
    "skeleton definition": (
        random_skeleton,
        rms.encode_skeleton_definition,
        rms.decode_skeleton_definition,
        skeleton_fingerprint,
    ),
    "frame data": (random_frame, rms.encode_frame, rms.decode_frame, frame_fingerprint),
    "sensor data": (
        random_sensor,
        rms.encode_sensor_data,
        rms.decode_sensor_data,
        sensor_fingerprint,
    ),
}


class RandomizedRoundTripTest(unittest.TestCase):
    def test_random_documents(self) -> None:
        rng = random.Random(SEED)
        for name, (make, encode, decode, fingerprint) in KINDS.items():
            with self.subTest(kind=name):
                for index in range(DOCUMENTS_PER_KIND):
                    original = make(rng)
                    encoded = encode(original)
                    decoded = decode(encoded)
                    self.assertEqual(fingerprint(decoded), fingerprint(original), f"document {index}")
                    self.assertEqual(encode(decoded), encoded, f"document {index}")


if __name__ == "__main__":
    unittest.main()
