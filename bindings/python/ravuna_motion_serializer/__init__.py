"""Python binding of the ravuna_motion_serializer shared library.

Encodes skeleton definitions, frames of motion and sensor records into the
library's binary document format and back, with ctypes and the standard
library only; SkeletonArrays and FrameArrays, which decode into and encode
from reused NumPy arrays, import NumPy when the first one is made. The
shared library is found through the environment variable
RAVUNA_MOTION_SERIALIZER_LIBRARY, then in this package's folder, then in the
release build of the source tree (build/release).

Every function is safe from any thread: the calls that read memory the
library hands out run, with the copying of their results, under one
module-wide lock; encode_into and the array objects use the caller-buffer
exports, which need none (one array object per thread).
"""

from ._buffers import BufferTooSmallError
from ._checks import unpack_ip_address
from ._native import LIBRARY_ENVIRONMENT_VARIABLE
from .arrays import FrameArrays, SkeletonArrays
from .codec import (
    decode_frame,
    decode_sensor_data,
    decode_skeleton_definition,
    encode_frame,
    encode_into,
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
    "BufferTooSmallError",
    "CURRENT_DATA_VERSION",
    "DocumentKind",
    "FrameArrays",
    "FrameData",
    "LIBRARY_ENVIRONMENT_VARIABLE",
    "SensorData",
    "SkeletonArrays",
    "SkeletonBone",
    "SkeletonDefinition",
    "decode_frame",
    "decode_sensor_data",
    "decode_skeleton_definition",
    "detect",
    "encode_frame",
    "encode_into",
    "encode_sensor_data",
    "encode_skeleton_definition",
    "unpack_ip_address",
]
