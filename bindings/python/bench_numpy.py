"""CPU microseconds per call of the NumPy array path against decode_frame and
encode_frame, on one 27-bone frame and skeleton (a humanoid body). CPU time
is steadier than wall time on a shared machine; timings still belong to the
machine, so compare the rows of one run.

    cd bindings/python && python3 bench_numpy.py [calls]
"""

from __future__ import annotations

import sys
import time
import timeit

import ravuna_motion_serializer as rms

BONES = 27


def per_call_us(function, calls: int) -> float:
    """The best of five runs of `calls` calls, in CPU microseconds per call."""
    return min(timeit.repeat(function, number=calls, repeat=5, timer=time.process_time)) / calls * 1e6


def main() -> None:
    calls = int(sys.argv[1]) if len(sys.argv) > 1 else 20000
    frame = rms.FrameData("192.168.0.10", 7000, 1, 0.5, 2.0, (1, 2, 3, 4, 5), True,
                          [rms.BonePose(k, (0.1, 0.2, 0.3, 0.9), (k, 1.0, -1.0)) for k in range(BONES)])
    skeleton = rms.SkeletonDefinition("192.168.0.10", 7000,
                                      [rms.SkeletonBone(k, k - 1, (0, 0, 0, 1), (0, k, 0)) for k in range(BONES)])
    frame_bytes, skeleton_bytes = rms.encode_frame(frame), rms.encode_skeleton_definition(skeleton)
    frame_arrays, skeleton_arrays = rms.FrameArrays(BONES), rms.SkeletonArrays(BONES)
    received = bytearray(frame_bytes)  # as socket.recv_into fills it
    buffer = bytearray(4096)
    frame_arrays.decode(frame_bytes)
    cases = {
        "decode_frame (values, handed-out path)": lambda: rms.decode_frame(frame_bytes),
        "FrameArrays.decode(bytes)": lambda: frame_arrays.decode(frame_bytes),
        "FrameArrays.decode(bytearray)": lambda: frame_arrays.decode(received),
        "SkeletonArrays.decode(bytes)": lambda: skeleton_arrays.decode(skeleton_bytes),
        "encode_frame (values, handed-out path)": lambda: rms.encode_frame(frame),
        "encode_into(frame values, bytearray)": lambda: rms.encode_into(frame, buffer),
        "FrameArrays.encode_into(bytearray)": lambda: frame_arrays.encode_into(buffer),
    }
    print(f"{BONES} bones, CPU time, best of 5 runs of {calls} calls")
    for name, function in cases.items():
        print(f"{per_call_us(function, calls):9.2f} us  {name}")


if __name__ == "__main__":
    main()
