/*
 * ravuna_motion_serializer: motion-capture documents to bytes and back.
 *
 * A document is three boxes ("head", "sndf" and one data box) carrying a
 * skeleton definition, one frame of motion, or one sensor record. This header
 * is the whole public interface: nineteen functions with C linkage.
 *
 * Conventions shared by every function
 * ------------------------------------
 * - Every function returns a one-byte bool: true on success, false otherwise.
 *   No function ever lets an exception escape; an internal failure (for
 *   example exhausted memory) is reported as false.
 * - A byte buffer enters as a signed length followed by a pointer. A length of
 *   0 or less is an empty buffer and the pointer is not read. A null pointer
 *   with a positive length is refused (false, nothing written).
 * - A null out-parameter, a null text, or a null per-bone array with a
 *   positive bone count is refused: the function returns false, writes
 *   nothing and frees nothing.
 * - Per-bone data cross as a structure of arrays: one array per component,
 *   all indexed by bone position, with one separate count.
 * - Bone ids travel as signed 16-bit numbers: ids from -32768 to 32767 come
 *   back unchanged, other ids come back as the signed 16-bit number with the
 *   same low 16 bits (70000 -> 4464, 40000 -> -25536).
 * - Ports travel as unsigned 16-bit numbers: only the low 16 bits of `port`
 *   are written; parsing yields 0 to 65535.
 * - An IPv4 address is read from dotted text "a.b.c.d" and handed back packed
 *   as ((a * 1000 + b) * 1000 + c) * 1000 + d (192.168.0.1 -> 192168000001).
 *   Missing parts count as 0; parts above 255 are kept as they are.
 *
 * Memory handed out
 * -----------------
 * The library keeps one process-wide record of the memory it last handed out.
 * The document buffer of a `Convert...ToBytes` call, and the arrays of a
 * successful `ConvertBytesToSkeletonDefinition` or `ConvertBytesToFrameData`,
 * belong to the library: never free them. They stay valid until the next
 * successful call, from any thread, of any of those five functions, which
 * frees them. Copy what you want to keep before that call. Detection calls,
 * `ConvertBytesToSensorData` and failed calls free nothing.
 * The two texts handed out by `ConvertBytesToSensorData` belong to the caller:
 * give each back with `ReleaseSensorDataText` (or keep them for good).
 *
 * Threads
 * -------
 * Every function may be called from any thread. The functions that hand out
 * memory (`Convert...ToBytes`, `ConvertBytesToSkeletonDefinition`,
 * `ConvertBytesToFrameData`) take one process-wide lock to record it;
 * ReleaseSensorDataText and the detection functions (`Is...Bytes`) take it
 * too. The caller-buffer functions
 * (`Convert...ToBuffer`, `ConvertBytesTo...Arrays`,
 * `ConvertBytesToSensorDataTexts`), JudgeDocumentBytes and
 * DescribeDocumentVerdict read only their arguments, write only the
 * caller's memory and take no lock: any number of threads may call them at
 * once on distinct outputs. A caller that reads handed-out buffers or arrays while
 * other threads may make recording calls must hold its own lock around the
 * call and the copying of the results.
 *
 * Hostile input
 * -------------
 * Any byte sequence may be passed to the parsing and detection functions.
 * Reading is lenient: values past the end of the bytes read as 0 and unknown
 * boxes are skipped; JudgeDocumentBytes tells which lenient reads a parse
 * would make. Box nesting is followed at most 32 levels deep (real
 * documents nest 4 deep); deeper containers are treated as leaves. The boxes
 * visited per call are bounded by 33 times the number of 8-byte steps in the
 * input, so every call ends in time linear in its input.
 */
#ifndef RAVUNA_MOTION_SERIALIZER_H
#define RAVUNA_MOTION_SERIALIZER_H

#include <stdbool.h>
#include <stdint.h>

