// Raw P/Invoke declarations of the ravuna_motion_serializer exports, one for
// one with the C header. Every parameter is blittable, so the declarations
// work unchanged under Mono, .NET and ahead-of-time compilers (IL2CPP):
// texts go in as NUL-terminated UTF-8 byte arrays, the one-byte C booleans
// as byte parameters and one-byte returns, and memory the library hands out
// comes back as IntPtr.
//
// Memory rules (see the C header): buffers and arrays handed out here are
// owned by the library and freed by the next recording call from ANY thread;
// the two sensor texts must be given back with ReleaseSensorDataText. The
// MotionSerializer class wraps all of this; use these declarations directly
// only when you follow those rules yourself.
//
// The caller-buffer declarations (...ToBuffer, ...Arrays, ...Texts) take no
// lock and hand nothing out: the library reads and writes only the memory
// passed in. A byte buffer or text passes as a `ref` to its first byte, so
// both an array (`ref array[offset]`) and a span
// (`ref MemoryMarshal.GetReference(span)`, null for an empty span) pass in
// place, without a copy. The parsing ones' outputs are `ref`: the library
// leaves an output alone where it has nothing to write (a document without a
// port, the bone count of bytes that are not a document), so set them first.
using System;
using System.Runtime.InteropServices;

namespace Ravuna.MotionSerialization
{
    // The verdict of JudgeDocumentBytes: five unsigned 32-bit fields, 20 bytes.
    // The numbers are RavunaMotionSerializerFacts' Document..., Verdict... and
    // Lenient... constants.
    [StructLayout(LayoutKind.Sequential)]
    public struct DocumentVerdict
    {
        public uint Kind;          // the kind whose data box comes first in the bytes
        public uint JudgedKind;    // the kind the verdict is for
        public uint Reason;        // why a parse fails; VerdictAccepted when it succeeds
        public uint Version;       // the data version read; 0 when no header was read
        public uint LenientReads;  // bits of the lenient reads of an accepted document; 0 = exact

        public const uint Accepted = RavunaMotionSerializerFacts.VerdictAccepted;
        public const uint NoHeader = RavunaMotionSerializerFacts.VerdictNoHeader;
        public const int TextCapacity = RavunaMotionSerializerFacts.VerdictTextCapacity;
    }

    public static class RavunaMotionSerializerNative
    {
        // Resolves to ravuna_motion_serializer.dll on Windows and to
        // libravuna_motion_serializer.so elsewhere.
        public const string LibraryName = "ravuna_motion_serializer";

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertSkeletonDefinitionToBytes(
            byte[] ipText, uint port, int boneCount, int[] boneIds, int[] parentBoneIds,
            float[] rotation0, float[] rotation1, float[] rotation2, float[] rotation3,
            float[] translation0, float[] translation1, float[] translation2,
            out int outSize, out IntPtr outBuffer);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToSkeletonDefinition(
            int size, byte[] bytes, out ulong outIpAddress, out uint outPort, out int outBoneCount,
            out IntPtr outBoneIds, out IntPtr outParentBoneIds,
            out IntPtr outRotation0, out IntPtr outRotation1, out IntPtr outRotation2,
            out IntPtr outRotation3, out IntPtr outTranslation0, out IntPtr outTranslation1,
            out IntPtr outTranslation2);

        // timecodeFlag is the C one-byte bool: pass 0 or 1.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertFrameDataToBytes(
            byte[] ipText, uint port, int frameNumber, float time, double uttm,
            byte timecode0, byte timecode1, byte timecode2, byte timecode3, byte timecode4,
            byte timecodeFlag, int boneCount, int[] boneIds,
            float[] rotation0, float[] rotation1, float[] rotation2, float[] rotation3,
            float[] translation0, float[] translation1, float[] translation2,
            out int outSize, out IntPtr outBuffer);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToFrameData(
            int size, byte[] bytes, out ulong outIpAddress, out uint outPort,
            out int outFrameNumber, out float outTime, out double outUttm,
            out byte outTimecode0, out byte outTimecode1, out byte outTimecode2,
            out byte outTimecode3, out byte outTimecode4, out byte outTimecodeFlag,
            out int outBoneCount, out IntPtr outBoneIds,
            out IntPtr outRotation0, out IntPtr outRotation1, out IntPtr outRotation2,
            out IntPtr outRotation3, out IntPtr outTranslation0, out IntPtr outTranslation1,
            out IntPtr outTranslation2);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertSensorDataToBytes(
            byte[] ipText, uint port, double uttm, byte[] sensorAddress, byte[] sensorName,
            int sensorJointIndex, float sensorValue0, float sensorValue1, float sensorValue2,
            float sensorValue3, float sensorValue4, float sensorValue5, float sensorValue6,
            out int outSize, out IntPtr outBuffer);

