"""Encoding and decoding of the three document kinds.

Each call into the library and the copy of what it hands out run under
``CALL_LOCK``: a buffer or array handed out is freed by the next recording
call from any thread. The copies are raw bytes taken with one memmove each;
turning them into Python numbers happens after the lock is released.
"""

from __future__ import annotations

import array
import ctypes
from typing import Sequence

from . import _checks
from ._buffers import WritableBuffer, write_into
from ._native import CALL_LOCK, float_p, int_p, library
from .detection import check_strict, decoding_failure
from .values import (
    BonePose,
    DocumentKind,
    FrameData,
    SensorData,
    SkeletonBone,
    SkeletonDefinition,
)

_ELEMENT_SIZE = 4  # every per-bone array element is a 32-bit int or float


def _int_array(values: Sequence[int]) -> ctypes.Array:
    return (ctypes.c_int * len(values))(*values)


def _float_array(values: Sequence[float]) -> ctypes.Array:
    packed = array.array("f", values)
    return (ctypes.c_float * len(packed)).from_buffer(packed)


def _transform_arrays(bones: Sequence[SkeletonBone | BonePose]) -> list[ctypes.Array]:
    """Seven arrays: rotation elements 0 to 3, then translation elements 0 to 2."""
    columns = [bone.rotation + bone.translation for bone in bones]
    return [_float_array([column[k] for column in columns]) for k in range(7)]


def _bone_ids(bones: Sequence[SkeletonBone | BonePose]) -> ctypes.Array:
    return _int_array([_checks.bone_id(bone.id) for bone in bones])


class _EncodedDocument:
    """The two outputs of a serialising call."""

    def __init__(self) -> None:
        self.size = ctypes.c_int(0)
        self.buffer = ctypes.POINTER(ctypes.c_ubyte)()

    def arguments(self) -> tuple[object, object]:
        return ctypes.byref(self.size), ctypes.byref(self.buffer)

    def copy(self) -> bytes:
        return ctypes.string_at(self.buffer, self.size.value)


def _encode(function_name: str, arguments: tuple) -> bytes:
    document = _EncodedDocument()
    with CALL_LOCK:
        if not getattr(library(), function_name)(*arguments, *document.arguments()):
            raise ValueError(f"{function_name} refused the values")
        return document.copy()


def _skeleton_arguments(skeleton: SkeletonDefinition) -> tuple:
    bones = skeleton.bones
    parents = _int_array([_checks.bone_id(bone.parent_id, "parent bone id") for bone in bones])
    return (
        _checks.ip_text(skeleton.ip_address),
        _checks.port(skeleton.port),
        len(bones),
        _bone_ids(bones),
        parents,
        *_transform_arrays(bones),
    )


def _frame_arguments(frame: FrameData) -> tuple:
    timecode = [_checks.byte(value, f"timecode[{k}]") for k, value in enumerate(frame.timecode)]
    return (
        _checks.ip_text(frame.ip_address),
        _checks.port(frame.port),
        _checks.int32(frame.frame_number, "frame_number"),
        float(frame.time),
        float(frame.uttm),
        *timecode,
        bool(frame.timecode_flag),
        len(frame.bones),
        _bone_ids(frame.bones),
        *_transform_arrays(frame.bones),
    )


def _sensor_arguments(sensor: SensorData) -> tuple:
    return (
        _checks.ip_text(sensor.ip_address),
        _checks.port(sensor.port),
        float(sensor.uttm),
        _checks.c_text(sensor.sensor_address, "sensor_address"),
        _checks.c_text(sensor.sensor_name, "sensor_name"),
        _checks.int32(sensor.joint_index, "joint_index"),
        *sensor.values,
    )


# Each value type's arguments and the export that writes them into a buffer.
_BUFFER_ENCODERS = {
    SkeletonDefinition: (_skeleton_arguments, "ConvertSkeletonDefinitionToBuffer"),
    FrameData: (_frame_arguments, "ConvertFrameDataToBuffer"),
    SensorData: (_sensor_arguments, "ConvertSensorDataToBuffer"),
}


