"""Decoding and encoding from four threads at once: every result must match
its input, although each recording call frees what the others were handed."""

from __future__ import annotations

import random
import threading
import unittest
from typing import Callable

import ravuna_motion_serializer as rms

from .support import (
    bone_poses,
    frame_fingerprint,
    sensor_fingerprint,
    skeleton_bones,
    skeleton_fingerprint,
)

THREADS = 4
ROUNDS = 300


def worker_cases(seed: int) -> list[tuple[Callable[[], tuple], tuple]]:
    """Calls whose results a thread checks, each with its expected fingerprint."""
    rng = random.Random(seed)
    skeleton = rms.SkeletonDefinition(f"10.0.0.{seed}", seed, skeleton_bones(20 + seed, rng))
    frame = rms.FrameData(f"10.0.1.{seed}", seed, seed, 1.0, 2.0, bones=bone_poses(27 + seed, rng))
    sensor = rms.SensorData(f"10.0.2.{seed}", seed, 3.0, f"a{seed}", f"n{seed}", seed)
    skeleton_bytes = rms.encode_skeleton_definition(skeleton)
    frame_bytes = rms.encode_frame(frame)
    sensor_bytes = rms.encode_sensor_data(sensor)
    return [
        (
            lambda: skeleton_fingerprint(rms.decode_skeleton_definition(skeleton_bytes)),
            skeleton_fingerprint(skeleton),
        ),
        (lambda: frame_fingerprint(rms.decode_frame(frame_bytes)), frame_fingerprint(frame)),
        (lambda: sensor_fingerprint(rms.decode_sensor_data(sensor_bytes)), sensor_fingerprint(sensor)),
        (lambda: rms.encode_frame(frame), frame_bytes),
        (lambda: rms.encode_skeleton_definition(skeleton), skeleton_bytes),
    ]


class ConcurrencyTest(unittest.TestCase):
    def test_four_threads_see_no_corruption(self) -> None:
        mismatches: list[str] = []
        errors: list[BaseException] = []
        start = threading.Barrier(THREADS)

        def run(seed: int) -> None:
            cases = worker_cases(seed)
            start.wait()
            try:
                for round_number in range(ROUNDS):
                    for index, (call, expected) in enumerate(cases):
                        if call() != expected:
                            mismatches.append(f"thread {seed} round {round_number} case {index}")
            except BaseException as error:  # reported below, the thread must not die silently
                errors.append(error)

        threads = [threading.Thread(target=run, args=(seed,)) for seed in range(1, THREADS + 1)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
        self.assertEqual(errors, [])
        self.assertEqual(mismatches, [])


if __name__ == "__main__":
    unittest.main()
