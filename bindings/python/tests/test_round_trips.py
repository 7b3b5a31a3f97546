"""Documents of every kind: exact wire bytes, and values that come back bit
for bit at 0, 1 and 27 bones."""

from __future__ import annotations

import random
import struct
import unittest

import ravuna_motion_serializer as rms

from .support import (
    SPECIAL_FLOATS,
    bone_poses,
    frame_fingerprint,
    sensor_fingerprint,
    skeleton_bones,
    skeleton_fingerprint,
)

BONE_COUNTS = (0, 1, 27)


def envelope(packed_ip: int, port: int) -> bytes:
    """The "head" and "sndf" boxes every document starts with."""
    head = struct.pack(
        "<I4sI4s18sI4sB", 35, b"head", 18, b"ftyp", b"kavi motion format", 1, b"vrsn", 1
    )
    sender = struct.pack("<I4sI4sQI4sH", 26, b"sndf", 8, b"ipad", packed_ip, 2, b"rcvp", port)
    return head + sender


def tran(*values: float) -> bytes:
    return struct.pack("<I4s7f", 28, b"tran", *values)


class WireBytesTest(unittest.TestCase):
    def test_skeleton_with_one_bone(self) -> None:
        skeleton = rms.SkeletonDefinition(
            "192.168.0.1", 7000, [rms.SkeletonBone(5, -1, (0, 0, 0, 1), (0.1, 1.2, -0.3))]
        )
        bone = (
            struct.pack("<I4sI4shI4sh", 56, b"bndt", 2, b"bnid", 5, 2, b"pbid", -1)
            + tran(0, 0, 0, 1, 0.1, 1.2, -0.3)
        )
        expected = (
            envelope(192168000001, 7000) + struct.pack("<I4sI4s", 72, b"skdf", 64, b"bons") + bone
        )
        self.assertEqual(rms.encode_skeleton_definition(skeleton), expected)

    def test_frame_without_bones(self) -> None:
        frame = rms.FrameData("10.0.0.1", 65535, 1, 0.5, 2.0, (1, 2, 3, 4, 5), True)
        fram = bytes.fromhex(
            "3e000000" "6672616d" "04000000" "666e756d" "01000000" "04000000" "74696d65"
            "0000003f" "08000000" "7574746d" "0000000000000040" "06000000" "746d6364"
            "010203040501" "00000000" "62747273"
        )
        self.assertEqual(rms.encode_frame(frame), envelope(10000000001, 65535) + fram)

    def test_frame_bone_position(self) -> None:
        frame = rms.FrameData("1.2.3.4", 0, 0, 0.0, 0.0, bones=[rms.BonePose(-1, (1, 2, 3, 4))])
        encoded = rms.encode_frame(frame)
        self.assertEqual(len(encoded), 201)
        self.assertEqual(encoded[163:165], b"\xff\xff")
        self.assertEqual(encoded[173:201], struct.pack("<7f", 1, 2, 3, 4, 0, 0, 0))

    def test_sensor_record(self) -> None:
        sensor = rms.SensorData("0.0.0.1", 80, 1.0, "ab", "c", 3, (0, 0, 0, 1, 0, 0, 0))
        sndt = (
            struct.pack("<I4sI4sd", 83, b"sndt", 8, b"uttm", 1.0)
            + struct.pack("<I4s2sI4s1s", 2, b"snad", b"ab", 1, b"snnm", b"c")
            + struct.pack("<I4si", 4, b"snji", 3)
            + struct.pack("<I4s7f", 28, b"snvl", 0, 0, 0, 1, 0, 0, 0)
        )
        self.assertEqual(rms.encode_sensor_data(sensor), envelope(1, 80) + sndt)

    def test_document_lengths(self) -> None:
        rng = random.Random(1)
        for count in BONE_COUNTS:
            with self.subTest(bones=count):
                skeleton = rms.SkeletonDefinition("1.1.1.1", 1, skeleton_bones(count, rng))
                frame = rms.FrameData("1.1.1.1", 1, 0, 0.0, 0.0, bones=bone_poses(count, rng))
                self.assertEqual(len(rms.encode_skeleton_definition(skeleton)), 93 + 64 * count)
                self.assertEqual(len(rms.encode_frame(frame)), 147 + 54 * count)


class RoundTripTest(unittest.TestCase):
    def setUp(self) -> None:
        self.rng = random.Random(27)

    def test_skeleton_definition(self) -> None:
        for count in BONE_COUNTS:
            with self.subTest(bones=count):
                skeleton = rms.SkeletonDefinition(
                    "192.168.10.200", 65535, skeleton_bones(count, self.rng)
                )
                encoded = rms.encode_skeleton_definition(skeleton)
                decoded = rms.decode_skeleton_definition(encoded)
                self.assertEqual(skeleton_fingerprint(decoded), skeleton_fingerprint(skeleton))
                self.assertEqual(rms.encode_skeleton_definition(decoded), encoded)

    def test_frame(self) -> None:
        for count in BONE_COUNTS:
            with self.subTest(bones=count):
                frame = rms.FrameData(
                    "255.255.255.255",
                    0,
                    -(2**31),
                    SPECIAL_FLOATS[1],
                    -0.0,
                    (0, 255, 59, 23, 7),
                    True,
                    bone_poses(count, self.rng),
                )
                encoded = rms.encode_frame(frame)
                decoded = rms.decode_frame(encoded)
                self.assertEqual(frame_fingerprint(decoded), frame_fingerprint(frame))
                self.assertEqual(rms.encode_frame(decoded), encoded)

    def test_sensor_data(self) -> None:
        sensor = rms.SensorData(
            "8.8.4.4", 1234, 1e300, "/dev/ttyUSB0", "Glove \u00e9\u4e16", -7, SPECIAL_FLOATS + [1.5]
        )
        decoded = rms.decode_sensor_data(rms.encode_sensor_data(sensor))
        self.assertEqual(sensor_fingerprint(decoded), sensor_fingerprint(sensor))

    def test_special_floats_in_bones(self) -> None:
        rotation = tuple(SPECIAL_FLOATS[:4])
        translation = tuple(SPECIAL_FLOATS[4:] + [float("-inf")])
        skeleton = rms.SkeletonDefinition(
            "1.2.3.4", 5, [rms.SkeletonBone(32767, -32768, rotation, translation)]
        )
        decoded = rms.decode_skeleton_definition(rms.encode_skeleton_definition(skeleton))
        self.assertEqual(skeleton_fingerprint(decoded), skeleton_fingerprint(skeleton))

    def test_empty_sensor_texts(self) -> None:
        sensor = rms.SensorData("0.0.0.0", 0, 0.0, "", "", 0)
        encoded = rms.encode_sensor_data(sensor)
        self.assertEqual(len(encoded), 165)
        self.assertEqual(rms.decode_sensor_data(encoded), sensor)

    def test_dotted_address_of_unusual_parts(self) -> None:
        # Parts above 255 are kept; a part of 1000 carries into the one before.
        for text, expected in (("300.1.1.1", "300.1.1.1"), ("1.1000.0.0", "2.0.0.0")):
            with self.subTest(text=text):
                encoded = rms.encode_sensor_data(rms.SensorData(text, 0, 0.0, "", "", 0))
                self.assertEqual(rms.decode_sensor_data(encoded).ip_address, expected)


if __name__ == "__main__":
    unittest.main()
