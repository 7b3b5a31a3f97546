"""The values a document carries, as immutable dataclasses.

Floats are stored single precision (``time``, rotations, translations, sensor
values) or double precision (``uttm``); a Python float that is not exactly a
single-precision number comes back rounded to the nearest one.
"""

from __future__ import annotations

import enum
from dataclasses import dataclass, field
from typing import Iterable

Rotation = tuple[float, float, float, float]
Translation = tuple[float, float, float]
SensorValues = tuple[float, float, float, float, float, float, float]
Timecode = tuple[int, int, int, int, int]


class DocumentKind(enum.Enum):
    """What ``detect`` finds in a byte buffer."""

    NONE = "none"
    SKELETON_DEFINITION = "skeleton definition"
    FRAME_DATA = "frame data"
    SENSOR_DATA = "sensor data"


def _floats(values: Iterable[float], count: int, what: str) -> tuple[float, ...]:
    converted = tuple(float(value) for value in values)
    if len(converted) != count:
        raise ValueError(f"{what} needs {count} values, got {len(converted)}")
    return converted


def _check_transform(bone: SkeletonBone | BonePose) -> None:
    """Stores a bone's rotation and translation as tuples of 4 and 3 floats."""
    object.__setattr__(bone, "rotation", _floats(bone.rotation, 4, "rotation"))
    object.__setattr__(bone, "translation", _floats(bone.translation, 3, "translation"))


@dataclass(frozen=True)
class SkeletonBone:
    """One bone of a skeleton definition: its id, its parent's id and its
    transform (rotation elements 0 to 3, translation elements 0 to 2)."""

    id: int
    parent_id: int
    rotation: Rotation = (0.0, 0.0, 0.0, 1.0)
    translation: Translation = (0.0, 0.0, 0.0)

    def __post_init__(self) -> None:
        _check_transform(self)


@dataclass(frozen=True)
class BonePose:
    """One bone of a frame: its id and its transform."""

    id: int
    rotation: Rotation = (0.0, 0.0, 0.0, 1.0)
    translation: Translation = (0.0, 0.0, 0.0)

    def __post_init__(self) -> None:
        _check_transform(self)


@dataclass(frozen=True)
class SkeletonDefinition:
    """The bones of a skeleton as a sender defines them."""

    ip_address: str
    port: int
    bones: tuple[SkeletonBone, ...] = ()

    def __post_init__(self) -> None:
        object.__setattr__(self, "bones", tuple(self.bones))


@dataclass(frozen=True)
class FrameData:
    """One frame of motion. ``timecode`` holds the five timecode bytes in the
    sender's order; ``timecode_flag`` is the sixth byte, read back as a bool."""

    ip_address: str
    port: int
    frame_number: int
    time: float
    uttm: float
    timecode: Timecode = (0, 0, 0, 0, 0)
    timecode_flag: bool = False
    bones: tuple[BonePose, ...] = ()

    def __post_init__(self) -> None:
        timecode = tuple(self.timecode)
        if len(timecode) != 5:
            raise ValueError(f"timecode needs 5 bytes, got {len(timecode)}")
        object.__setattr__(self, "timecode", timecode)
        object.__setattr__(self, "bones", tuple(self.bones))


@dataclass(frozen=True)
class SensorData:
    """One record of one sensor. The two texts travel as UTF-8; bytes that are
    not UTF-8 come back as surrogate escapes, so they round-trip unchanged."""

    ip_address: str
    port: int
    uttm: float
    sensor_address: str
    sensor_name: str
    joint_index: int
    values: SensorValues = field(default=(0.0,) * 7)

    def __post_init__(self) -> None:
        object.__setattr__(self, "values", _floats(self.values, 7, "sensor values"))