def encode_skeleton_definition(skeleton: SkeletonDefinition) -> bytes:
    """The encoded skeleton definition document, of
    ``_facts.skeleton_definition_length(len(skeleton.bones))`` bytes."""
    return _encode("ConvertSkeletonDefinitionToBytes", _skeleton_arguments(skeleton))


def encode_frame(frame: FrameData) -> bytes:
    """The encoded frame data document, of
    ``_facts.frame_data_length(len(frame.bones))`` bytes."""
    return _encode("ConvertFrameDataToBytes", _frame_arguments(frame))


def encode_sensor_data(sensor: SensorData) -> bytes:
    """The encoded sensor data document, of ``_facts.sensor_data_length(a, n)``
    bytes for an address of a and a name of n encoded bytes."""
    return _encode("ConvertSensorDataToBytes", _sensor_arguments(sensor))


def encode_into(value: SkeletonDefinition | FrameData | SensorData, buffer: WritableBuffer) -> int:
    """Writes the document of `value` at the start of `buffer` (a bytearray, a
    writable memoryview or any other writable buffer) and returns its length:
    the same bytes as the matching ``encode_...`` function, with no lock and
    nothing handed out. A bytearray too small is grown; any other buffer too
    small raises BufferTooSmallError, which carries the length needed."""
    try:
        arguments_of, function_name = _BUFFER_ENCODERS[type(value)]
    except KeyError:
        raise ValueError(f"cannot encode a {type(value).__name__}") from None
    return write_into(getattr(library(), function_name), arguments_of(value), buffer)


class _Sender:
    """The address and port outputs every parsing call writes."""

    def __init__(self) -> None:
        self.ip_address = ctypes.c_uint64(0)
        self.port = ctypes.c_uint32(0)

    def arguments(self) -> tuple[object, object]:
        return ctypes.byref(self.ip_address), ctypes.byref(self.port)

    def dotted_address(self) -> str:
        return _checks.unpack_ip_address(self.ip_address.value)


class _HandedOutBones:
    """The bone count and array outputs of a parsing call; `copy` takes raw
    bytes while the arrays are still valid, `columns` unpacks them later."""

    def __init__(self, with_parents: bool) -> None:
        self.count = ctypes.c_int(0)
        self.ids = int_p()
        self.parent_ids = int_p() if with_parents else None
        self.transforms = [float_p() for _ in range(7)]
        self.raw: list[bytes] = []

    def arguments(self) -> list[object]:
        pointers = [self.ids] + ([self.parent_ids] if self.parent_ids is not None else [])
        return [ctypes.byref(self.count)] + [
            ctypes.byref(p) for p in pointers + self.transforms
        ]

    def copy(self) -> None:
        length = self.count.value * _ELEMENT_SIZE
        pointers = [self.ids] + ([self.parent_ids] if self.parent_ids is not None else [])
        self.raw = [ctypes.string_at(p, length) for p in pointers + self.transforms]

    def columns(self) -> tuple[list[int], list[int], list[tuple[float, ...]]]:
        integer_columns = [array.array("i", raw).tolist() for raw in self.raw[:-7]]
        floats = [array.array("f", raw).tolist() for raw in self.raw[-7:]]
        transforms = list(zip(*floats))
        ids = integer_columns[0]
        parents = integer_columns[1] if len(integer_columns) > 1 else []
        return ids, parents, transforms


def decode_skeleton_definition(data: _checks.BytesLike, strict: bool = False) -> SkeletonDefinition:
    """The values of a skeleton definition document;
    ValueError if the bytes are not one. With ``strict=True`` a document the
    library reads leniently (cut short, unknown boxes, bytes left over...)
    raises ValueError naming the lenient reads; by default such a document
    decodes with its missing values as 0."""
    document = _checks.document_bytes(data)
    if strict:
        check_strict(document, DocumentKind.SKELETON_DEFINITION)
    sender = _Sender()
    bones = _HandedOutBones(with_parents=True)
    with CALL_LOCK:
        decoded = library().ConvertBytesToSkeletonDefinition(
            len(document), document, *sender.arguments(), *bones.arguments()
        )
        if decoded:
            bones.copy()
    if not decoded:
        raise decoding_failure(document, DocumentKind.SKELETON_DEFINITION)
    ids, parents, transforms = bones.columns()
    return SkeletonDefinition(
        sender.dotted_address(),
        sender.port.value,
        tuple(
            SkeletonBone(bone_id, parent, transform[:4], transform[4:])
            for bone_id, parent, transform in zip(ids, parents, transforms)
        ),
    )


