"""Strict decoding: a document the library reads leniently is refused with
the library's own words, an exact one decodes as it does by default."""

from __future__ import annotations

import unittest

import ravuna_motion_serializer as rms

FRAME = rms.FrameData("10.1.2.3", 4000, 9, 0.25, 3.5, bones=[rms.BonePose(k) for k in range(27)])
SAMPLES = [  # without bones the data box ends with an empty container, read exactly
    (rms.decode_skeleton_definition, rms.encode_skeleton_definition(
        rms.SkeletonDefinition("10.1.2.3", 4000, []))),
    (rms.decode_frame, rms.encode_frame(FRAME)),
    (rms.decode_frame, rms.encode_frame(rms.FrameData("10.1.2.3", 4000, 9, 0.25, 3.5))),
    (rms.decode_sensor_data, rms.encode_sensor_data(
        rms.SensorData("10.1.2.3", 4000, 1.0, "addr", "name", 2))),
]


class StrictDecodingTest(unittest.TestCase):
    def test_exact_documents_decode_alike(self) -> None:
        for decode, document in SAMPLES:
            with self.subTest(decode.__name__):
                self.assertEqual(decode(document, strict=True), decode(document))

    def test_lenient_reads_are_named(self) -> None:
        for decode, document in SAMPLES:
            cases = {document[:-3]: "a box overruns its container", document + b"abc": "left over"}
            for data, words in cases.items():
                with self.subTest(decode.__name__, length=len(data)):
                    decode(data)  # the default reads leniently
                    with self.assertRaisesRegex(ValueError, f"document read leniently: .*{words}"):
                        decode(data, strict=True)

    def test_a_receive_buffer_too_small_for_the_frame(self) -> None:
        cut = SAMPLES[1][1][:1024]
        self.assertLess(len(rms.decode_frame(cut).bones), 27)
        with self.assertRaisesRegex(ValueError, "^frame data document read leniently"):
            rms.decode_frame(cut, strict=True)
