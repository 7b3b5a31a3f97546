"""Detection of document kinds, the messages of failed decodings, refused
arguments, and the hand-back of the sensor texts."""

from __future__ import annotations

import unittest
from unittest import mock

import ravuna_motion_serializer as rms
from ravuna_motion_serializer import _native

SKELETON = rms.SkeletonDefinition("10.1.2.3", 4000, [rms.SkeletonBone(1, 0)])
FRAME = rms.FrameData("10.1.2.3", 4000, 9, 0.25, 3.5, bones=[rms.BonePose(1)])
SENSOR = rms.SensorData("10.1.2.3", 4000, 1.0, "addr", "name", 2)

DOCUMENTS = {
    rms.DocumentKind.SKELETON_DEFINITION: rms.encode_skeleton_definition(SKELETON),
    rms.DocumentKind.FRAME_DATA: rms.encode_frame(FRAME),
    rms.DocumentKind.SENSOR_DATA: rms.encode_sensor_data(SENSOR),
}
DECODERS = {
    rms.DocumentKind.SKELETON_DEFINITION: rms.decode_skeleton_definition,
    rms.DocumentKind.FRAME_DATA: rms.decode_frame,
    rms.DocumentKind.SENSOR_DATA: rms.decode_sensor_data,
}


def with_version(document: bytes, version: int) -> bytes:
    return document[:42] + bytes([version]) + document[43:]


class DetectionTest(unittest.TestCase):
    def test_each_kind(self) -> None:
        for kind, document in DOCUMENTS.items():
            with self.subTest(kind=kind):
                self.assertIs(rms.detect(document), kind)
                self.assertIs(rms.detect(bytearray(document)), kind)
                self.assertIs(rms.detect(memoryview(document)), kind)

    def test_not_a_document(self) -> None:
        skeleton = DOCUMENTS[rms.DocumentKind.SKELETON_DEFINITION]
        cases = {
            "empty": b"",
            "seven bytes": skeleton[:7],
            "header and sender only": skeleton[:77],
            "data box without header": skeleton[77:],
            "unknown box first": bytes(8) + skeleton,
        }
        for name, data in cases.items():
            with self.subTest(name):
                self.assertIs(rms.detect(data), rms.DocumentKind.NONE)

    def test_unsupported_version_is_still_detected(self) -> None:
        document = with_version(DOCUMENTS[rms.DocumentKind.FRAME_DATA], 2)
        self.assertIs(rms.detect(document), rms.DocumentKind.FRAME_DATA)


class DecodingFailureTest(unittest.TestCase):
    def test_other_kind_names_both_kinds(self) -> None:
        for expected, decode in DECODERS.items():
            for actual, document in DOCUMENTS.items():
                if actual is expected:
                    continue
                with self.subTest(expected=expected, actual=actual):
                    pattern = f"not a valid {expected.value} document.*hold a {actual.value} document"
                    with self.assertRaisesRegex(ValueError, pattern):
                        decode(document)

    def test_unsupported_version(self) -> None:
        for kind, decode in DECODERS.items():
            for version in (0, 2):
                with self.subTest(kind=kind, version=version):
                    pattern = f"data version {version} is not supported.*version 1"
                    with self.assertRaisesRegex(ValueError, pattern):
                        decode(with_version(DOCUMENTS[kind], version))

    def test_broken_envelopes(self) -> None:
        frame = DOCUMENTS[rms.DocumentKind.FRAME_DATA]
        cases = {
            b"": 'no "head" box',
            frame[77:]: 'no "head" box',
            frame[:77]: 'no "fram" data box',
            frame[:43] + frame[77:]: 'no "sndf" sender definition',
        }
        for data, pattern in cases.items():
            with self.subTest(pattern):
                with self.assertRaisesRegex(ValueError, pattern):
                    rms.decode_frame(data)

    def test_not_bytes(self) -> None:
        with self.assertRaisesRegex(ValueError, "bytes-like"):
            rms.decode_frame("not bytes")  # type: ignore[arg-type]