def decode_frame(data: _checks.BytesLike, strict: bool = False) -> FrameData:
    """The values of a frame data document;
    ValueError if the bytes are not one. With ``strict=True`` a document the
    library reads leniently (cut short, unknown boxes, bytes left over...)
    raises ValueError naming the lenient reads; by default such a document
    decodes with its missing values as 0."""
    document = _checks.document_bytes(data)
    if strict:
        check_strict(document, DocumentKind.FRAME_DATA)
    sender = _Sender()
    frame_number = ctypes.c_int(0)
    time = ctypes.c_float(0.0)
    uttm = ctypes.c_double(0.0)
    timecode = [ctypes.c_ubyte(0) for _ in range(5)]
    flag = ctypes.c_bool(False)
    bones = _HandedOutBones(with_parents=False)
    with CALL_LOCK:
        decoded = library().ConvertBytesToFrameData(
            len(document),
            document,
            *sender.arguments(),
            ctypes.byref(frame_number),
            ctypes.byref(time),
            ctypes.byref(uttm),
            *(ctypes.byref(byte) for byte in timecode),
            ctypes.byref(flag),
            *bones.arguments(),
        )
        if decoded:
            bones.copy()
    if not decoded:
        raise decoding_failure(document, DocumentKind.FRAME_DATA)
    ids, _, transforms = bones.columns()
    return FrameData(
        ip_address=sender.dotted_address(),
        port=sender.port.value,
        frame_number=frame_number.value,
        time=time.value,
        uttm=uttm.value,
        timecode=tuple(byte.value for byte in timecode),
        timecode_flag=flag.value,
        bones=tuple(
            BonePose(bone_id, transform[:4], transform[4:])
            for bone_id, transform in zip(ids, transforms)
        ),
    )


def _take_text(pointer: ctypes.c_void_p) -> str:
    """Copies a text handed out by the sensor reader; the caller releases it."""
    if not pointer.value:
        return ""
    return ctypes.string_at(pointer.value).decode("utf-8", "surrogateescape")


def decode_sensor_data(data: _checks.BytesLike, strict: bool = False) -> SensorData:
    """The values of a sensor data document;
    ValueError if the bytes are not one. With ``strict=True`` a document the
    library reads leniently (cut short, unknown boxes, bytes left over...)
    raises ValueError naming the lenient reads; by default such a document
    decodes with its missing values as 0."""
    document = _checks.document_bytes(data)
    if strict:
        check_strict(document, DocumentKind.SENSOR_DATA)
    sender = _Sender()
    uttm = ctypes.c_double(0.0)
    address = ctypes.c_void_p()
    name = ctypes.c_void_p()
    joint_index = ctypes.c_int(0)
    values = [ctypes.c_float(0.0) for _ in range(7)]
    native = library()
    with CALL_LOCK:
        try:
            decoded = native.ConvertBytesToSensorData(
                len(document),
                document,
                *sender.arguments(),
                ctypes.byref(uttm),
                ctypes.byref(address),
                ctypes.byref(name),
                ctypes.byref(joint_index),
                *(ctypes.byref(value) for value in values),
            )
            texts = (_take_text(address), _take_text(name))
        finally:
            # Both texts are handed out on success and failure alike.
            native.ReleaseSensorDataText(address)
            native.ReleaseSensorDataText(name)
    if not decoded:
        raise decoding_failure(document, DocumentKind.SENSOR_DATA)
    return SensorData(
        ip_address=sender.dotted_address(),
        port=sender.port.value,
        uttm=uttm.value,
        sensor_address=texts[0],
        sensor_name=texts[1],
        joint_index=joint_index.value,
        values=tuple(value.value for value in values),
    )
