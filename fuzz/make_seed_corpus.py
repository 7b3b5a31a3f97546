#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets into fuzz/corpus/.

The seeds are small documents, valid and broken, built here box by box, plus
a few structured inputs for the round-trip and mutation targets. Run it again
after changing it; the files are committed, so building needs no Python.
"""
import pathlib
import struct

HERE = pathlib.Path(__file__).resolve().parent
CORPUS = HERE / "corpus"


def box(code, payload, size=None):
    return struct.pack("<I", len(payload) if size is None else size) + code.encode() + payload


def head(version=1):
    return box("head", box("ftyp", b"kavi motion format") + box("vrsn", bytes([version])))


def sender(packed=192168000001, port=7000):
    return box("sndf", box("ipad", struct.pack("<Q", packed)) + box("rcvp", struct.pack("<H", port)))


def tran(*values):
    return box("tran", struct.pack("<7f", *values))


def skeleton(bones):
    body = b"".join(
        box("bndt", box("bnid", struct.pack("<h", i)) + box("pbid", struct.pack("<h", p)) + tran(*t))
        for i, p, t in bones)
    return head() + sender() + box("skdf", box("bons", body))


def frame(bones, timecode=b"\x01\x02\x03\x04\x05\x01"):
    body = b"".join(box("btdt", box("bnid", struct.pack("<h", i)) + tran(*t)) for i, t in bones)
    fram = (box("fnum", struct.pack("<i", 42)) + box("time", struct.pack("<f", 0.5)) +
            box("uttm", struct.pack("<d", 1.25)) + box("tmcd", timecode) + box("btrs", body))
    return head() + sender() + box("fram", fram)


def sensor(address=b"ab", name=b"c"):
    sndt = (box("uttm", struct.pack("<d", 1.0)) + box("snad", address) + box("snnm", name) +
            box("snji", struct.pack("<i", 3)) + box("snvl", struct.pack("<7f", 0, 0, 0, 1, 0, 0, 0)))
    return head() + sender() + box("sndt", sndt)


def nested(code, depth, leaf):
    for _ in range(depth):
        leaf = box(code, leaf)
    return leaf


IDENTITY = (0.0, 0.0, 0.0, 1.0, 0.0, 0.0, 0.0)
NAN_PAYLOAD = struct.unpack("<f", b"\x01\x00\xc0\x7f")[0]

PARSE_BYTES = {
    "skeleton_definition_no_bones": skeleton([]),
    "skeleton_definition_two_bones": skeleton([(5, -1, IDENTITY), (6, 5, (0.1, 1.2, -0.3, 1, 2, 3, 4))]),
    "frame_data_no_bones": frame([]),
    "frame_data_one_bone": frame([(-1, IDENTITY)]),
    "sensor_data": sensor(),
    "sensor_data_empty_texts": sensor(b"", b""),
    "sensor_data_zero_byte_in_name": sensor(b"addr", b"na\x00me"),
    "header_and_sender_only": head() + sender(),
    "skeleton_definition_box_alone": box("skdf", box("bons", b"")),
    "data_version_2": head(2) + sender() + box("fram", b""),
    "sender_before_header": sender() + head() + box("sndt", b""),
    "frame_data_cut_in_timecode": frame([])[:77 + 8 + 12 + 12 + 16 + 8 + 3],
    "frame_data_tran_before_bnid": head() + sender() + box("fram", box("btrs", box(
        "btdt", tran(*IDENTITY) + box("bnid", struct.pack("<h", 9))))),
    "head_of_size_zero": box("head", b"", size=0) + sender() + box("skdf", b""),
    "unknown_first_box": bytes(8) + skeleton([]),
    "bnid_of_size_one": head() + sender() + box("skdf", box("bnid", b"\x34", size=1) + b"\x12"),
    "snad_size_past_end": head() + sender() + box("sndt", box("snad", b"xy", size=1000)),
    "container_size_past_end": head() + sender() + box("fram", box("fnum", b"\x07\x00\x00\x00"),
                                                       size=0x7FFFFFFF),
    "size_wraps_offset_back": head() + sender() + box("fram", box("btrs", b"", size=0xFFFFFFF8) +
                                                      box("fnum", b"\x01\x00\x00\x00")),
    "size_minus_one": head() + sender() + box("sndt", box("uttm", b"", size=0xFFFFFFFF) + bytes(16)),
    "nesting_40_levels": head() + sender() + box("skdf", nested("bons", 40, box(
        "bnid", b"\x01\x00"))),
    "nesting_children_past_parents": head() + sender() + box("fram", b"", size=0xFFFF) +
    b"".join(box("btrs", b"", size=0xFFFF) for _ in range(64)),
    "nan_payloads": skeleton([(1, 2, (NAN_PAYLOAD, float("inf"), -0.0, 1e-45, 0, 0, 0))]),
    "seven_bytes": b"\x08\x00\x00\x00hea",
    "empty": b"",
}

# Round trip: kind byte, port, address choice, then the values the target
# draws in order (counts as 32-bit numbers, a 64-bit seed for long arrays).
ROUND_TRIP = {
    "skeleton_definition_dotted_address": bytes([0]) + struct.pack("<I", 7000) + bytes([1]) +
    struct.pack("<4H", 192, 168, 0, 1) + bytes([1]) + struct.pack("<I", 2) + bytes(8) +
    struct.pack("<9i", 70000, 40000, 0, 0, 0, 1065353216, 0, 0, 0) +
    struct.pack("<9i", 65535, -1, 2143289345, 0, 0, 0, 0, 0, -2147483648),
    "skeleton_definition_3000_bones": bytes([0]) + struct.pack("<I", 0x12345) + bytes([1]) +
    struct.pack("<4H", 65535, 1000, 300, 7) + bytes([63]) + struct.pack("<I", 3000) +
    struct.pack("<Q", 0x123456789ABCDEF),
    "skeleton_definition_negative_count": bytes([0]) + struct.pack("<I", 1) + bytes([1]) + bytes(8) +
    bytes([0]) + struct.pack("<I", 12),
    "frame_data_flag_and_nan_time": bytes([1]) + struct.pack("<I", 0x1FFFF) + bytes([0]) +
    struct.pack("<I", 8) + b"10.0.0.1" + struct.pack("<i", -5) + b"\x01\x00\xc0\x7f" +
    struct.pack("<d", 2.5) + bytes([1, 2, 3, 4, 5, 7]) + bytes([2]) + struct.pack("<I", 1),
    "sensor_data_texts_with_zero_bytes": bytes([2]) + struct.pack("<I", 10000) + bytes([1]) +
    struct.pack("<4H", 1, 2, 3, 4) + struct.pack("<d", -0.0) + struct.pack("<i", 3) +
    struct.pack("<7f", 0, 0, 0, 1, 0, 0, 0) + struct.pack("<I", 5) + b"ab\x00cd" +
    struct.pack("<I", 3) + b"xyz",
    "empty": b"",
}

# Mutation: kind, address bytes, port, bone count, bone values, the kind's
# scalars, then edits (edit, box index, position, edit-specific bytes).
DOCUMENT_PREFIX = bytes([10, 0, 0, 1]) + struct.pack("<H", 7000)
MUTATE_DOCUMENTS = {
    "skeleton_definition_unedited": bytes([0]) + DOCUMENT_PREFIX + struct.pack("<I", 2),
    "frame_data_size_set_to_minus_8": bytes([1]) + DOCUMENT_PREFIX + struct.pack("<I", 1) +
    bytes(30) + bytes(17) + bytes([0]) + struct.pack("<II", 7, 0) + bytes([6]),
    "sensor_data_box_wrapped": bytes([2]) + DOCUMENT_PREFIX + struct.pack("<I", 0) +
    struct.pack("<I", 5) + b"hello" + struct.pack("<I", 0) + bytes(12) + bytes([5]) +
    struct.pack("<II", 3, 0) + bytes([4]),
    "empty": b"",
}


def write(folder, seeds):
    target = CORPUS / folder
    target.mkdir(parents=True, exist_ok=True)
    for name, data in seeds.items():
        (target / name).write_bytes(data)


if __name__ == "__main__":
    write("parse_bytes", PARSE_BYTES)
    write("round_trip", ROUND_TRIP)
    write("mutate_documents", MUTATE_DOCUMENTS)
