"""The Python binding against the shared library: the golden documents byte
for byte, bit-exact round trips, detection, failures and refused arguments,
sensor texts given back, and four threads at once."""

from __future__ import annotations

import pathlib
import random
import struct
import threading
import unittest
from unittest import mock

import ravuna_motion_serializer as rms
from ravuna_motion_serializer import _facts, _native

GOLDEN = pathlib.Path(__file__).resolve().parents[3] / "tests" / "golden"
KINDS = rms.DocumentKind
# The length each kind's document must have, from its decoded values.
LENGTHS = {
    KINDS.SKELETON_DEFINITION: lambda skeleton: _facts.skeleton_definition_length(len(skeleton.bones)),
    KINDS.FRAME_DATA: lambda frame: _facts.frame_data_length(len(frame.bones)),
    KINDS.SENSOR_DATA: lambda sensor: _facts.sensor_data_length(
        *(len(text.encode("utf-8", "surrogateescape")) for text in (sensor.sensor_address, sensor.sensor_name))),
}


def golden(name: str) -> bytes:
    lines = (GOLDEN / f"{name}.hex").read_text().splitlines()
    return bytes.fromhex("".join(line.split("#")[0].replace(" ", "") for line in lines))


def f32(rng: random.Random) -> float:
    """Any single-precision number but a signalling NaN, which a C conversion
    through double may quieten."""
    while True:
        bits = rng.getrandbits(32)
        if (bits & 0x7F800000) != 0x7F800000 or not bits & 0x7FFFFF or bits & 0x400000:
            return struct.unpack("<f", struct.pack("<I", bits))[0]


def documents(bones: int, seed: int) -> dict:
    """One random document of each kind, encoded."""
    rng = random.Random(seed)
    ip = ".".join(str(rng.randint(0, 255)) for _ in range(4))
    floats = lambda n: tuple(f32(rng) for _ in range(n))  # noqa: E731
    ids = lambda: rng.randint(-32768, 32767)  # noqa: E731
    skeleton = rms.SkeletonDefinition(ip, rng.randint(0, 65535), [rms.SkeletonBone(ids(), ids(), floats(4), floats(3)) for _ in range(bones)])
    frame = rms.FrameData(ip, 65535, rng.randint(-(2**31), 2**31 - 1), f32(rng), -0.0, (0, 255, 59, 23, 7), True, [rms.BonePose(ids(), floats(4), floats(3)) for _ in range(bones)])
    sensor = rms.SensorData(ip, 0, 1e300, "/dev/ttyUSB\udcff", "Glove \u00e9\u4e16" * bones, -7, floats(7))
    return {
        KINDS.SKELETON_DEFINITION: (rms.encode_skeleton_definition(skeleton), rms.decode_skeleton_definition, rms.encode_skeleton_definition),
        KINDS.FRAME_DATA: (rms.encode_frame(frame), rms.decode_frame, rms.encode_frame),
        KINDS.SENSOR_DATA: (rms.encode_sensor_data(sensor), rms.decode_sensor_data, rms.encode_sensor_data),
    }


class DocumentTest(unittest.TestCase):
    def test_golden_documents_byte_for_byte(self) -> None:
        cases = {
            "skeleton_one_bone": rms.encode_skeleton_definition(rms.SkeletonDefinition("192.168.0.1", 7000, [rms.SkeletonBone(5, -1, (0, 0, 0, 1), (0.1, 1.2, -0.3))])),
            "skeleton_no_bones": rms.encode_skeleton_definition(rms.SkeletonDefinition("192.168.0.1", 7000)),
            "frame_one_bone": rms.encode_frame(rms.FrameData("10.0.0.1", 65535, 1, 0.5, 2.0, (1, 2, 3, 4, 5), True, [rms.BonePose(-1, (1, 2, 3, 4), (5, 6, 7))])),
            "sensor_record": rms.encode_sensor_data(rms.SensorData("192.168.0.1", 7000, 1.0, "ab", "c", 70000, (0, 0, 0, 1, 0, 0, 0))),
        }
        for name, encoded in cases.items():
            with self.subTest(name):
                self.assertEqual(encoded, golden(name))

    def test_round_trips_bit_for_bit(self) -> None:
        for bones in (0, 1, 27, 300):
            for kind, (encoded, decode, encode) in documents(bones, bones).items():
                with self.subTest(kind=kind, bones=bones):
                    self.assertIs(rms.detect(encoded), kind)
                    self.assertEqual(encode(decode(encoded)), encoded)
                    self.assertEqual(len(encoded), LENGTHS[kind](decode(encoded)))

    def test_detection_of_non_documents(self) -> None:
        frame = golden("frame_one_bone")
        for data in (b"", frame[:7], frame[:77], frame[77:], bytes(8) + frame, bytearray(frame[:77])):
            with self.subTest(data=data[:12]):
                self.assertIs(rms.detect(data), KINDS.NONE)
        self.assertIs(rms.detect(memoryview(frame[:42] + b"\x02" + frame[43:])), KINDS.FRAME_DATA)


