"""Python binding of the ravuna_motion_serializer shared library.

Encodes skeleton definitions, frames of motion and sensor records into the
library's binary document format and back, with ctypes and the standard
library only. The shared library is found through the environment variable
RAVUNA_MOTION_SERIALIZER_LIBRARY, then in this package's folder, then in the
release build of the source tree (build/release).

Every call is safe from any thread: calls and the copying of their results
run under one module-wide lock.
"""

from ._checks import unpack_ip_address
from ._native import LIBRARY_ENVIRONMENT_VARIABLE
from .codec import (
    decode_frame,
    decode_sensor_data,
    decode_skeleton_definition,
    encode_frame,
    encode_sensor_data,
    encode_skeleton_definition,
)
from .detection import CURRENT_DATA_VERSION, detect
from .values import (
    BonePose,
    DocumentKind,
    FrameData,
    SensorData,
    SkeletonBone,
    SkeletonDefinition,
)

__all__ = [
    "BonePose",
    "CURRENT_DATA_VERSION",
    "DocumentKind",
    "FrameData",
    "LIBRARY_ENVIRONMENT_VARIABLE",
    "SensorData",
    "SkeletonBone",
    "SkeletonDefinition",
    "decode_frame",
    "decode_sensor_data",
    "decode_skeleton_definition",
    "detect",
    "encode_frame",
    "encode_sensor_data",
    "encode_skeleton_definition",
    "unpack_ip_address",
]
