"""Loading of the shared library and the ctypes prototypes of its exports.

The library hands out memory that the next recording call, from any thread,
frees. Every call that reads such memory therefore runs under ``CALL_LOCK``
together with the copy of its results.
"""

from __future__ import annotations

import ctypes
import os
import sys
import threading
from pathlib import Path
from typing import Optional

LIBRARY_ENVIRONMENT_VARIABLE = "RAVUNA_MOTION_SERIALIZER_LIBRARY"

# One process-wide lock around each call and the copy of what it handed out.
CALL_LOCK = threading.Lock()

_PACKAGE_DIRECTORY = Path(__file__).resolve().parent
_SOURCE_ROOT = _PACKAGE_DIRECTORY.parents[2]

c_bool = ctypes.c_bool
c_char_p = ctypes.c_char_p
c_double = ctypes.c_double
c_float = ctypes.c_float
c_int = ctypes.c_int
c_ubyte = ctypes.c_ubyte
c_uint32 = ctypes.c_uint32
c_uint64 = ctypes.c_uint64
c_void_p = ctypes.c_void_p
bytes_p = ctypes.POINTER(c_ubyte)
int_p = ctypes.POINTER(c_int)
float_p = ctypes.POINTER(c_float)


class DocumentVerdict(ctypes.Structure):
    """The library's verdict on a byte buffer: five unsigned 32-bit fields."""

    _fields_ = [
        ("kind", c_uint32),
        ("judged_kind", c_uint32),
        ("reason", c_uint32),
        ("version", c_uint32),
        ("lenient_reads", c_uint32),
    ]


def _file_names() -> list[str]:
    if sys.platform == "win32":
        return ["ravuna_motion_serializer.dll"]
    if sys.platform == "darwin":
        return ["libravuna_motion_serializer.dylib"]
    return ["libravuna_motion_serializer.so", "libravuna_motion_serializer.so.1"]


def candidate_paths() -> list[str]:
    """Where the library is looked for, in order: the environment variable,
    the package folder, the release build of the source tree, then the
    system's own search path (bare file names)."""
    candidates: list[str] = []
    configured = os.environ.get(LIBRARY_ENVIRONMENT_VARIABLE)
    if configured:
        candidates.append(configured)
    for folder in (_PACKAGE_DIRECTORY, _SOURCE_ROOT / "build" / "release"):
        candidates.extend(str(folder / name) for name in _file_names())
    candidates.extend(_file_names())
    return candidates


def _load_first_found() -> ctypes.CDLL:
    configured = os.environ.get(LIBRARY_ENVIRONMENT_VARIABLE)
    if configured and not Path(configured).is_file():
        raise OSError(f"{LIBRARY_ENVIRONMENT_VARIABLE} names {configured!r}, which is not a file")
    failures: list[str] = []
    for candidate in candidate_paths():
        if os.path.sep in candidate and not Path(candidate).is_file():
            continue
        try:
            return ctypes.CDLL(candidate)
        except OSError as error:
            failures.append(f"{candidate}: {error}")
    raise OSError(
        "ravuna_motion_serializer shared library not found; set "
        f"{LIBRARY_ENVIRONMENT_VARIABLE} to its path or copy it into {_PACKAGE_DIRECTORY}"
        + ("" if not failures else " (" + "; ".join(failures) + ")")
    )


