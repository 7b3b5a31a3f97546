"""Skeleton definitions and frames held in NumPy arrays that are kept and
reused: decoding writes straight into them and encoding reads straight from
them, through the library's caller-buffer exports (no lock, nothing handed
out, no Python object per bone).

NumPy is imported when the first SkeletonArrays or FrameArrays is made, so
the rest of the package works without it. One object serves one thread at a
time; give each thread its own.
"""

from __future__ import annotations

import ctypes
from typing import Any

from . import _checks
from ._buffers import WritableBuffer, readable, write_into
from ._native import library
from .detection import check_strict, decoding_failure
from .values import DocumentKind

_TRANSFORM_ROWS = 7  # rotation elements 0 to 3, then translation elements 0 to 2
_ELEMENT_SIZE = 4


def _numpy() -> Any:
    try:
        import numpy
    except ImportError as error:
        raise ImportError("SkeletonArrays and FrameArrays need NumPy (Debian: python3-numpy)") from error
    return numpy


class _Scalars(ctypes.Structure):
    """Every value of a document that is not per bone; the parse writes here."""

    _fields_ = [
        ("ip_address", ctypes.c_uint64),
        ("port", ctypes.c_uint32),
        ("frame_number", ctypes.c_int),
        ("time", ctypes.c_float),
        ("uttm", ctypes.c_double),
        ("timecode", ctypes.c_ubyte * 5),
        ("timecode_flag", ctypes.c_bool),
        ("bone_count", ctypes.c_int),
    ]


class _BoneDocumentArrays:
    """What skeleton definitions and frames share: the sender, the bone ids
    and the transforms, bone i in column i of each array."""

    _KIND: DocumentKind
    _ID_ROWS: int  # 2 with parent ids, 1 without
    _READER: str
    _WRITER: str

    def __init__(self, bone_capacity: int = 32) -> None:
        self._np = _numpy()
        if bone_capacity < 0:
            raise ValueError(f"bone_capacity {bone_capacity} is negative")
        self._scalars = _Scalars()
        self._ip_text = (0, b"0.0.0.0")  # the packed address and its dotted text
        self._ids = self._np.zeros((self._ID_ROWS, 0), self._np.int32)
        self._transforms = self._np.zeros((_TRANSFORM_ROWS, 0), self._np.float32)
        self._reader = getattr(library(), self._READER)
        self._allocate(bone_capacity)

    # ---- Arrays ---------------------------------------------------------

    @property
    def bone_capacity(self) -> int:
        return self._ids.shape[1]

    @property
    def bone_count(self) -> int:
        return self._scalars.bone_count

    def resize(self, bone_count: int) -> None:
        """Sets the bone count, growing the arrays when they are too small;
        bones below both the old and the new count keep their values."""
        if bone_count < 0:
            raise ValueError(f"bone_count {bone_count} is negative")
        if bone_count > self.bone_capacity:
            self._allocate(max(bone_count, 2 * self.bone_capacity))
        self._scalars.bone_count = bone_count

    @property
    def bone_ids(self) -> Any:
        """int32 view of shape (bone_count,). Views stay valid until the
        arrays grow (a document with more bones than bone_capacity)."""
        return self._ids[0, : self.bone_count]

    @property
    def rotations(self) -> Any:
        """float32 view of shape (bone_count, 4): transform elements 0 to 3."""
        return self._transforms[:4, : self.bone_count].T

    @property
    def translations(self) -> Any:
        """float32 view of shape (bone_count, 3): transform elements 4 to 6."""
        return self._transforms[4:, : self.bone_count].T

    def _allocate(self, capacity: int) -> None:
        np = self._np
        kept = min(self.bone_count, self.bone_capacity)
        ids = np.zeros((self._ID_ROWS, capacity), np.int32)
        transforms = np.zeros((_TRANSFORM_ROWS, capacity), np.float32)
        ids[:, :kept] = self._ids[:, :kept]
        transforms[:, :kept] = self._transforms[:, :kept]
        self._ids, self._transforms = ids, transforms
        self._id_pointers = tuple(ids.ctypes.data + row * capacity * _ELEMENT_SIZE for row in range(self._ID_ROWS))
        self._transform_pointers = tuple(
            transforms.ctypes.data + row * capacity * _ELEMENT_SIZE for row in range(_TRANSFORM_ROWS)
        )
        self._read_arguments = self._reading_arguments(capacity)

    def _reading_arguments(self, capacity: int) -> tuple:
        raise NotImplementedError

    def _writing_arguments(self) -> tuple:
        raise NotImplementedError

    # ---- Sender -----------------------------------------------------------

    @property
    def ip_address(self) -> str:
        return _checks.unpack_ip_address(self._scalars.ip_address)

    @ip_address.setter
    def ip_address(self, text: str) -> None:
        encoded = _checks.ip_text(text)
        packed = 0
        for part in encoded.split(b"."):
            packed = packed * 1000 + int(part)
        self._scalars.ip_address = packed
        self._ip_text = (packed, self.ip_address.encode("ascii"))

    @property
    def port(self) -> int:
        return self._scalars.port

    @port.setter
    def port(self, value: int) -> None:
        self._scalars.port = _checks.port(value)

    def _address(self, name: str) -> int:
        return ctypes.addressof(self._scalars) + getattr(_Scalars, name).offset

    def _sender_text(self) -> bytes:
        packed = self._scalars.ip_address
        if self._ip_text[0] != packed:
            self._ip_text = (packed, _checks.unpack_ip_address(packed).encode("ascii"))
        return self._ip_text[1]

    # ---- Decoding and encoding --------------------------------------------

    def decode(self, data: _checks.BytesLike, strict: bool = False) -> int:
        """Reads a document into the arrays and returns its bone count,
        growing the arrays when it has more bones than they hold. Bytes that
        are not a valid document raise ValueError and leave everything as it
        was; ``strict=True`` also refuses a document read leniently."""
        size, address = readable(data)
        if strict:
            check_strict(address, self._KIND, size)
        scalars = self._scalars
        previous = scalars.port, scalars.bone_count
        # The library writes no port for a document without one, and no
        # bone count for bytes that are not a valid document.
        scalars.port, scalars.bone_count = 0, -1
        if not self._reader(size, address, *self._read_arguments):
            needed = scalars.bone_count
            if needed <= self.bone_capacity:
                scalars.port, scalars.bone_count = previous
                raise decoding_failure(address, self._KIND, size)
            self._allocate(needed)
            self._reader(size, address, *self._read_arguments)
        return scalars.bone_count

    def encode_into(self, buffer: WritableBuffer) -> int:
        """Writes the document at the start of `buffer` and returns its
        length. A bytearray too small is grown; any other buffer too small
        raises BufferTooSmallError, which carries the length needed."""
        np, ids = self._np, self._ids[:, : self.bone_count]
        if ids.size and (np.minimum.reduce(ids, None) < -(2**15) or np.maximum.reduce(ids, None) >= 2**15):
            raise ValueError("bone ids and parent ids must lie in -32768 to 32767")
        return write_into(getattr(library(), self._WRITER), self._writing_arguments(), buffer)