#if defined(_WIN32)
#if defined(RAVUNA_MOTION_SERIALIZER_BUILDING)
#define RAVUNA_MOTION_SERIALIZER_API __declspec(dllexport)
#elif defined(RAVUNA_MOTION_SERIALIZER_STATIC)
#define RAVUNA_MOTION_SERIALIZER_API
#else
#define RAVUNA_MOTION_SERIALIZER_API __declspec(dllimport)
#endif
#else
#define RAVUNA_MOTION_SERIALIZER_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Skeleton definition: per bone an id, a parent id and seven floats.        */
/* ------------------------------------------------------------------------ */

/*! ConvertSkeletonDefinitionToBytes() :
 *  Encodes a skeleton definition document (93 + 64 * boneCount bytes).
 *  @param ipText        sender's IPv4 address as NUL-terminated dotted text.
 *  @param port          sender's port; its low 16 bits are written.
 *  @param boneCount     number of bones; 0 or negative means none.
 *  @param boneIds       boneCount ids (low 16 bits written).
 *  @param parentBoneIds boneCount parent ids (low 16 bits written).
 *  @param rotation0..3  boneCount values each: transform elements 0 to 3.
 *  @param translation0..2 boneCount values each: transform elements 4 to 6.
 *  @param outSize       receives the document's length in bytes.
 *  @param outBuffer     receives the document; owned by the library, valid
 *                       until the next recording call (see "Memory").
 *  @return true when the document was encoded and handed out; false for a
 *          null pointer, a document of 2^31 bytes or more, or exhausted
 *          memory (then nothing is written and nothing is freed).
 *  Arrays are read only when boneCount is positive and must then hold at
 *  least boneCount elements. Floats are copied bit for bit. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertSkeletonDefinitionToBytes(
    const char* ipText, uint32_t port, int boneCount, const int* boneIds, const int* parentBoneIds,
    const float* rotation0, const float* rotation1, const float* rotation2, const float* rotation3,
    const float* translation0, const float* translation1, const float* translation2, int* outSize,
    unsigned char** outBuffer);

/*! ConvertSkeletonDefinitionToBuffer() :
 *  Encodes a skeleton definition document into the caller's buffer: the
 *  same bytes as ConvertSkeletonDefinitionToBytes, nothing handed out.
 *  @param ipText .. translation2  as for ConvertSkeletonDefinitionToBytes.
 *  @param capacity      bytes available at `buffer`.
 *  @param buffer        receives the document; owned by the caller. May be
 *                       null when capacity is 0, to ask for the length.
 *  @param outSize       receives the document's length (93 + 64 * bones),
 *                       also when the buffer is too small.
 *  @return true when the document was written; false when it does not fit
 *          (then only *outSize is written), for a null pointer (a null
 *          buffer with a positive capacity included) or a document of 2^31
 *          bytes or more (then nothing is written).
 *  Takes no lock, allocates nothing, keeps nothing: any number of threads
 *  may call it at once on distinct buffers. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertSkeletonDefinitionToBuffer(
    const char* ipText, uint32_t port, int boneCount, const int* boneIds, const int* parentBoneIds,
    const float* rotation0, const float* rotation1, const float* rotation2, const float* rotation3,
    const float* translation0, const float* translation1, const float* translation2, int capacity,
    unsigned char* buffer, int* outSize);

/*! ConvertBytesToSkeletonDefinition() :
 *  Parses a skeleton definition document.
 *  @param size          number of bytes at `bytes`; 0 or negative means none.
 *  @param bytes         the document; read during the call only.
 *  @param outIpAddress  sender's address, packed. Written on success, and set
 *                       to 0 when the bytes are not a valid skeleton
 *                       definition document.
 *  @param outPort       sender's port, 0 to 65535; left as the caller set it
 *                       when the document has no "rcvp" box.
 *  @param outBoneCount  number of bones n.
 *  @param outBoneIds .. outTranslation2  each receives a new array of n
 *                       elements (allocated even when n is 0), owned by the
 *                       library and valid until the next recording call.
 *  @return true when the bytes hold a "head", an "sndf" and an "skdf" box and
 *          the data version is 1. On false only *outIpAddress is written, the
 *          other outputs keep what the caller set, and nothing is freed.
 *  Bone i is the i-th "bnid" in document order, paired with the i-th "pbid"
 *  and "tran"; a missing partner value reads as 0. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToSkeletonDefinition(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    int* outBoneCount, int** outBoneIds, int** outParentBoneIds, float** outRotation0,
    float** outRotation1, float** outRotation2, float** outRotation3, float** outTranslation0,
    float** outTranslation1, float** outTranslation2);

/*! ConvertBytesToSkeletonDefinitionArrays() :
 *  Parses a skeleton definition document into the caller's arrays: the same
 *  values as ConvertBytesToSkeletonDefinition, nothing handed out or freed.
 *  @param size, bytes   the document, as for ConvertBytesToSkeletonDefinition.
 *  @param outIpAddress  sender's address, packed.
 *  @param outPort       sender's port, 0 to 65535; left as the caller set it
 *                       when the document has no "rcvp" box.
 *  @param boneCapacity  elements available in each array.
 *  @param boneIds .. translation2  receive one element per bone; owned by the
 *                       caller. May be null when boneCapacity is 0.
 *  @param outBoneCount  receives the number of bones n, also when the arrays
 *                       are too small.
 *  @return true when the document was read; false when n exceeds
 *          boneCapacity (then only *outBoneCount is written), when the bytes
 *          are not a valid skeleton definition document, or for a null
 *          pointer (then nothing is written).
 *  Takes no lock, allocates nothing, keeps nothing: any number of threads
 *  may call it at once on distinct arrays. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToSkeletonDefinitionArrays(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    int boneCapacity, int* boneIds, int* parentBoneIds, float* rotation0, float* rotation1,
    float* rotation2, float* rotation3, float* translation0, float* translation1,
    float* translation2, int* outBoneCount);

/* ------------------------------------------------------------------------ */
/* Frame data: frame number, times, timecode, per bone an id and 7 floats.   */
/* ------------------------------------------------------------------------ */