class RefusedArgumentTest(unittest.TestCase):
    def test_out_of_range_numbers(self) -> None:
        cases = {
            "port 65536": lambda: rms.encode_sensor_data(
                rms.SensorData("1.1.1.1", 65536, 0.0, "", "", 0)
            ),
            "port -1": lambda: rms.encode_skeleton_definition(rms.SkeletonDefinition("1.1.1.1", -1)),
            "bone id 40000": lambda: rms.encode_frame(
                rms.FrameData("1.1.1.1", 0, 0, 0.0, 0.0, bones=[rms.BonePose(40000)])
            ),
            "parent bone id -32769": lambda: rms.encode_skeleton_definition(
                rms.SkeletonDefinition("1.1.1.1", 0, [rms.SkeletonBone(0, -32769)])
            ),
            "frame_number 2147483648": lambda: rms.encode_frame(
                rms.FrameData("1.1.1.1", 0, 2**31, 0.0, 0.0)
            ),
            r"timecode\[4\] 256": lambda: rms.encode_frame(
                rms.FrameData("1.1.1.1", 0, 0, 0.0, 0.0, (0, 0, 0, 0, 256))
            ),
            "joint_index must be an int": lambda: rms.encode_sensor_data(
                rms.SensorData("1.1.1.1", 0, 0.0, "", "", 1.5)  # type: ignore[arg-type]
            ),
        }
        for pattern, encode in cases.items():
            with self.subTest(pattern):
                with self.assertRaisesRegex(ValueError, pattern):
                    encode()

    def test_texts_the_c_side_cannot_carry(self) -> None:
        cases = {
            "sensor_name .* NUL": rms.SensorData("1.1.1.1", 0, 0.0, "", "a\0b", 0),
            "ip_address .* ascii": rms.SensorData("1.1.1.\u0661", 0, 0.0, "", "", 0),
            r"ip_address '1\.1\.1\.\\udcff' cannot be encoded as ascii": rms.SensorData(
                "1.1.1.\udcff", 0, 0.0, "", "", 0
            ),
        }
        for pattern, sensor in cases.items():
            with self.subTest(pattern):
                with self.assertRaisesRegex(ValueError, pattern):
                    rms.encode_sensor_data(sensor)

    def test_wrong_value_counts(self) -> None:
        with self.assertRaisesRegex(ValueError, "rotation needs 4"):
            rms.BonePose(0, (0.0, 1.0, 2.0))
        with self.assertRaisesRegex(ValueError, "sensor values needs 7"):
            rms.SensorData("1.1.1.1", 0, 0.0, "", "", 0, (0.0,) * 6)
        with self.assertRaisesRegex(ValueError, "timecode needs 5"):
            rms.FrameData("1.1.1.1", 0, 0, 0.0, 0.0, (1, 2, 3))


class SensorTextTest(unittest.TestCase):
    def test_both_texts_released_on_success_and_failure(self) -> None:
        native = _native.library()
        original = native.ReleaseSensorDataText
        for data, succeeds in ((DOCUMENTS[rms.DocumentKind.SENSOR_DATA], True), (b"", False)):
            with self.subTest(succeeds=succeeds):
                with mock.patch.object(native, "ReleaseSensorDataText", side_effect=original) as spy:
                    if succeeds:
                        rms.decode_sensor_data(data)
                    else:
                        self.assertRaises(ValueError, rms.decode_sensor_data, data)
                released = [call.args[0].value for call in spy.call_args_list]
                self.assertEqual(len(released), 2)
                self.assertTrue(all(released), "a handed-out text was null")
                self.assertNotEqual(released[0], released[1])

    def test_stored_zero_byte_ends_the_text(self) -> None:
        encoded = rms.encode_sensor_data(rms.SensorData("1.1.1.1", 0, 0.0, "", "abXcd", 0))
        patched = encoded.replace(b"abXcd", b"ab\0cd")
        self.assertEqual(rms.decode_sensor_data(patched).sensor_name, "ab")

    def test_bytes_that_are_not_utf8_round_trip(self) -> None:
        sensor = rms.SensorData("1.1.1.1", 0, 0.0, "\udcff\udcfe", "ok", 0)
        encoded = rms.encode_sensor_data(sensor)
        self.assertIn(b"\xff\xfe", encoded)
        self.assertEqual(rms.decode_sensor_data(encoded), sensor)


class LibraryLocationTest(unittest.TestCase):
    def test_environment_variable_comes_first(self) -> None:
        with mock.patch.dict("os.environ", {rms.LIBRARY_ENVIRONMENT_VARIABLE: "/x/lib.so"}):
            self.assertEqual(_native.candidate_paths()[0], "/x/lib.so")

    def test_missing_configured_file_is_reported(self) -> None:
        with mock.patch.dict("os.environ", {rms.LIBRARY_ENVIRONMENT_VARIABLE: "/no/such.so"}):
            with self.assertRaisesRegex(OSError, "/no/such.so.*not a file"):
                _native._load_first_found()


if __name__ == "__main__":
    unittest.main()