class SkeletonArrays(_BoneDocumentArrays):
    """A skeleton definition: the sender, and per bone an id, a parent id and
    a transform, in NumPy arrays reused across documents."""

    _KIND = DocumentKind.SKELETON_DEFINITION
    _ID_ROWS = 2
    _READER = "ConvertBytesToSkeletonDefinitionArrays"
    _WRITER = "ConvertSkeletonDefinitionToBuffer"

    @property
    def parent_ids(self) -> Any:
        """int32 view of shape (bone_count,)."""
        return self._ids[1, : self.bone_count]

    def _reading_arguments(self, capacity: int) -> tuple:
        return (
            self._address("ip_address"),
            self._address("port"),
            capacity,
            *self._id_pointers,
            *self._transform_pointers,
            self._address("bone_count"),
        )

    def _writing_arguments(self) -> tuple:
        scalars = self._scalars
        return (self._sender_text(), scalars.port, scalars.bone_count, *self._id_pointers, *self._transform_pointers)


class FrameArrays(_BoneDocumentArrays):
    """One frame of motion: the sender, the frame's scalars, and per bone an
    id and a transform, in NumPy arrays reused across frames."""

    _KIND = DocumentKind.FRAME_DATA
    _ID_ROWS = 1
    _READER = "ConvertBytesToFrameDataArrays"
    _WRITER = "ConvertFrameDataToBuffer"

    @property
    def frame_number(self) -> int:
        return self._scalars.frame_number

    @frame_number.setter
    def frame_number(self, value: int) -> None:
        self._scalars.frame_number = _checks.int32(value, "frame_number")

    @property
    def time(self) -> float:
        """Single precision: a value set is rounded to the nearest float32."""
        return self._scalars.time

    @time.setter
    def time(self, value: float) -> None:
        self._scalars.time = value

    @property
    def uttm(self) -> float:
        return self._scalars.uttm

    @uttm.setter
    def uttm(self, value: float) -> None:
        self._scalars.uttm = value

    @property
    def timecode(self) -> tuple[int, ...]:
        return tuple(self._scalars.timecode)

    @timecode.setter
    def timecode(self, values: tuple[int, ...]) -> None:
        checked = [_checks.byte(value, f"timecode[{k}]") for k, value in enumerate(values)]
        if len(checked) != 5:
            raise ValueError(f"timecode needs 5 bytes, got {len(checked)}")
        self._scalars.timecode[:] = checked

    @property
    def timecode_flag(self) -> bool:
        return self._scalars.timecode_flag

    @timecode_flag.setter
    def timecode_flag(self, value: bool) -> None:
        self._scalars.timecode_flag = bool(value)

    def _reading_arguments(self, capacity: int) -> tuple:
        timecode = self._address("timecode")
        return (
            self._address("ip_address"),
            self._address("port"),
            self._address("frame_number"),
            self._address("time"),
            self._address("uttm"),
            *(timecode + k for k in range(5)),
            self._address("timecode_flag"),
            capacity,
            *self._id_pointers,
            *self._transform_pointers,
            self._address("bone_count"),
        )

    def _writing_arguments(self) -> tuple:
        s = self._scalars
        return (
            self._sender_text(),
            s.port,
            s.frame_number,
            s.time,
            s.uttm,
            *s.timecode,
            s.timecode_flag,
            s.bone_count,
            *self._id_pointers,
            *self._transform_pointers,
        )