/*! ConvertFrameDataToBytes() :
 *  Encodes a frame data document (147 + 54 * boneCount bytes).
 *  @param ipText        sender's IPv4 address as NUL-terminated dotted text.
 *  @param port          sender's port; its low 16 bits are written.
 *  @param frameNumber   the frame number, stored unchanged.
 *  @param time          single-precision time, bit for bit.
 *  @param uttm          double-precision time, bit for bit.
 *  @param timecode0..4  the five timecode bytes (hours, minutes, seconds,
 *                       frames, subframe or as the sender defines them).
 *  @param timecodeFlag  the timecode flag byte; parsing yields it as 0 or 1.
 *  @param boneCount     number of bones; 0 or negative means none.
 *  @param boneIds       boneCount ids (low 16 bits written).
 *  @param rotation0..3, translation0..2  boneCount values each.
 *  @param outSize, outBuffer  as for ConvertSkeletonDefinitionToBytes.
 *  @return true when the document was encoded and handed out; false for a
 *          null pointer, a document of 2^31 bytes or more, or exhausted
 *          memory (then nothing is written and nothing is freed). */
RAVUNA_MOTION_SERIALIZER_API bool ConvertFrameDataToBytes(
    const char* ipText, uint32_t port, int frameNumber, float time, double uttm,
    unsigned char timecode0, unsigned char timecode1, unsigned char timecode2,
    unsigned char timecode3, unsigned char timecode4, bool timecodeFlag, int boneCount,
    const int* boneIds, const float* rotation0, const float* rotation1, const float* rotation2,
    const float* rotation3, const float* translation0, const float* translation1,
    const float* translation2, int* outSize, unsigned char** outBuffer);

