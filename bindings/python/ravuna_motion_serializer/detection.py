"""Detection of a buffer's document kind, and the reason a decoding failed.

The parsing functions only answer true or false; the reason given to the
caller is reconstructed here from the detection functions and, for the
version, from the fixed layout of the header every encoder writes.
"""

from __future__ import annotations

from . import _checks
from ._native import library
from .values import DocumentKind

CURRENT_DATA_VERSION = 1

_DATA_BOX_CODES = {
    DocumentKind.SKELETON_DEFINITION: "skdf",
    DocumentKind.FRAME_DATA: "fram",
    DocumentKind.SENSOR_DATA: "sndt",
}


def _has_header(data: bytes) -> bool:
    return bool(library().IsRmfBytes(len(data), data))


def _data_kinds(data: bytes) -> list[DocumentKind]:
    native = library()
    checks = (
        (DocumentKind.SKELETON_DEFINITION, native.IsSkeletonDefinitionBytes),
        (DocumentKind.FRAME_DATA, native.IsFrameDataBytes),
        (DocumentKind.SENSOR_DATA, native.IsSensorDataBytes),
    )
    return [kind for kind, check in checks if check(len(data), data)]


def detect(data: _checks.BytesLike) -> DocumentKind:
    """The kind of document the bytes hold: a header box and a data box of
    that kind must both be found. Nothing else (version, sender) is checked."""
    copied = _checks.document_bytes(data)
    if not _has_header(copied):
        return DocumentKind.NONE
    kinds = _data_kinds(copied)
    return kinds[0] if kinds else DocumentKind.NONE


def header_version(data: bytes) -> int | None:
    """The version byte of a header in the layout the encoders write ("head"
    at 0, "vrsn" at 34), or None when the header is laid out otherwise."""
    if len(data) < 43 or data[4:8] != b"head" or data[38:42] != b"vrsn":
        return None
    return data[42]


def decoding_failure(data: bytes, expected: DocumentKind) -> ValueError:
    """A ValueError that tells why `data` is not a valid `expected` document."""
    prefix = f"not a valid {expected.value} document"
    if not data:
        return ValueError(f"{prefix}: the buffer is empty")
    if not _has_header(data):
        return ValueError(f'{prefix}: no "head" box, the bytes hold no document of this format')
    kinds = _data_kinds(data)
    if expected not in kinds:
        if kinds:
            return ValueError(f"{prefix}: the bytes hold a {kinds[0].value} document")
        code = _DATA_BOX_CODES[expected]
        return ValueError(f'{prefix}: the document has no "{code}" data box')
    version = header_version(data)
    if version is not None and version != CURRENT_DATA_VERSION:
        return ValueError(
            f"{prefix}: data version {version} is not supported "
            f"(this library reads version {CURRENT_DATA_VERSION})"
        )
    return ValueError(f'{prefix}: no "sndf" sender definition, or an unsupported data version')
