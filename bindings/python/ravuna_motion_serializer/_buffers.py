"""Memory the caller owns: the address of a document to read, and writing a
document into a caller's buffer through the library's caller-buffer exports,
which take no lock and hand nothing out."""

from __future__ import annotations

import ctypes
from typing import Callable, Optional, Union

from . import _checks

WritableBuffer = Union[bytearray, memoryview]


class BufferTooSmallError(ValueError):
    """The document does not fit the buffer; ``needed`` is its length."""

    def __init__(self, needed: int, available: int) -> None:
        super().__init__(f"the document takes {needed} bytes, the buffer holds {available}")
        self.needed = needed
        self.available = available


def readable(data: _checks.BytesLike) -> tuple[int, object]:
    """The length of `data` and what to pass for its address: bytes as they
    are, the memory of a writable buffer in place, a copy of anything else."""
    if not isinstance(data, bytes):
        if not isinstance(data, (bytearray, memoryview)):
            raise ValueError(f"expected a bytes-like document, got {type(data).__name__}")
        view = memoryview(data)
        if view.readonly or not view.c_contiguous or not view.nbytes:
            data = bytes(view)
        elif view.nbytes <= _checks.MAX_DOCUMENT_LENGTH:
            return view.nbytes, ctypes.byref(ctypes.c_char.from_buffer(view))
    if len(data) > _checks.MAX_DOCUMENT_LENGTH:
        raise ValueError(f"a document is shorter than 2**31 bytes, got {len(data)}")
    return len(data), data


def _call_into(function: Callable[..., bool], arguments: tuple, buffer: object,
               size: ctypes.c_int) -> tuple[bool, int]:
    """Calls `function` with the buffer's capacity and address; returns its
    result and the capacity. The buffer is released when this returns."""
    with memoryview(buffer) as view:
        if view.readonly or not view.c_contiguous:
            raise ValueError("the buffer must be writable and contiguous")
        capacity = min(view.nbytes, _checks.MAX_DOCUMENT_LENGTH)
        address: Optional[object] = None
        if capacity:
            address = ctypes.byref(ctypes.c_char.from_buffer(view))
        written = function(*arguments, capacity, address, ctypes.byref(size))
        del address  # the buffer export ends with it, before the view's release
    return written, capacity


def write_into(function: Callable[..., bool], arguments: tuple, buffer: WritableBuffer) -> int:
    """Writes the document at the start of `buffer` with a ``...ToBuffer``
    export and returns its length. A bytearray too small is grown to the
    length; any other buffer too small raises BufferTooSmallError."""
    size = ctypes.c_int(-1)
    written, capacity = _call_into(function, arguments, buffer, size)
    if not written and size.value > capacity and isinstance(buffer, bytearray):
        buffer.extend(bytes(size.value - len(buffer)))
        written, capacity = _call_into(function, arguments, buffer, size)
    if written:
        return size.value
    if size.value > capacity:
        raise BufferTooSmallError(size.value, capacity)
    raise ValueError(f"{function.__name__} refused the values")
