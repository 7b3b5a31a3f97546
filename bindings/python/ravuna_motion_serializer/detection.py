"""Detection of a buffer's document kind, and the reason a decoding failed
or read leniently: both come from the library's own verdict."""

from __future__ import annotations

import ctypes

from . import _checks
from ._native import (
    VERDICT_ACCEPTED,
    VERDICT_NO_HEADER,
    VERDICT_TEXT_CAPACITY,
    DocumentVerdict,
    library,
)
from .values import DocumentKind

CURRENT_DATA_VERSION = 1

# DocumentKind is declared in the library's numbering of kinds.
_KINDS = list(DocumentKind)


def _kind_number(kind: DocumentKind) -> int:
    return _KINDS.index(kind)


def judge(data: bytes, expected: DocumentKind = DocumentKind.NONE) -> DocumentVerdict:
    """The library's verdict on `data` parsed as `expected` (or as the kind it
    holds). Reads only its arguments: no lock is needed."""
    verdict = DocumentVerdict()
    expected_number = _kind_number(expected)
    if not library().JudgeDocumentBytes(len(data), data, expected_number, ctypes.byref(verdict)):
        raise ValueError("the library refused to judge the bytes")
    return verdict


def verdict_text(verdict: DocumentVerdict) -> str:
    text = ctypes.create_string_buffer(VERDICT_TEXT_CAPACITY)
    length = ctypes.c_int(0)
    library().DescribeDocumentVerdict(ctypes.byref(verdict), len(text), text, ctypes.byref(length))
    return text.value.decode("ascii")


def detect(data: _checks.BytesLike) -> DocumentKind:
    """The kind of document the bytes hold: a header box and a data box of
    that kind must both be found. Nothing else (version, sender) is checked."""
    verdict = judge(_checks.document_bytes(data))
    return DocumentKind.NONE if verdict.reason == VERDICT_NO_HEADER else _KINDS[verdict.kind]


def decoding_failure(data: bytes, expected: DocumentKind) -> ValueError:
    """A ValueError that tells why `data` is not a valid `expected` document."""
    return ValueError(verdict_text(judge(data, expected)))


def check_strict(data: bytes, expected: DocumentKind) -> None:
    """Raises ValueError naming the lenient reads, or the failure, unless
    `data` is a valid `expected` document read exactly."""
    verdict = judge(data, expected)
    if verdict.reason != VERDICT_ACCEPTED or verdict.lenient_reads != 0:
        raise ValueError(verdict_text(verdict))
