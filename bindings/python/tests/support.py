"""Value factories and bit-exact comparisons shared by the binding tests."""

from __future__ import annotations

import random
import struct
from typing import Iterable

import ravuna_motion_serializer as rms


def float32(bits: int) -> float:
    """The single-precision number with these 32 bits, as a Python float."""
    return struct.unpack("<f", struct.pack("<I", bits))[0]


def float32_bits(value: float) -> int:
    return struct.unpack("<I", struct.pack("<f", value))[0]


def float64_bits(value: float) -> int:
    return struct.unpack("<Q", struct.pack("<d", value))[0]


def float_bits(values: Iterable[float]) -> list[int]:
    return [float32_bits(value) for value in values]


# Single-precision values that a careless conversion would change: signed
# zero, the smallest subnormal, the largest finite, infinities, a quiet NaN
# with a payload.
SPECIAL_FLOATS = [
    float32(bits)
    for bits in (0x80000000, 0x00000001, 0x7F7FFFFF, 0xFF800000, 0x7F800000, 0x7FC01234)
]


def random_float32(rng: random.Random) -> float:
    """Any single-precision number except a signalling NaN, which a C
    conversion through double may quieten."""
    while True:
        bits = rng.getrandbits(32)
        is_nan = (bits & 0x7F800000) == 0x7F800000 and bits & 0x007FFFFF
        if not is_nan or bits & 0x00400000:
            return float32(bits)


def skeleton_bones(count: int, rng: random.Random) -> list[rms.SkeletonBone]:
    return [
        rms.SkeletonBone(
            rng.randint(-32768, 32767),
            rng.randint(-32768, 32767),
            tuple(random_float32(rng) for _ in range(4)),
            tuple(random_float32(rng) for _ in range(3)),
        )
        for _ in range(count)
    ]


def bone_poses(count: int, rng: random.Random) -> list[rms.BonePose]:
    return [
        rms.BonePose(
            rng.randint(-32768, 32767),
            tuple(random_float32(rng) for _ in range(4)),
            tuple(random_float32(rng) for _ in range(3)),
        )
        for _ in range(count)
    ]


def random_ip(rng: random.Random) -> str:
    return ".".join(str(rng.randint(0, 255)) for _ in range(4))


def skeleton_fingerprint(skeleton: rms.SkeletonDefinition) -> tuple:
    """Every field, floats as bit patterns, so NaN payloads compare too."""
    return (
        skeleton.ip_address,
        skeleton.port,
        [
            (b.id, b.parent_id, float_bits(b.rotation), float_bits(b.translation))
            for b in skeleton.bones
        ],
    )


def frame_fingerprint(frame: rms.FrameData) -> tuple:
    return (
        frame.ip_address,
        frame.port,
        frame.frame_number,
        float32_bits(frame.time),
        float64_bits(frame.uttm),
        frame.timecode,
        frame.timecode_flag,
        [(b.id, float_bits(b.rotation), float_bits(b.translation)) for b in frame.bones],
    )


def sensor_fingerprint(sensor: rms.SensorData) -> tuple:
    return (
        sensor.ip_address,
        sensor.port,
        float64_bits(sensor.uttm),
        sensor.sensor_address,
        sensor.sensor_name,
        sensor.joint_index,
        float_bits(sensor.values),
    )