def _declare(library: ctypes.CDLL) -> None:
    encoded_output = [int_p, ctypes.POINTER(bytes_p)]
    ip_and_port_output = [ctypes.POINTER(c_uint64), ctypes.POINTER(c_uint32)]
    bone_arrays_output = [ctypes.POINTER(float_p)] * 7
    prototypes = {
        "ConvertSkeletonDefinitionToBytes": [c_char_p, c_uint32, c_int, int_p, int_p]
        + [float_p] * 7
        + encoded_output,
        "ConvertBytesToSkeletonDefinition": [c_int, c_void_p]
        + ip_and_port_output
        + [int_p, ctypes.POINTER(int_p), ctypes.POINTER(int_p)]
        + bone_arrays_output,
        "ConvertFrameDataToBytes": [c_char_p, c_uint32, c_int, c_float, c_double]
        + [c_ubyte] * 5
        + [c_bool, c_int, int_p]
        + [float_p] * 7
        + encoded_output,
        "ConvertBytesToFrameData": [c_int, c_void_p]
        + ip_and_port_output
        + [int_p, float_p, ctypes.POINTER(c_double)]
        + [bytes_p] * 5
        + [ctypes.POINTER(c_bool), int_p, ctypes.POINTER(int_p)]
        + bone_arrays_output,
        "ConvertSensorDataToBytes": [c_char_p, c_uint32, c_double, c_char_p, c_char_p, c_int]
        + [c_float] * 7
        + encoded_output,
        "ConvertBytesToSensorData": [c_int, c_void_p]
        + ip_and_port_output
        + [ctypes.POINTER(c_double), ctypes.POINTER(c_void_p), ctypes.POINTER(c_void_p), int_p]
        + [float_p] * 7,
    }
    # The caller-buffer exports take every pointer as c_void_p, so that a
    # NumPy array's address (an int) passes as it is, like byref() and bytes.
    pointer = c_void_p
    filled_buffer = [c_int, pointer, pointer]  # capacity, buffer, outSize
    prototypes.update({
        "ConvertSkeletonDefinitionToBuffer": [c_char_p, c_uint32, c_int] + [pointer] * 9
        + filled_buffer,
        "ConvertFrameDataToBuffer": [c_char_p, c_uint32, c_int, c_float, c_double]
        + [c_ubyte] * 5
        + [c_bool, c_int]
        + [pointer] * 8
        + filled_buffer,
        "ConvertSensorDataToBuffer": [c_char_p, c_uint32, c_double, c_char_p, c_char_p, c_int]
        + [c_float] * 7
        + filled_buffer,
        "ConvertBytesToSkeletonDefinitionArrays": [c_int, pointer, pointer, pointer, c_int]
        + [pointer] * 10,
        # address, port, then number, time, uttm, five timecode bytes, flag
        "ConvertBytesToFrameDataArrays": [c_int] + [pointer] * 12
        + [c_int]
        + [pointer] * 9,
        "ConvertBytesToSensorDataTexts": [c_int, pointer, pointer, pointer, pointer]
        + [c_int, pointer, pointer] * 2
        + [pointer] * 8,
    })
    for name, argument_types in prototypes.items():
        function = getattr(library, name)
        function.argtypes = argument_types
        function.restype = c_bool
    for name in ("IsRmfBytes", "IsSkeletonDefinitionBytes", "IsFrameDataBytes", "IsSensorDataBytes"):
        function = getattr(library, name)
        function.argtypes = [c_int, c_void_p]
        function.restype = c_bool
    library.ReleaseSensorDataText.argtypes = [c_void_p]
    library.ReleaseSensorDataText.restype = None
    verdict_p = ctypes.POINTER(DocumentVerdict)
    library.JudgeDocumentBytes.argtypes = [c_int, c_void_p, c_uint32, verdict_p]
    library.JudgeDocumentBytes.restype = c_bool
    library.DescribeDocumentVerdict.argtypes = [verdict_p, c_int, ctypes.c_char_p, int_p]
    library.DescribeDocumentVerdict.restype = c_bool


_library: Optional[ctypes.CDLL] = None
_load_lock = threading.Lock()


def library() -> ctypes.CDLL:
    """The loaded library with its prototypes declared; loaded on first use so
    that importing the package never fails for want of the library."""
    global _library
    if _library is None:
        with _load_lock:
            if _library is None:
                loaded = _load_first_found()
                _declare(loaded)
                _library = loaded
    return _library
