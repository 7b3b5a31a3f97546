"""The NumPy arrays and the caller-buffer encoder against the handed-out
path: the same values bit for bit, the same bytes, the same verdict on
hostile bytes, and growth or a report when the space is too small."""

from __future__ import annotations

import os
import random
import re
import subprocess
import sys
import unittest

import numpy as np

import ravuna_motion_serializer as rms

from .test_bindings import KINDS, documents, golden

ARRAYS = {KINDS.SKELETON_DEFINITION: rms.SkeletonArrays, KINDS.FRAME_DATA: rms.FrameArrays}
FRAME_SCALARS = ("frame_number", "time", "uttm", "timecode", "timecode_flag")


def float32_bits(values: object) -> bytes:
    return np.asarray(values, np.float32).tobytes()


class ArraysTest(unittest.TestCase):
    def assert_same_values(self, arrays: rms.SkeletonArrays | rms.FrameArrays, value: object) -> None:
        """`arrays` holds what decode_skeleton_definition or decode_frame gave."""
        bones = value.bones  # type: ignore[attr-defined]
        self.assertEqual((arrays.ip_address, arrays.port, arrays.bone_count), (value.ip_address, value.port, len(bones)))  # type: ignore[attr-defined]
        self.assertEqual(arrays.bone_ids.tolist(), [bone.id for bone in bones])
        self.assertEqual(float32_bits(arrays.rotations), float32_bits([bone.rotation for bone in bones]).ljust(16 * len(bones)))
        self.assertEqual(float32_bits(arrays.translations), float32_bits([bone.translation for bone in bones]).ljust(12 * len(bones)))
        if isinstance(arrays, rms.SkeletonArrays):
            self.assertEqual(arrays.parent_ids.tolist(), [bone.parent_id for bone in bones])
        else:
            self.assertEqual([getattr(arrays, name) for name in FRAME_SCALARS], [getattr(value, name) for name in FRAME_SCALARS])

    def test_decoded_as_the_handed_out_path_and_encoded_back_bit_for_bit(self) -> None:
        # One object per kind across 0 to 300 bones: it grows from 4, then
        # reads fewer bones into the same arrays.
        reused = {kind: make(4) for kind, make in ARRAYS.items()}
        buffer = bytearray()
        for bones in (27, 0, 300, 1):
            for kind, arrays in reused.items():
                encoded, decode, _ = documents(bones, bones)[kind]
                for data in (encoded, bytearray(encoded), memoryview(encoded)):
                    with self.subTest(kind=kind, bones=bones, data=type(data).__name__):
                        self.assertEqual(arrays.decode(data), bones)
                        self.assert_same_values(arrays, decode(encoded))
                        self.assertEqual(arrays.encode_into(buffer), len(encoded))
                        self.assertEqual(buffer[: len(encoded)], encoded)
        self.assertEqual(reused[KINDS.FRAME_DATA].bone_capacity, 300)

    def test_hostile_bytes_read_as_the_handed_out_path_reads_them(self) -> None:
        rng = random.Random(3)
        for kind, make in ARRAYS.items():
            encoded, decode, _ = documents(27, 9)[kind]
            arrays = make(27)
            arrays.decode(encoded)
            accepted = 0
            for case in range(400):
                data = bytearray(encoded[: rng.randrange(len(encoded) + 1)] if case % 4 == 0 else encoded)
                for _ in range(rng.randrange(1, 4)):
                    if data:
                        data[rng.randrange(len(data))] = rng.randrange(256)
                with self.subTest(kind=kind, case=case):
                    try:
                        expected = decode(bytes(data))
                    except ValueError as error:
                        before = (arrays.bone_count, arrays.bone_ids.tobytes(), arrays.rotations.tobytes())
                        with self.assertRaisesRegex(ValueError, re.escape(str(error))):
                            arrays.decode(data)
                        self.assertEqual((arrays.bone_count, arrays.bone_ids.tobytes(), arrays.rotations.tobytes()), before)
                    else:
                        accepted += 1
                        arrays.decode(data)
                        self.assert_same_values(arrays, expected)
            self.assertGreater(accepted, 100)  # the cases do reach the values

    def test_strict_decoding_refuses_a_document_cut_short(self) -> None:
        encoded = documents(27, 4)[KINDS.FRAME_DATA][0]
        arrays = rms.FrameArrays()
        self.assertLess(arrays.decode(encoded[:1024]), 27)
        with self.assertRaisesRegex(ValueError, "^frame data document read leniently"):
            arrays.decode(encoded[:1024], strict=True)
        self.assertEqual(arrays.decode(encoded, strict=True), 27)

    def test_values_set_by_hand_encode_the_golden_documents(self) -> None:
        cases = {
            "skeleton_one_bone": (rms.SkeletonArrays(), dict(ip_address="192.168.0.1", port=7000), [5], [-1], (0, 0, 0, 1), (0.1, 1.2, -0.3)),
            "frame_one_bone": (rms.FrameArrays(), dict(ip_address="10.0.0.1", port=65535, frame_number=1, time=0.5, uttm=2.0, timecode=(1, 2, 3, 4, 5), timecode_flag=True), [-1], None, (1, 2, 3, 4), (5, 6, 7)),
        }
        for name, (arrays, scalars, ids, parents, rotation, translation) in cases.items():
            with self.subTest(name):
                for field, value in scalars.items():
                    setattr(arrays, field, value)
                arrays.resize(1)
                arrays.bone_ids[:] = ids
                if parents:
                    arrays.parent_ids[:] = parents
                arrays.rotations[0], arrays.translations[0] = rotation, translation
                buffer = bytearray()
                self.assertEqual(buffer[: arrays.encode_into(buffer)], golden(name))

    def test_values_refused_before_encoding(self) -> None:
        frame, skeleton = rms.FrameArrays(), rms.SkeletonArrays()
        frame.resize(2)
        skeleton.resize(2)
        frame.bone_ids[1] = 40000
        skeleton.parent_ids[0] = -32769
        setters = {"port": 65536, "ip_address": "1.2.3", "frame_number": 2**31, "timecode": (0, 0, 0, 0, 256)}
        cases = {"bone id 40000": lambda: frame.encode_into(bytearray()), "parent id -32769": lambda: skeleton.encode_into(bytearray())}
        cases.update({name: lambda name=name, value=value: setattr(frame, name, value) for name, value in setters.items()})
        for name, call in cases.items():
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    call()

    def test_encode_into_writes_the_encoders_bytes_or_reports_the_length(self) -> None:
        for kind, (encoded, decode, _) in documents(3, 8).items():
            value = decode(encoded)
            with self.subTest(kind=kind):
                grown = bytearray(5)
                self.assertEqual(rms.encode_into(value, grown), len(encoded))
                self.assertEqual(grown, encoded)
                placed = bytearray(len(encoded) + 3)
                rms.encode_into(value, memoryview(placed)[3:])
                self.assertEqual(placed[3:], encoded)
                with self.assertRaises(rms.BufferTooSmallError) as raised:
                    rms.encode_into(value, np.zeros(len(encoded) - 1, np.uint8))
                self.assertEqual((raised.exception.needed, raised.exception.available), (len(encoded), len(encoded) - 1))
                with self.assertRaises(ValueError):
                    rms.encode_into(value, memoryview(encoded))  # read-only

    def test_the_package_works_without_numpy(self) -> None:
        script = (
            "import sys; sys.modules['numpy'] = None\n"
            "import ravuna_motion_serializer as rms\n"
            "frame = rms.FrameData('1.2.3.4', 5, 6, 0.5, 1.5)\n"
            "assert rms.decode_frame(rms.encode_frame(frame)) == frame\n"
            "try: rms.FrameArrays()\n"
            "except ImportError as error: print(error)\n"
        )
        path = os.pathsep.join(sys.path)
        result = subprocess.run([sys.executable, "-c", script], capture_output=True, text=True, env={**os.environ, "PYTHONPATH": path})
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertIn("need NumPy", result.stdout)


if __name__ == "__main__":
    unittest.main()
