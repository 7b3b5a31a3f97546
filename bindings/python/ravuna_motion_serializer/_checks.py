"""Argument checks and conversions shared by the encoders and decoders.

The C functions silently keep the low bits of out-of-range numbers (a port of
70000 would travel as 4464); these checks refuse such values up front with a
message that names the field.
"""

from __future__ import annotations

import re
from typing import Union

BytesLike = Union[bytes, bytearray, memoryview]

_INT16 = (-(2**15), 2**15 - 1)
_INT32 = (-(2**31), 2**31 - 1)
_PORT = (0, 2**16 - 1)
_BYTE = (0, 255)
MAX_DOCUMENT_LENGTH = 2**31 - 1
# One to three ASCII digits per part, as rmf reads an address.
_DOTTED_DECIMAL = re.compile(r"[0-9]{1,3}(?:\.[0-9]{1,3}){3}")


def _in_range(value: int, bounds: tuple[int, int], what: str) -> int:
    if isinstance(value, bool) or not isinstance(value, int):
        raise ValueError(f"{what} must be an int, got {type(value).__name__}")
    low, high = bounds
    if not low <= value <= high:
        raise ValueError(f"{what} {value} is outside {low} to {high}")
    return value


def port(value: int) -> int:
    return _in_range(value, _PORT, "port")


def bone_id(value: int, what: str = "bone id") -> int:
    return _in_range(value, _INT16, what)


def int32(value: int, what: str) -> int:
    return _in_range(value, _INT32, what)


def byte(value: int, what: str) -> int:
    return _in_range(value, _BYTE, what)


def c_text(text: str, what: str, encoding: str = "utf-8", errors: str = "surrogateescape") -> bytes:
    """The text's bytes for the C side, which reads up to the first NUL; a
    NUL inside would cut it short there, so it is refused. Surrogate escapes
    stand for bytes that are not UTF-8, as in decoded sensor texts."""
    if not isinstance(text, str):
        raise ValueError(f"{what} must be a str, got {type(text).__name__}")
    try:
        encoded = text.encode(encoding, errors)
    except UnicodeEncodeError as error:
        raise ValueError(f"{what} {text!r} cannot be encoded as {encoding}") from error
    if b"\0" in encoded:
        raise ValueError(f"{what} {text!r} contains a NUL character")
    return encoded


def ip_text(text: str) -> bytes:
    """The sender address as rmf accepts it: four dotted decimal parts of 0 to
    255. The library would pack any other text without a word (missing parts
    as 0, the rest as 0.0.0.0)."""
    if not isinstance(text, str):
        raise ValueError(f"ip_address must be a str, got {type(text).__name__}")
    if not _DOTTED_DECIMAL.fullmatch(text) or any(int(part) > 255 for part in text.split(".")):
        raise ValueError(f"ip_address {text!r} is not four dotted decimal parts of 0 to 255")
    return text.encode("ascii")


def document_bytes(data: BytesLike) -> bytes:
    if not isinstance(data, (bytes, bytearray, memoryview)):
        raise ValueError(f"expected a bytes-like document, got {type(data).__name__}")
    copied = bytes(data)
    if len(copied) > MAX_DOCUMENT_LENGTH:
        raise ValueError(f"a document is shorter than 2**31 bytes, got {len(copied)}")
    return copied


def unpack_ip_address(packed: int) -> str:
    """The dotted text of a packed address (three decimal digits per part)."""
    return ".".join(str(packed // 1000**power % 1000) for power in (3, 2, 1, 0))