/*! ConvertFrameDataToBuffer() :
 *  Encodes a frame data document into the caller's buffer: the same bytes
 *  as ConvertFrameDataToBytes, nothing handed out.
 *  @param ipText .. translation2  as for ConvertFrameDataToBytes.
 *  @param capacity, buffer, outSize  as for ConvertSkeletonDefinitionToBuffer
 *                       (the length is 147 + 54 * bones).
 *  @return as for ConvertSkeletonDefinitionToBuffer. No lock, no
 *          allocation, nothing kept. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertFrameDataToBuffer(
    const char* ipText, uint32_t port, int frameNumber, float time, double uttm,
    unsigned char timecode0, unsigned char timecode1, unsigned char timecode2,
    unsigned char timecode3, unsigned char timecode4, bool timecodeFlag, int boneCount,
    const int* boneIds, const float* rotation0, const float* rotation1, const float* rotation2,
    const float* rotation3, const float* translation0, const float* translation1,
    const float* translation2, int capacity, unsigned char* buffer, int* outSize);

/*! ConvertBytesToFrameData() :
 *  Parses a frame data document.
 *  @param size, bytes   the document, as for ConvertBytesToSkeletonDefinition.
 *  @param outIpAddress  sender's address, packed; 0 when the bytes are not a
 *                       valid frame data document.
 *  @param outPort       sender's port, 0 to 65535; left as the caller set it
 *                       when the document has no "rcvp" box.
 *  @param outFrameNumber, outTime, outUttm, outTimecode0..4, outTimecodeFlag
 *                       the scalars; a box missing from the document gives 0.
 *  @param outBoneCount  number of bones n.
 *  @param outBoneIds, outRotation0..3, outTranslation0..2  each receives a
 *                       new array of n elements, owned by the library and
 *                       valid until the next recording call.
 *  @return true when the bytes hold a "head", an "sndf" and a "fram" box and
 *          the data version is 1. On false only *outIpAddress is written and
 *          nothing is freed. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToFrameData(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    int* outFrameNumber, float* outTime, double* outUttm, unsigned char* outTimecode0,
    unsigned char* outTimecode1, unsigned char* outTimecode2, unsigned char* outTimecode3,
    unsigned char* outTimecode4, bool* outTimecodeFlag, int* outBoneCount, int** outBoneIds,
    float** outRotation0, float** outRotation1, float** outRotation2, float** outRotation3,
    float** outTranslation0, float** outTranslation1, float** outTranslation2);

/*! ConvertBytesToFrameDataArrays() :
 *  Parses a frame data document into the caller's arrays: the same values as
 *  ConvertBytesToFrameData, nothing handed out or freed.
 *  @param size .. outTimecodeFlag  as for ConvertBytesToFrameData.
 *  @param boneCapacity, boneIds .. translation2, outBoneCount  as for
 *                       ConvertBytesToSkeletonDefinitionArrays.
 *  @return as for ConvertBytesToSkeletonDefinitionArrays; the scalars are
 *          written only on true. No lock, no allocation, nothing kept. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToFrameDataArrays(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    int* outFrameNumber, float* outTime, double* outUttm, unsigned char* outTimecode0,
    unsigned char* outTimecode1, unsigned char* outTimecode2, unsigned char* outTimecode3,
    unsigned char* outTimecode4, bool* outTimecodeFlag, int boneCapacity, int* boneIds,
    float* rotation0, float* rotation1, float* rotation2, float* rotation3, float* translation0,
    float* translation1, float* translation2, int* outBoneCount);

/* ------------------------------------------------------------------------ */
/* Sensor data: one record of one sensor.                                    */
/* ------------------------------------------------------------------------ */

/*! ConvertSensorDataToBytes() :
 *  Encodes a sensor data document (165 + strlen(sensorAddress) +
 *  strlen(sensorName) bytes).
 *  @param ipText        sender's IPv4 address as NUL-terminated dotted text.
 *  @param port          sender's port; its low 16 bits are written.
 *  @param uttm          double-precision time, bit for bit.
 *  @param sensorAddress NUL-terminated text, written without the NUL.
 *  @param sensorName    NUL-terminated text, written without the NUL.
 *  @param sensorJointIndex  stored unchanged.
 *  @param sensorValue0..6   seven floats, bit for bit.
 *  @param outSize, outBuffer  as for ConvertSkeletonDefinitionToBytes.
 *  @return true when the document was encoded and handed out; false for a
 *          null pointer, a document of 2^31 bytes or more, or exhausted
 *          memory (then nothing is written and nothing is freed). */
RAVUNA_MOTION_SERIALIZER_API bool ConvertSensorDataToBytes(
    const char* ipText, uint32_t port, double uttm, const char* sensorAddress,
    const char* sensorName, int sensorJointIndex, float sensorValue0, float sensorValue1,
    float sensorValue2, float sensorValue3, float sensorValue4, float sensorValue5,
    float sensorValue6, int* outSize, unsigned char** outBuffer);

