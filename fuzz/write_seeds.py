#!/usr/bin/env python3
"""Writes the seed inputs of the fuzz targets that draw values (fuzz/corpus/).

Each seed is laid out as the targets' FuzzedDataProvider reads it: numbers
from the end of the input backwards, each as the little-endian bytes its range
needs; texts and raw bytes from the front. The draws follow DrawDocument,
CheckBufferEncoding, EditDocument and CheckCallerMemoryReads in
fuzz_support.cpp, in their order: change those and run this again.
usage: fuzz/write_seeds.py (from the project root)
"""
import os
import struct


class Seed:
    def __init__(self):
        self.front, self.back = b"", []

    def number(self, value, low, high):  # ConsumeIntegralInRange(low, high)
        offset, span = value - low, high - low
        assert 0 <= offset <= span
        self.back.append(offset.to_bytes((span.bit_length() + 7) // 8, "little"))

    def u(self, value, bits):  # ConsumeIntegral of an unsigned type
        self.number(value % (1 << bits), 0, (1 << bits) - 1)

    def text(self, data, most):  # a length, then that many bytes
        self.number(len(data), 0, most)
        self.front += data

    def bytes(self):
        return self.front + b"".join(reversed(self.back))


def f32(value):
    return struct.unpack("<I", struct.pack("<f", value))[0]


def bones(seed, count, values=True, state=1):
    if count < 0:
        seed.u(0, 8)
        seed.number(-count, 1, 1000)
    elif count > 16:
        seed.u(255, 8)
        seed.number(count, 0, 4096)
    else:
        seed.u(1, 8)
        seed.number(count, 0, 16)
    seed.u(state, 64)
    for i in range(count if values else 0):  # id, parent id, seven floats
        for word in [i - 1, i - 2] + [f32(0.5 * i + k) for k in range(7)]:
            seed.u(word, 32)


def document(seed, kind, ip=(10, 0, 0, 1), ip_text=None, port=7000, uttm=2.5):
    seed.number(kind, 0, 2)
    seed.u(port, 32)
    seed.u(ip_text is None, 8)
    if ip_text is None:
        for part in ip:
            seed.u(part, 16)
    else:
        seed.text(ip_text, 24)
    seed.u(struct.unpack("<Q", struct.pack("<d", uttm))[0], 64)


def frame(seed, count, time_bits=f32(0.5), flag=1):
    document(seed, 1)
    seed.u(1200, 32)
    seed.u(time_bits, 32)
    for byte in (10, 20, 30, 12, 1):
        seed.u(byte, 8)
    seed.u(flag, 8)
    bones(seed, count)
    return 147 + 54 * count


def skeleton(seed, count, values=True, **sender):
    document(seed, 0, **sender)
    bones(seed, count, values, state=0x0123456789ABCDEF)
    return 93 + 64 * max(count, 0)


def sensor(seed, address, name):
    document(seed, 2)
    seed.u(9, 32)
    for value in (0, 0, 0, 1, 0.1, 9.8, -0.2):
        seed.u(f32(value), 32)
    seed.text(address, 300)
    seed.text(name, 300)
    return 165 + len(address.split(b"\0")[0]) + len(name.split(b"\0")[0])


def drawn():  # the value drawings shared by round_trip, writer_identity, read_identity
    seeds = {}
    seeds["frame_data_flag_and_nan_time"] = Seed()
    frame(seeds["frame_data_flag_and_nan_time"], 2, time_bits=0x7FC00001)
    seeds["sensor_data_texts_with_zero_bytes"] = Seed()
    sensor(seeds["sensor_data_texts_with_zero_bytes"], b"ab\0cd", b"xyz\0")
    seeds["skeleton_definition_300_bones"] = Seed()  # values from the xorshift stream
    skeleton(seeds["skeleton_definition_300_bones"], 300, values=False)
    seeds["skeleton_definition_dotted_address"] = Seed()
    skeleton(seeds["skeleton_definition_dotted_address"], 1, ip_text=b"192.168.0.1")
    seeds["skeleton_definition_negative_count"] = Seed()
    skeleton(seeds["skeleton_definition_negative_count"], -1000)
    return seeds


def mutated():  # box indices in walk order: head 0, sndf 3, data box 6
    seeds = {"skeleton_definition_unedited": Seed()}
    skeleton(seeds["skeleton_definition_unedited"], 1)
    seed = seeds["frame_data_size_set_to_minus_8"] = Seed()
    frame(seed, 1)
    seed.number(0, 0, 8)  # a hostile size
    seed.number(6, 0, 14)  # on "fram"
    seed.number(6, 0, 8)  # 0xFFFFFFF8
    seed = seeds["sensor_data_box_wrapped"] = Seed()
    sensor(seed, b"ab", b"c")
    seed.number(5, 0, 8)  # wrapped
    seed.number(6, 0, 11)  # "sndt"
    seed.number(2, 0, 2)  # in a third container code
    return seeds


def caller_memory():  # capacities: skeleton arrays, frame arrays, text sizes
    seeds = {}
    seed = seeds["frame_data_short_buffer_and_arrays"] = Seed()
    seed.number(1, 0, 2)
    length = frame(seed, 2)
    seed.number(1, 1, length)  # one byte short
    seed.number(3, 0, 8)  # room for three more
    seed.number(0, 0, 4)
    seed.number(1, 0, 2 + 4)  # one bone short
    seed.number(0, 0, 310)
    seed.number(0, 0, 310)
    seed = seeds["sensor_data_address_short_name_roomy"] = Seed()
    seed.number(1, 0, 2)
    length = sensor(seed, b"ab\0cd", b"name")
    seed.number(length, 1, length)  # a buffer of no bytes
    seed.number(0, 0, 8)
    seed.number(0, 0, 4)
    seed.number(0, 0, 4)
    seed.number(2, 0, 310)  # two of the five address bytes
    seed.number(40, 0, 310)
    seed = seeds["skeleton_definition_bone_size_nudged"] = Seed()
    seed.number(2, 0, 2)
    length = skeleton(seed, 2)
    seed.number(length // 2, 1, length)
    seed.number(8, 0, 8)
    seed.number(1, 1, 4)  # one edit: the first "bnid" box's size + 3
    seed.number(1, 0, 8)
    seed.number(9, 0, 15)  # skdf 6, bons 7, bndt 8, bnid 9
    seed.number(3, -128, 127)
    seed.number(4, 0, 2 + 4)
    seed.number(2, 0, 4)
    seed.number(0, 0, 310)
    seed.number(0, 0, 310)
    seed = seeds["raw_frame_document"] = Seed()  # parsed as every kind
    golden = open("tests/golden/frame_one_bone.hex").read().splitlines()
    seed.front = bytes.fromhex("".join(line.split("#")[0] for line in golden))
    seed.number(0, 0, 2)
    seed.number(len(seed.front), 0, len(seed.front) + 7)  # the input less its first byte
    for high in (4, 1 + 4, 310, 310):
        seed.number(0, 0, high)
    return seeds


def main():
    for folder, seeds in [("round_trip", drawn()), ("writer_identity", drawn()),
                          ("read_identity", drawn()), ("mutate_documents", mutated()),
                          ("buffer_identity", caller_memory())]:
        os.makedirs(f"fuzz/corpus/{folder}", exist_ok=True)
        for name, seed in seeds.items():
            with open(f"fuzz/corpus/{folder}/{name}", "wb") as out:
                out.write(seed.bytes())


if __name__ == "__main__":
    main()
