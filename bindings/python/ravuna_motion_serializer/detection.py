"""Detection of a buffer's document kind, and the reason a decoding failed
or read leniently: both come from the library's own verdict."""

from __future__ import annotations

import ctypes
from typing import Optional

from . import _checks, _facts
from ._native import DocumentVerdict, library
from .values import DocumentKind

CURRENT_DATA_VERSION = _facts.CURRENT_DATA_VERSION

# The library's number of each kind, and the kind of each number.
_NUMBERS = {
    DocumentKind.NONE: _facts.DOCUMENT_NONE,
    DocumentKind.SKELETON_DEFINITION: _facts.DOCUMENT_SKELETON_DEFINITION,
    DocumentKind.FRAME_DATA: _facts.DOCUMENT_FRAME_DATA,
    DocumentKind.SENSOR_DATA: _facts.DOCUMENT_SENSOR_DATA,
}
_KINDS = {number: kind for kind, number in _NUMBERS.items()}


def judge(data: object, expected: DocumentKind = DocumentKind.NONE, size: Optional[int] = None) -> DocumentVerdict:
    """The library's verdict on `data` (bytes, or an address with its `size`)
    parsed as `expected` (or as the kind it holds). Reads only its
    arguments: no lock is needed."""
    size = len(data) if size is None else size  # type: ignore[arg-type]
    verdict = DocumentVerdict()
    if not library().JudgeDocumentBytes(size, data, _NUMBERS[expected], ctypes.byref(verdict)):
        raise ValueError("the library refused to judge the bytes")
    return verdict


def verdict_text(verdict: DocumentVerdict) -> str:
    text = ctypes.create_string_buffer(_facts.VERDICT_TEXT_CAPACITY)
    length = ctypes.c_int(0)
    library().DescribeDocumentVerdict(ctypes.byref(verdict), len(text), text, ctypes.byref(length))
    return text.value.decode("ascii")


def detect(data: _checks.BytesLike) -> DocumentKind:
    """The kind of document the bytes hold: a header box and a data box of
    that kind must both be found. Nothing else (version, sender) is checked."""
    verdict = judge(_checks.document_bytes(data))
    return DocumentKind.NONE if verdict.reason == _facts.VERDICT_NO_HEADER else _KINDS[verdict.kind]


def decoding_failure(data: object, expected: DocumentKind, size: Optional[int] = None) -> ValueError:
    """A ValueError that tells why `data` is not a valid `expected` document."""
    return ValueError(verdict_text(judge(data, expected, size)))


def check_strict(data: object, expected: DocumentKind, size: Optional[int] = None) -> None:
    """Raises ValueError naming the lenient reads, or the failure, unless
    `data` is a valid `expected` document read exactly."""
    verdict = judge(data, expected, size)
    if verdict.reason != _facts.VERDICT_ACCEPTED or verdict.lenient_reads != 0:
        raise ValueError(verdict_text(verdict))