class FailureTest(unittest.TestCase):
    def test_documents_that_do_not_parse(self) -> None:
        samples = documents(2, 5)
        frame = samples[KINDS.FRAME_DATA][0]
        broken = [b"", frame[77:], frame[:77], frame[:43] + frame[77:], frame[:42] + b"\x02" + frame[43:], frame[:42] + b"\x00" + frame[43:]]
        for expected, (_, decode, _) in samples.items():
            others = [encoded for kind, (encoded, _, _) in samples.items() if kind is not expected]
            for data in others + broken:
                with self.subTest(expected=expected, data=data[:50]):
                    with self.assertRaises(ValueError):
                        decode(data)
        with self.assertRaises(ValueError):
            rms.decode_frame("not bytes")  # type: ignore[arg-type]

    def test_refused_arguments(self) -> None:
        def sensor(ip: str = "1.1.1.1", port: int = 0, name: str = "", joint: object = 0) -> None:
            rms.encode_sensor_data(rms.SensorData(ip, port, 0.0, "", name, joint))  # type: ignore[arg-type]

        cases = {
            "port 65536": lambda: sensor(port=65536),
            "port -1": lambda: rms.encode_skeleton_definition(rms.SkeletonDefinition("1.1.1.1", -1)),
            "bone id 40000": lambda: rms.encode_frame(rms.FrameData("1.1.1.1", 0, 0, 0.0, 0.0, bones=[rms.BonePose(40000)])),
            "parent id -32769": lambda: rms.encode_skeleton_definition(rms.SkeletonDefinition("1.1.1.1", 0, [rms.SkeletonBone(0, -32769)])),
            "frame number 2**31": lambda: rms.encode_frame(rms.FrameData("1.1.1.1", 0, 2**31, 0.0, 0.0)),
            "timecode 256": lambda: rms.encode_frame(rms.FrameData("1.1.1.1", 0, 0, 0.0, 0.0, (0, 0, 0, 0, 256))),
            "joint 1.5": lambda: sensor(joint=1.5),
            "NUL in a text": lambda: sensor(name="a\0b"),
            "three rotation values": lambda: rms.BonePose(0, (0.0, 1.0, 2.0)),
            "six sensor values": lambda: rms.SensorData("1.1.1.1", 0, 0.0, "", "", 0, (0.0,) * 6),
        }
        for name, call in cases.items():
            with self.subTest(name):
                with self.assertRaises(ValueError):
                    call()

    def test_sender_addresses_as_rmf_reads_them(self) -> None:
        # Four parts of one to three ASCII digits, each 0 to 255; None: refused.
        cases = {"0.0.0.0": "0.0.0.0", "255.255.255.255": "255.255.255.255", "010.0.02.001": "10.0.2.1",
                 "256.0.0.1": None, "1.2.3": None, "1.2.3.4.5": None, "1..2.3": None, "0001.2.3.4": None,
                 " 1.2.3.4": None, "1.2.3.4 ": None, "1.2.3.4\n": None, "+1.2.3.4": None, "1.2.3.-4": None,
                 "": None, "a.b.c.d": None, "1.1.1.\u0661": None, "::1": None}
        for text, decoded in cases.items():
            with self.subTest(text=text):
                skeleton = rms.SkeletonDefinition(text, 7000)
                if decoded is None:
                    with self.assertRaisesRegex(ValueError, "ip_address"):
                        rms.encode_skeleton_definition(skeleton)
                else:
                    encoded = rms.encode_skeleton_definition(skeleton)
                    self.assertEqual(rms.decode_skeleton_definition(encoded).ip_address, decoded)

    def test_both_sensor_texts_given_back_on_success_and_failure(self) -> None:
        native = _native.library()
        for data in (golden("sensor_record"), b""):
            with self.subTest(succeeds=bool(data)):
                with mock.patch.object(native, "ReleaseSensorDataText", side_effect=native.ReleaseSensorDataText) as spy:
                    try:
                        self.assertEqual(rms.decode_sensor_data(data).sensor_name, "c")
                    except ValueError:
                        self.assertEqual(data, b"")
                released = [call.args[0].value for call in spy.call_args_list]
                self.assertEqual(len(set(released) - {None}), 2)

    def test_library_path_from_the_environment(self) -> None:
        with mock.patch.dict("os.environ", {rms.LIBRARY_ENVIRONMENT_VARIABLE: "/no/such.so"}):
            self.assertEqual(_native.candidate_paths()[0], "/no/such.so")
            with self.assertRaisesRegex(OSError, "/no/such.so"):
                _native._load_first_found()


class ConcurrencyTest(unittest.TestCase):
    def test_four_threads_get_their_own_values(self) -> None:
        start = threading.Barrier(4)
        mismatches: list[str] = []

        def run(seed: int) -> None:
            cases = documents(27, seed).values()
            start.wait()
            for _ in range(200):
                for encoded, decode, encode in cases:
                    if encode(decode(encoded)) != encoded:
                        mismatches.append(f"thread {seed}")

        threads = [threading.Thread(target=run, args=(seed,)) for seed in range(4)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(mismatches, [])


if __name__ == "__main__":
    unittest.main()