/*! ConvertSensorDataToBuffer() :
 *  Encodes a sensor data document into the caller's buffer: the same bytes
 *  as ConvertSensorDataToBytes, nothing handed out.
 *  @param ipText .. sensorValue6  as for ConvertSensorDataToBytes.
 *  @param capacity, buffer, outSize  as for ConvertSkeletonDefinitionToBuffer
 *                       (the length is 165 + both texts' lengths).
 *  @return as for ConvertSkeletonDefinitionToBuffer. No lock, no
 *          allocation, nothing kept. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertSensorDataToBuffer(
    const char* ipText, uint32_t port, double uttm, const char* sensorAddress,
    const char* sensorName, int sensorJointIndex, float sensorValue0, float sensorValue1,
    float sensorValue2, float sensorValue3, float sensorValue4, float sensorValue5,
    float sensorValue6, int capacity, unsigned char* buffer, int* outSize);

/*! ConvertBytesToSensorData() :
 *  Parses a sensor data document.
 *  @param size, bytes   the document, as for ConvertBytesToSkeletonDefinition.
 *  @param outIpAddress  sender's address, packed; 0 when the bytes are not a
 *                       valid sensor data document.
 *  @param outPort       sender's port, 0 to 65535; left as the caller set it
 *                       when the document has no "rcvp" box.
 *  @param outUttm       "uttm"; 0.0 when the document has none.
 *  @param outSensorAddress, outSensorName  each receives a new NUL-terminated
 *                       text holding the whole stored text (a stored zero
 *                       byte is kept, so a C reader sees the text end there).
 *                       The texts belong to the caller: they are never freed
 *                       by the library; free each with ReleaseSensorDataText.
 *                       They are handed out on false too (then both empty).
 *  @param outSensorJointIndex, outSensorValue0..6  written when the document
 *                       holds them; left as the caller set them otherwise.
 *  @return true when the bytes hold a "head", an "sndf" and an "sndt" box and
 *          the data version is 1. On false *outPort, *outUttm, the joint
 *          index and the values keep what the caller set.
 *  This call frees nothing handed out earlier and records nothing. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToSensorData(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    double* outUttm, char** outSensorAddress, char** outSensorName, int* outSensorJointIndex,
    float* outSensorValue0, float* outSensorValue1, float* outSensorValue2, float* outSensorValue3,
    float* outSensorValue4, float* outSensorValue5, float* outSensorValue6);

/*! ConvertBytesToSensorDataTexts() :
 *  Parses a sensor data document into the caller's text buffers: the same
 *  values as ConvertBytesToSensorData, nothing handed out.
 *  @param size .. outUttm  as for ConvertBytesToSensorData.
 *  @param addressCapacity, nameCapacity  bytes available for each text,
 *                       its terminating NUL included.
 *  @param sensorAddress, sensorName  receive the whole stored text and a
 *                       NUL; owned by the caller. May be null when their
 *                       capacity is 0.
 *  @param outSensorAddressLength, outSensorNameLength  receive each text's
 *                       length without the NUL, also when one does not fit.
 *  @param outSensorJointIndex, outSensorValue0..6  as for
 *                       ConvertBytesToSensorData.
 *  @return true when the document was read; false when a text does not fit
 *          (then only the two lengths are written), when the bytes are not a
 *          valid sensor data document, or for a null pointer (then nothing is
 *          written). No lock, no allocation, nothing kept. */
RAVUNA_MOTION_SERIALIZER_API bool ConvertBytesToSensorDataTexts(
    int size, const unsigned char* bytes, uint64_t* outIpAddress, uint32_t* outPort,
    double* outUttm, int addressCapacity, char* sensorAddress, int* outSensorAddressLength,
    int nameCapacity, char* sensorName, int* outSensorNameLength, int* outSensorJointIndex,
    float* outSensorValue0, float* outSensorValue1, float* outSensorValue2, float* outSensorValue3,
    float* outSensorValue4, float* outSensorValue5, float* outSensorValue6);