        // The two texts are handed out on true and on false alike; give each
        // back with ReleaseSensorDataText.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToSensorData(
            int size, byte[] bytes, out ulong outIpAddress, out uint outPort, out double outUttm,
            out IntPtr outSensorAddress, out IntPtr outSensorName, out int outSensorJointIndex,
            out float outSensorValue0, out float outSensorValue1, out float outSensorValue2,
            out float outSensorValue3, out float outSensorValue4, out float outSensorValue5,
            out float outSensorValue6);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        public static extern void ReleaseSensorDataText(IntPtr text);

        // ---- Caller buffers ------------------------------------------------

        // False when the document does not fit `capacity` bytes (then only
        // outSize, the length it needs, is written) or for a null argument.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertSkeletonDefinitionToBuffer(
            ref byte ipText, uint port, int boneCount, int[] boneIds, int[] parentBoneIds,
            float[] rotation0, float[] rotation1, float[] rotation2, float[] rotation3,
            float[] translation0, float[] translation1, float[] translation2,
            int capacity, ref byte buffer, out int outSize);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertFrameDataToBuffer(
            ref byte ipText, uint port, int frameNumber, float time, double uttm,
            byte timecode0, byte timecode1, byte timecode2, byte timecode3, byte timecode4,
            byte timecodeFlag, int boneCount, int[] boneIds,
            float[] rotation0, float[] rotation1, float[] rotation2, float[] rotation3,
            float[] translation0, float[] translation1, float[] translation2,
            int capacity, ref byte buffer, out int outSize);

        // sensorAddress and sensorName: NUL-terminated UTF-8.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertSensorDataToBuffer(
            ref byte ipText, uint port, double uttm, ref byte sensorAddress, ref byte sensorName,
            int sensorJointIndex, float sensorValue0, float sensorValue1, float sensorValue2,
            float sensorValue3, float sensorValue4, float sensorValue5, float sensorValue6,
            int capacity, ref byte buffer, out int outSize);

        // False when the bones exceed boneCapacity (then only outBoneCount is
        // written), or when the bytes are not a valid skeleton definition.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToSkeletonDefinitionArrays(
            int size, ref byte bytes, ref ulong outIpAddress, ref uint outPort, int boneCapacity,
            int[] boneIds, int[] parentBoneIds, float[] rotation0, float[] rotation1,
            float[] rotation2, float[] rotation3, float[] translation0, float[] translation1,
            float[] translation2, ref int outBoneCount);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToFrameDataArrays(
            int size, ref byte bytes, ref ulong outIpAddress, ref uint outPort,
            ref int outFrameNumber, ref float outTime, ref double outUttm,
            ref byte outTimecode0, ref byte outTimecode1, ref byte outTimecode2,
            ref byte outTimecode3, ref byte outTimecode4, ref byte outTimecodeFlag,
            int boneCapacity, int[] boneIds, float[] rotation0, float[] rotation1,
            float[] rotation2, float[] rotation3, float[] translation0, float[] translation1,
            float[] translation2, ref int outBoneCount);

        // Each capacity counts the text's NUL. False when a text does not fit
        // (then only the two lengths, without the NUL, are written).
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool ConvertBytesToSensorDataTexts(
            int size, ref byte bytes, ref ulong outIpAddress, ref uint outPort, ref double outUttm,
            int addressCapacity, ref byte sensorAddress, ref int outSensorAddressLength,
            int nameCapacity, ref byte sensorName, ref int outSensorNameLength,
            ref int outSensorJointIndex, ref float outSensorValue0, ref float outSensorValue1,
            ref float outSensorValue2, ref float outSensorValue3, ref float outSensorValue4,
            ref float outSensorValue5, ref float outSensorValue6);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool IsRmfBytes(int size, byte[] bytes);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool IsSkeletonDefinitionBytes(int size, byte[] bytes);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool IsFrameDataBytes(int size, byte[] bytes);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool IsSensorDataBytes(int size, byte[] bytes);

        // Reads only its arguments and takes no lock.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool JudgeDocumentBytes(int size, byte[] bytes, uint expectedKind,
                                                     out DocumentVerdict outVerdict);

        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool JudgeDocumentBytes(int size, ref byte bytes, uint expectedKind,
                                                     out DocumentVerdict outVerdict);

        // Writes the verdict's text, NUL-terminated, into outText (capacity
        // bytes); false when it was cut short.
        [DllImport(LibraryName, CallingConvention = CallingConvention.Cdecl, ExactSpelling = true)]
        [return: MarshalAs(UnmanagedType.U1)]
        public static extern bool DescribeDocumentVerdict(ref DocumentVerdict verdict, int capacity,
                                                          byte[] outText, out int outLength);
    }
}