/*! ReleaseSensorDataText() :
 *  Frees a text handed out by ConvertBytesToSensorData. Null is a no-op.
 *  Each text must be released at most once. Safe from any thread. */
RAVUNA_MOTION_SERIALIZER_API void ReleaseSensorDataText(char* text);

/* ------------------------------------------------------------------------ */
/* Detection: does a buffer hold a document, and of which kind?              */
/* ------------------------------------------------------------------------ */

/*! IsRmfBytes(), IsSkeletonDefinitionBytes(), IsFrameDataBytes(),
 *  IsSensorDataBytes() :
 *  Search the bytes depth-first for a "head", "skdf", "fram" or "sndt" box.
 *  Nothing else is checked: a document with an unsupported version is still
 *  detected. The search stops at the first top-level box with an unknown
 *  code or a size below 1, so bytes that do not begin with a box give false.
 *  @param size   number of bytes at `bytes`; 0 or negative means none.
 *  @param bytes  the bytes to examine; read during the call only.
 *  @return true when a box of the asked kind is found. Nothing is written,
 *          nothing handed out earlier is freed. */
RAVUNA_MOTION_SERIALIZER_API bool IsRmfBytes(int size, const unsigned char* bytes);
RAVUNA_MOTION_SERIALIZER_API bool IsSkeletonDefinitionBytes(int size, const unsigned char* bytes);
RAVUNA_MOTION_SERIALIZER_API bool IsFrameDataBytes(int size, const unsigned char* bytes);
RAVUNA_MOTION_SERIALIZER_API bool IsSensorDataBytes(int size, const unsigned char* bytes);

/* ------------------------------------------------------------------------ */
/* Verdict: would a parse succeed, why not, and was the read exact?          */
/* ------------------------------------------------------------------------ */

/* Document kinds, as numbers in RavunaDocumentVerdict. */
#define RAVUNA_DOCUMENT_NONE 0u
#define RAVUNA_DOCUMENT_SKELETON_DEFINITION 1u /* data box "skdf" */
#define RAVUNA_DOCUMENT_FRAME_DATA 2u          /* data box "fram" */
#define RAVUNA_DOCUMENT_SENSOR_DATA 3u         /* data box "sndt" */

/* Why a parse fails, in the order the checks run; the first failed check
 * decides. */
#define RAVUNA_VERDICT_ACCEPTED 0u             /* the parse succeeds */
#define RAVUNA_VERDICT_NO_HEADER 1u            /* no "head" box found */
#define RAVUNA_VERDICT_NO_SENDER_DEFINITION 2u /* no "sndf" box found */
#define RAVUNA_VERDICT_NO_DATA_BOX 3u          /* no data box of the judged kind */
#define RAVUNA_VERDICT_UNSUPPORTED_VERSION 4u  /* "vrsn" holds another version */

/* Lenient reads of an accepted document, one bit each. A parse makes them
 * silently; values it could not read come out as 0 or as empty texts.
 * - VALUE_PAST_END: a value or text reaches past the end of the bytes.
 * - BOX_OVERRUNS_CONTAINER: a size field reaches past the box's container or
 *   past the end of the bytes.
 * - UNKNOWN_CODE_SKIPPED: a box of unknown code was stepped over.
 * - BOX_NOT_WALKED: a box the searches pass but no read visits: a top-level
 *   box outside "head", "sndf" and the data box, or a box whose header ends
 *   its container (unless it is empty and holds nothing the read takes).
 * - NESTING_CAP: a container nested too deep to be entered.
 * - VISIT_BUDGET: a walk stopped at its bound on box visits.
 * - BYTES_LEFT_OVER: 1 to 7 bytes after the last box of a range.
 * - VALUE_SIZE_MISMATCH: a value box whose size field differs from the width
 *   of its value (the value is read at its width all the same).
 * - BOX_MISSING: a box the parse reads is absent, so its value reads as 0:
 *   "ftyp" or "vrsn" in "head", "ipad" or "rcvp" in "sndf", a single value
 *   of the data box ("fnum", "time", "uttm", "tmcd"; "uttm", "snad",
 *   "snnm", "snji", "snvl"), or a bone's "pbid" or "tran" (fewer of them
 *   than "bnid" boxes). */
#define RAVUNA_LENIENT_VALUE_PAST_END (1u << 0)
#define RAVUNA_LENIENT_BOX_OVERRUNS_CONTAINER (1u << 1)
#define RAVUNA_LENIENT_UNKNOWN_CODE_SKIPPED (1u << 2)
#define RAVUNA_LENIENT_BOX_NOT_WALKED (1u << 3)
#define RAVUNA_LENIENT_NESTING_CAP (1u << 4)
#define RAVUNA_LENIENT_VISIT_BUDGET (1u << 5)
#define RAVUNA_LENIENT_BYTES_LEFT_OVER (1u << 6)
#define RAVUNA_LENIENT_VALUE_SIZE_MISMATCH (1u << 7)
#define RAVUNA_LENIENT_BOX_MISSING (1u << 8)

/* Capacity that holds every text of DescribeDocumentVerdict with its NUL. */
#define RAVUNA_VERDICT_TEXT_CAPACITY 512

/* A verdict on a byte buffer: five unsigned 32-bit fields in this order, 20
 * bytes, no padding (a sequential structure of five uint32 in C# or ctypes). */
typedef struct RavunaDocumentVerdict {
  uint32_t kind;         /* RAVUNA_DOCUMENT_...: the kind whose data box comes
                            first in the bytes (depth-first), NONE if none */
  uint32_t judgedKind;   /* the kind the verdict is for: the expected kind,
                            or `kind` when none was expected */
  uint32_t reason;       /* RAVUNA_VERDICT_...: ACCEPTED exactly when the
                            parsing function of judgedKind returns true */
  uint32_t version;      /* the data version read from "vrsn" (1 when the
                            header has none); 0 when no header was read */
  uint32_t lenientReads; /* RAVUNA_LENIENT_... bits; 0 means the read is
                            exact. Always 0 unless reason is ACCEPTED. */
} RavunaDocumentVerdict;

/*! JudgeDocumentBytes() :
 *  Judges bytes as a parse would read them, without parsing them.
 *  @param size          number of bytes at `bytes`; 0 or negative means none.
 *  @param bytes         the bytes to judge; read during the call only.
 *  @param expectedKind  RAVUNA_DOCUMENT_NONE to judge the bytes as the kind
 *                       they hold, or the kind the caller will parse them as.
 *  @param outVerdict    receives the verdict.
 *  @return true when the verdict was written; false (nothing written) for a
 *          null outVerdict, a null `bytes` with a positive size, or an
 *          expectedKind above 3.
 *  With judgedKind NONE (no data box found, none expected) the reason is
 *  never ACCEPTED. Nothing handed out earlier is freed; no lock is taken. */
RAVUNA_MOTION_SERIALIZER_API bool JudgeDocumentBytes(int size, const unsigned char* bytes,
                                                     uint32_t expectedKind,
                                                     RavunaDocumentVerdict* outVerdict);

/*! DescribeDocumentVerdict() :
 *  The text of a verdict, for example
 *  `not a valid frame data document: no "sndf" sender definition` or
 *  `frame data document read leniently: a box overruns its container`.
 *  @param verdict    a verdict from JudgeDocumentBytes.
 *  @param capacity   bytes available at `outText`; 0 or negative means none
 *                    (then outText is not read).
 *  @param outText    receives the text, NUL-terminated, cut short to
 *                    capacity - 1 bytes when it does not fit. Owned by the
 *                    caller; nothing is allocated.
 *  @param outLength  receives the whole text's length without the NUL.
 *  @return true when the whole text was written; false when it was cut short
 *          (RAVUNA_VERDICT_TEXT_CAPACITY always suffices), or for a null
 *          verdict or outLength, or a null outText with a positive capacity
 *          (then nothing is written). No lock is taken. */
RAVUNA_MOTION_SERIALIZER_API bool DescribeDocumentVerdict(const RavunaDocumentVerdict* verdict,
                                                          int capacity, char* outText,
                                                          int* outLength);

#ifdef __cplusplus
}
#endif

#endif /* RAVUNA_MOTION_SERIALIZER_H */
