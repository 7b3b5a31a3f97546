// Idiomatic C# wrapper over RavunaMotionSerializerNative: value types for
// bones, skeleton definitions, frames and sensor records, and static encode,
// decode and detect methods that follow the library's memory rules.
//
// Every call that hands out memory runs, together with the copy of that
// memory into managed arrays, under one process-wide lock: the library frees
// what it handed out at the next recording call from any thread. Code that
// also calls the raw declarations directly must take MotionSerializer.SyncRoot
// around its own call-and-copy.
//
// Decoding is lenient by default, as the format reads: a document cut short
// decodes with its missing values as 0. With `strict: true` the Decode...
// methods throw, and the TryDecode... methods return false, for a document
// the library would read leniently.
//
// Per-frame paths without garbage: the overloads taking a BoneArrays or a
// SensorRecord (caller-owned, reused) and a Span<byte>, or a byte[] with an
// offset or a length, use the library's caller-buffer exports: no lock,
// nothing handed out, and no managed allocation per call. The TryEncode...
// methods report a destination too small (false, and the length needed);
// decoding grows the BoneArrays or SensorRecord only when a document holds
// more than they can, and so do the `ref byte[]` encoders their array.
using System;
using System.Collections.Generic;
using System.Runtime.InteropServices;
using System.Text;

namespace Ravuna.MotionSerialization
{
    // Numbered as the library numbers document kinds.
    public enum DocumentKind
    {
        None = (int)RavunaMotionSerializerFacts.DocumentNone,
        SkeletonDefinition = (int)RavunaMotionSerializerFacts.DocumentSkeletonDefinition,
        FrameData = (int)RavunaMotionSerializerFacts.DocumentFrameData,
        SensorData = (int)RavunaMotionSerializerFacts.DocumentSensorData,
    }

    // One bone: its id, its parent's id (skeleton definitions only; frames
    // carry none and decode it as 0) and its transform of seven floats.
    public readonly struct Bone
    {
        public readonly short Id;
        public readonly short ParentId;
        public readonly float Rotation0, Rotation1, Rotation2, Rotation3;
        public readonly float Translation0, Translation1, Translation2;

        public Bone(short id, short parentId, float rotation0, float rotation1, float rotation2,
                    float rotation3, float translation0, float translation1, float translation2)
        {
            Id = id;
            ParentId = parentId;
            Rotation0 = rotation0;
            Rotation1 = rotation1;
            Rotation2 = rotation2;
            Rotation3 = rotation3;
            Translation0 = translation0;
            Translation1 = translation1;
            Translation2 = translation2;
        }
    }

    // The five timecode bytes in the sender's order and the flag byte.
    public readonly struct Timecode
    {
        public readonly byte Value0, Value1, Value2, Value3, Value4;
        public readonly bool Flag;

        public Timecode(byte value0, byte value1, byte value2, byte value3, byte value4, bool flag)
        {
            Value0 = value0;
            Value1 = value1;
            Value2 = value2;
            Value3 = value3;
            Value4 = value4;
            Flag = flag;
        }
    }

    // The scalars of a frame, for the garbage-free frame paths. The sender's
    // address is packed: ((a * 1000 + b) * 1000 + c) * 1000 + d.
    public readonly struct FrameHeader
    {
        public readonly ulong PackedIpAddress;
        public readonly ushort Port;
        public readonly int FrameNumber;
        public readonly float Time;
        public readonly double Uttm;
        public readonly Timecode Timecode;

        public FrameHeader(ulong packedIpAddress, ushort port, int frameNumber, float time,
                           double uttm, Timecode timecode)
        {
            PackedIpAddress = packedIpAddress;
            Port = port;
            FrameNumber = frameNumber;
            Time = time;
            Uttm = uttm;
            Timecode = timecode;
        }
    }

    public sealed class SkeletonDefinition
    {
        public string IpAddress { get; }
        public ushort Port { get; }
        public IReadOnlyList<Bone> Bones { get; }

        public SkeletonDefinition(string ipAddress, ushort port, IEnumerable<Bone> bones)
        {
            IpAddress = ipAddress ?? throw new ArgumentNullException(nameof(ipAddress));
            Port = port;
            Bones = new List<Bone>(bones ?? throw new ArgumentNullException(nameof(bones))).ToArray();
        }
    }

    public sealed class FrameData
    {
        public string IpAddress { get; }
        public ushort Port { get; }
        public int FrameNumber { get; }
        public float Time { get; }
        public double Uttm { get; }
        public Timecode Timecode { get; }
        public IReadOnlyList<Bone> Bones { get; }

        public FrameData(string ipAddress, ushort port, int frameNumber, float time, double uttm,
                         Timecode timecode, IEnumerable<Bone> bones)
        {
            IpAddress = ipAddress ?? throw new ArgumentNullException(nameof(ipAddress));
            Port = port;
            FrameNumber = frameNumber;
            Time = time;
            Uttm = uttm;
            Timecode = timecode;
            Bones = new List<Bone>(bones ?? throw new ArgumentNullException(nameof(bones))).ToArray();
        }
    }

    public sealed class SensorData
    {
        public const int ValueCount = 7;

        public string IpAddress { get; }
        public ushort Port { get; }
        public double Uttm { get; }
        public string SensorAddress { get; }
        public string SensorName { get; }
        public int JointIndex { get; }
        public IReadOnlyList<float> Values { get; }

        public SensorData(string ipAddress, ushort port, double uttm, string sensorAddress,
                          string sensorName, int jointIndex, IEnumerable<float> values)
        {
            IpAddress = ipAddress ?? throw new ArgumentNullException(nameof(ipAddress));
            Port = port;
            Uttm = uttm;
            SensorAddress = sensorAddress ?? throw new ArgumentNullException(nameof(sensorAddress));
            SensorName = sensorName ?? throw new ArgumentNullException(nameof(sensorName));
            JointIndex = jointIndex;
            var copied = new List<float>(values ?? throw new ArgumentNullException(nameof(values)));
            if (copied.Count != ValueCount)
                throw new ArgumentException("a sensor record holds 7 values, got " + copied.Count,
                                            nameof(values));
            Values = copied.ToArray();
        }
    }

    // Bones as a structure of arrays, the way the library takes and gives
    // them. Owned by the caller and reused across frames: Resize grows the
    // arrays only when they are too small, so a steady skeleton costs no
    // garbage. Ids must lie in -32768..32767 (they travel as 16 bits).
    public sealed class BoneArrays
    {
        public int Count { get; private set; }
        public int[] Ids { get; private set; }
        public int[] ParentIds { get; private set; }
        public float[] Rotation0 { get; private set; }
        public float[] Rotation1 { get; private set; }
        public float[] Rotation2 { get; private set; }
        public float[] Rotation3 { get; private set; }
        public float[] Translation0 { get; private set; }
        public float[] Translation1 { get; private set; }
        public float[] Translation2 { get; private set; }

        public BoneArrays(int capacity = 0)
        {
            if (capacity < 0) throw new ArgumentOutOfRangeException(nameof(capacity));
            Ids = new int[capacity];
            ParentIds = new int[capacity];
            Rotation0 = new float[capacity];
            Rotation1 = new float[capacity];
            Rotation2 = new float[capacity];
            Rotation3 = new float[capacity];
            Translation0 = new float[capacity];
            Translation1 = new float[capacity];
            Translation2 = new float[capacity];
        }

        public int Capacity => Ids.Length;

        // Sets Count; elements below the old count keep their values.
        public void Resize(int count)
        {
            if (count < 0) throw new ArgumentOutOfRangeException(nameof(count));
            Reserve(count);
            Count = count;
        }

        // Makes Capacity at least `capacity`, keeping Count and the values.
        public void Reserve(int capacity)
        {
            if (capacity > Capacity)
            {
                capacity = Math.Max(capacity, Capacity * 2);
                Ids = Grow(Ids, capacity);
                ParentIds = Grow(ParentIds, capacity);
                Rotation0 = Grow(Rotation0, capacity);
                Rotation1 = Grow(Rotation1, capacity);
                Rotation2 = Grow(Rotation2, capacity);
                Rotation3 = Grow(Rotation3, capacity);
                Translation0 = Grow(Translation0, capacity);
                Translation1 = Grow(Translation1, capacity);
                Translation2 = Grow(Translation2, capacity);
            }
        }

        public Bone this[int index]
        {
            get
            {
                CheckIndex(index);
                return new Bone((short)Ids[index], (short)ParentIds[index], Rotation0[index],
                                Rotation1[index], Rotation2[index], Rotation3[index],
                                Translation0[index], Translation1[index], Translation2[index]);
            }
            set
            {
                CheckIndex(index);
                Ids[index] = value.Id;
                ParentIds[index] = value.ParentId;
                Rotation0[index] = value.Rotation0;
                Rotation1[index] = value.Rotation1;
                Rotation2[index] = value.Rotation2;
                Rotation3[index] = value.Rotation3;
                Translation0[index] = value.Translation0;
                Translation1[index] = value.Translation1;
                Translation2[index] = value.Translation2;
            }
        }

        internal static BoneArrays From(IReadOnlyList<Bone> bones)
        {
            var arrays = new BoneArrays(bones.Count);
            arrays.Resize(bones.Count);
            for (int i = 0; i < bones.Count; i++) arrays[i] = bones[i];
            return arrays;
        }

        public Bone[] ToBones()
        {
            var bones = new Bone[Count];
            for (int i = 0; i < Count; i++) bones[i] = this[i];
            return bones;
        }

        // Refuses ids that would not come back unchanged.
        internal void CheckIds(bool withParents)
        {
            for (int i = 0; i < Count; i++)
            {
                CheckShort(Ids[i], "Ids", i);
                if (withParents) CheckShort(ParentIds[i], "ParentIds", i);
            }
        }

        static void CheckShort(int value, string arrayName, int index)
        {
            if (value < short.MinValue || value > short.MaxValue)
                throw new ArgumentOutOfRangeException(
                    arrayName, value, arrayName + "[" + index + "] is outside -32768..32767");
        }

        void CheckIndex(int index)
        {
            if ((uint)index >= (uint)Count) throw new ArgumentOutOfRangeException(nameof(index));
        }

        static T[] Grow<T>(T[] array, int capacity)
        {
            var grown = array;
            Array.Resize(ref grown, capacity);
            return grown;
        }
    }

    // A sensor record as the library takes and gives it, owned by the caller
    // and reused across records: the texts are UTF-8 in arrays that grow only
    // when a text is longer than they hold, each followed by a NUL. A text
    // that stores a zero byte decodes whole (its length counts past the zero),
    // but encodes only up to it, as the library reads texts up to their NUL.
    public sealed class SensorRecord
    {
        public ulong PackedIpAddress { get; set; }
        public ushort Port { get; set; }
        public double Uttm { get; set; }
        public int JointIndex { get; set; }
        public float[] Values { get; } = new float[SensorData.ValueCount];
        public byte[] Address { get; private set; }
        public int AddressLength { get; private set; }
        public byte[] Name { get; private set; }
        public int NameLength { get; private set; }

        public SensorRecord(int textCapacity = 64)
        {
            if (textCapacity < 0) throw new ArgumentOutOfRangeException(nameof(textCapacity));
            Address = new byte[textCapacity + 1];
            Name = new byte[textCapacity + 1];
        }

        public ReadOnlySpan<byte> AddressBytes => new ReadOnlySpan<byte>(Address, 0, AddressLength);
        public ReadOnlySpan<byte> NameBytes => new ReadOnlySpan<byte>(Name, 0, NameLength);

        // The texts as strings (each call allocates one).
        public string AddressText => Encoding.UTF8.GetString(Address, 0, AddressLength);
        public string NameText => Encoding.UTF8.GetString(Name, 0, NameLength);

        // Refuse a NUL, which would end the text early for the library.
        public void SetAddress(ReadOnlySpan<byte> utf8)
        {
            Address = Store(Address, utf8, nameof(Address));
            AddressLength = utf8.Length;
        }

        public void SetName(ReadOnlySpan<byte> utf8)
        {
            Name = Store(Name, utf8, nameof(Name));
            NameLength = utf8.Length;
        }

        // Convenience (each call allocates the UTF-8 bytes).
        public void SetAddress(string text) => SetAddress(Utf8(text, nameof(text)));
        public void SetName(string text) => SetName(Utf8(text, nameof(text)));

        // Makes room for texts of these lengths and their NULs; the texts are
        // to be written anew.
        internal void ReserveTexts(int addressLength, int nameLength)
        {
            Address = Room(Address, addressLength);
            Name = Room(Name, nameLength);
        }

        internal void SetLengths(int addressLength, int nameLength)
        {
            AddressLength = addressLength;
            NameLength = nameLength;
        }

        static byte[] Room(byte[] text, int length) =>
            length < text.Length ? text : new byte[Math.Max(length + 1, text.Length * 2)];

        static byte[] Store(byte[] text, ReadOnlySpan<byte> utf8, string what)
        {
            if (utf8.IndexOf((byte)0) >= 0)
                throw new ArgumentException(what + " contains a NUL byte", what);
            text = Room(text, utf8.Length);
            utf8.CopyTo(text);
            text[utf8.Length] = 0;
            return text;
        }

        static byte[] Utf8(string text, string what) =>
            Encoding.UTF8.GetBytes(text ?? throw new ArgumentNullException(what));
    }

    // Bytes that do not hold a valid document of the expected kind.
    public sealed class MotionDocumentException : FormatException
    {
        public DocumentKind ExpectedKind { get; }

        public MotionDocumentException(string message, DocumentKind expectedKind) : base(message)
        {
            ExpectedKind = expectedKind;
        }
    }

    // Packed IPv4 addresses: ((a * 1000 + b) * 1000 + c) * 1000 + d.
    public static class IpAddress
    {
        public static ulong Pack(string dottedText)
        {
            if (dottedText == null) throw new ArgumentNullException(nameof(dottedText));
            string[] parts = dottedText.Split('.');
            if (parts.Length != 4) throw new FormatException("not a dotted address: " + dottedText);
            ulong packed = 0;
            foreach (string part in parts) packed = packed * 1000 + ushort.Parse(part);
            return packed;
        }

        public static string Unpack(ulong packed)
        {
            return Part(packed, 3) + "." + Part(packed, 2) + "." + Part(packed, 1) + "." +
                   Part(packed, 0);
        }

        static ulong Part(ulong packed, int group)
        {
            for (int i = 0; i < group; i++) packed /= 1000;
            return packed % 1000;
        }

        // Writes the dotted text of the lowest twelve digits, NUL-terminated,
        // into `text` (16 bytes at least), without allocating.
        internal static void WriteText(ulong packed, Span<byte> text)
        {
            int position = 0;
            for (int group = 3; group >= 0; group--)
            {
                ulong part = Part(packed, group);
                if (part >= 100) text[position++] = (byte)('0' + part / 100);
                if (part >= 10) text[position++] = (byte)('0' + part / 10 % 10);
                text[position++] = (byte)('0' + part % 10);
                text[position++] = group > 0 ? (byte)'.' : (byte)0;
            }
        }
    }

    public static class MotionSerializer
    {
        public const int CurrentDataVersion = RavunaMotionSerializerFacts.CurrentDataVersion;

        // Held around every call that hands out memory and the copy of it.
        public static readonly object SyncRoot = new object();

        // Bytes of the longest dotted address and its NUL.
        const int IpTextCapacity = 16;

        // ---- Detection -------------------------------------------------

        // The kind of document the bytes hold: a header and a data box of the
        // kind must both be present. The verdict frees nothing, so no lock.
        public static DocumentKind Detect(byte[] bytes) => Detect(bytes, LengthOf(bytes));

        public static DocumentKind Detect(byte[] bytes, int length)
        {
            CheckBuffer(bytes, length);
            DocumentVerdict verdict = Judge(new ReadOnlySpan<byte>(bytes, 0, length), DocumentKind.None);
            return verdict.Reason == DocumentVerdict.NoHeader ? DocumentKind.None
                                                              : (DocumentKind)verdict.Kind;
        }

        // ---- Skeleton definitions --------------------------------------

        public static byte[] EncodeSkeletonDefinition(SkeletonDefinition skeleton)
        {
            if (skeleton == null) throw new ArgumentNullException(nameof(skeleton));
            byte[] ipText = CText(skeleton.IpAddress, nameof(skeleton.IpAddress), ascii: true);
            BoneArrays bones = BoneArrays.From(skeleton.Bones);
            byte[] document = null;
            lock (SyncRoot) EncodeSkeletonDefinitionLocked(ipText, skeleton.Port, bones, ref document);
            return document;
        }

        // Garbage-free: writes the document into `destination` (replaced by a
        // larger array when too small) and returns its length.
        public static int EncodeSkeletonDefinition(ulong packedIpAddress, ushort port,
                                                   BoneArrays bones, ref byte[] destination)
        {
            int length;
            if (!TryEncodeSkeletonDefinition(packedIpAddress, port, bones, destination, out length))
            {
                destination = new byte[length];
                TryEncodeSkeletonDefinition(packedIpAddress, port, bones, destination, out length);
            }
            return length;
        }

        // Garbage-free: writes the document at the start of `destination`;
        // false when it does not fit, then only `length` (the length needed)
        // is set.
        public static bool TryEncodeSkeletonDefinition(ulong packedIpAddress, ushort port,
                                                       BoneArrays bones, Span<byte> destination,
                                                       out int length)
        {
            CheckBones(bones, withParents: true);
            Span<byte> ipText = stackalloc byte[IpTextCapacity];
            IpAddress.WriteText(packedIpAddress, ipText);
            if (RavunaMotionSerializerNative.ConvertSkeletonDefinitionToBuffer(
                    ref MemoryMarshal.GetReference(ipText), port, bones.Count, bones.Ids,
                    bones.ParentIds, bones.Rotation0, bones.Rotation1, bones.Rotation2,
                    bones.Rotation3, bones.Translation0, bones.Translation1, bones.Translation2,
                    destination.Length, ref MemoryMarshal.GetReference(destination), out length))
                return true;
            return Unfit(destination, length, "ConvertSkeletonDefinitionToBuffer");
        }

        public static bool TryEncodeSkeletonDefinition(ulong packedIpAddress, ushort port,
                                                       BoneArrays bones, byte[] destination,
                                                       int offset, out int length)
        {
            return TryEncodeSkeletonDefinition(packedIpAddress, port, bones,
                                               Tail(destination, offset), out length);
        }

        public static SkeletonDefinition DecodeSkeletonDefinition(byte[] bytes, bool strict = false)
        {
            SkeletonDefinition skeleton;
            if (!TryDecodeSkeletonDefinition(bytes, out skeleton, strict))
                throw Failure(bytes, DocumentKind.SkeletonDefinition);
            return skeleton;
        }

        public static bool TryDecodeSkeletonDefinition(byte[] bytes, out SkeletonDefinition skeleton,
                                                       bool strict = false)
        {
            int length = LengthOf(bytes);
            CheckBuffer(bytes, length);
            skeleton = null;
            if (strict && !ReadsExactly(bytes, DocumentKind.SkeletonDefinition)) return false;
            var bones = new BoneArrays();
            ulong packedIpAddress;
            ushort port;
            if (!TryDecodeSkeletonDefinitionLocked(bytes, length, bones, out packedIpAddress, out port))
                return false;
            skeleton = new SkeletonDefinition(IpAddress.Unpack(packedIpAddress), port,
                                              bones.ToBones());
            return true;
        }

        // Garbage-free: fills `bones` (Count becomes the bone count).
        public static bool TryDecodeSkeletonDefinition(byte[] bytes, int length, BoneArrays bones,
                                                       out ulong packedIpAddress, out ushort port,
                                                       bool strict = false)
        {
            CheckBuffer(bytes, length);
            return TryDecodeSkeletonDefinition(new ReadOnlySpan<byte>(bytes, 0, length), bones,
                                               out packedIpAddress, out port, strict);
        }

        // Garbage-free: fills `bones` (Count becomes the bone count, the
        // arrays grow when they hold fewer bones). On false, when the bytes
        // are not a valid skeleton definition, `bones` is left as it was.
        public static bool TryDecodeSkeletonDefinition(ReadOnlySpan<byte> bytes, BoneArrays bones,
                                                       out ulong packedIpAddress, out ushort port,
                                                       bool strict = false)
        {
            if (bones == null) throw new ArgumentNullException(nameof(bones));
            packedIpAddress = 0;
            port = 0;
            if (strict && !ReadsExactly(bytes, DocumentKind.SkeletonDefinition)) return false;
            uint rawPort = 0;
            int count = -1;  // left so when the bytes are not a valid document
            for (int attempt = 0; ; attempt++)
            {
                if (RavunaMotionSerializerNative.ConvertBytesToSkeletonDefinitionArrays(
                        bytes.Length, ref MemoryMarshal.GetReference(bytes), ref packedIpAddress,
                        ref rawPort, bones.Capacity, bones.Ids, bones.ParentIds, bones.Rotation0,
                        bones.Rotation1, bones.Rotation2, bones.Rotation3, bones.Translation0,
                        bones.Translation1, bones.Translation2, ref count))
                    break;
                if (count <= bones.Capacity || attempt > 0) return false;
                bones.Reserve(count);
            }
            bones.Resize(count);
            port = (ushort)rawPort;
            return true;
        }

        // ---- Frames ----------------------------------------------------

        public static byte[] EncodeFrameData(FrameData frame)
        {
            if (frame == null) throw new ArgumentNullException(nameof(frame));
            byte[] ipText = CText(frame.IpAddress, nameof(frame.IpAddress), ascii: true);
            var header = new FrameHeader(0, frame.Port, frame.FrameNumber, frame.Time, frame.Uttm,
                                         frame.Timecode);
            BoneArrays bones = BoneArrays.From(frame.Bones);
            byte[] document = null;
            lock (SyncRoot) EncodeFrameDataLocked(ipText, header, bones, ref document);
            return document;
        }

        // Garbage-free: writes the document into `destination` (replaced by a
        // larger array when too small) and returns its length.
        public static int EncodeFrameData(in FrameHeader header, BoneArrays bones,
                                          ref byte[] destination)
        {
            int length;
            if (!TryEncodeFrameData(header, bones, destination, out length))
            {
                destination = new byte[length];
                TryEncodeFrameData(header, bones, destination, out length);
            }
            return length;
        }

        // Garbage-free: writes the document at the start of `destination`;
        // false when it does not fit, then only `length` (the length needed)
        // is set.
        public static bool TryEncodeFrameData(in FrameHeader header, BoneArrays bones,
                                              Span<byte> destination, out int length)
        {
            CheckBones(bones, withParents: false);
            Span<byte> ipText = stackalloc byte[IpTextCapacity];
            IpAddress.WriteText(header.PackedIpAddress, ipText);
            Timecode timecode = header.Timecode;
            if (RavunaMotionSerializerNative.ConvertFrameDataToBuffer(
                    ref MemoryMarshal.GetReference(ipText), header.Port, header.FrameNumber,
                    header.Time, header.Uttm, timecode.Value0, timecode.Value1, timecode.Value2,
                    timecode.Value3, timecode.Value4, timecode.Flag ? (byte)1 : (byte)0,
                    bones.Count, bones.Ids, bones.Rotation0, bones.Rotation1, bones.Rotation2,
                    bones.Rotation3, bones.Translation0, bones.Translation1, bones.Translation2,
                    destination.Length, ref MemoryMarshal.GetReference(destination), out length))
                return true;
            return Unfit(destination, length, "ConvertFrameDataToBuffer");
        }

        public static bool TryEncodeFrameData(in FrameHeader header, BoneArrays bones,
                                              byte[] destination, int offset, out int length)
        {
            return TryEncodeFrameData(header, bones, Tail(destination, offset), out length);
        }

        public static FrameData DecodeFrameData(byte[] bytes, bool strict = false)
        {
            FrameData frame;
            if (!TryDecodeFrameData(bytes, out frame, strict))
                throw Failure(bytes, DocumentKind.FrameData);
            return frame;
        }

        public static bool TryDecodeFrameData(byte[] bytes, out FrameData frame, bool strict = false)
        {
            int length = LengthOf(bytes);
            CheckBuffer(bytes, length);
            frame = null;
            if (strict && !ReadsExactly(bytes, DocumentKind.FrameData)) return false;
            var bones = new BoneArrays();
            FrameHeader header;
            if (!TryDecodeFrameDataLocked(bytes, length, bones, out header)) return false;
            frame = new FrameData(IpAddress.Unpack(header.PackedIpAddress), header.Port,
                                  header.FrameNumber, header.Time, header.Uttm, header.Timecode,
                                  bones.ToBones());
            return true;
        }

        // Garbage-free: throws MotionDocumentException when the bytes are not
        // a valid frame data document.
        public static FrameHeader DecodeFrameData(byte[] bytes, int length, BoneArrays bones,
                                                  bool strict = false)
        {
            CheckBuffer(bytes, length);
            return DecodeFrameData(new ReadOnlySpan<byte>(bytes, 0, length), bones, strict);
        }

        public static FrameHeader DecodeFrameData(ReadOnlySpan<byte> bytes, BoneArrays bones,
                                                  bool strict = false)
        {
            FrameHeader header;
            if (!TryDecodeFrameData(bytes, bones, out header, strict))
                throw Failure(bytes, DocumentKind.FrameData);
            return header;
        }

        // Garbage-free: fills `bones` (Count becomes the bone count; frames
        // carry no parent ids, so ParentIds reads 0).
        public static bool TryDecodeFrameData(byte[] bytes, int length, BoneArrays bones,
                                              out FrameHeader header, bool strict = false)
        {
            CheckBuffer(bytes, length);
            return TryDecodeFrameData(new ReadOnlySpan<byte>(bytes, 0, length), bones, out header,
                                      strict);
        }

        // Garbage-free, as the skeleton's: on false `bones` is left as it was.
        public static bool TryDecodeFrameData(ReadOnlySpan<byte> bytes, BoneArrays bones,
                                              out FrameHeader header, bool strict = false)
        {
            if (bones == null) throw new ArgumentNullException(nameof(bones));
            header = default(FrameHeader);
            if (strict && !ReadsExactly(bytes, DocumentKind.FrameData)) return false;
            ulong packedIpAddress = 0;
            uint port = 0;
            int frameNumber = 0, count = -1;
            float time = 0;
            double uttm = 0;
            byte c0 = 0, c1 = 0, c2 = 0, c3 = 0, c4 = 0, flag = 0;
            for (int attempt = 0; ; attempt++)
            {
                if (RavunaMotionSerializerNative.ConvertBytesToFrameDataArrays(
                        bytes.Length, ref MemoryMarshal.GetReference(bytes), ref packedIpAddress,
                        ref port, ref frameNumber, ref time, ref uttm, ref c0, ref c1, ref c2,
                        ref c3, ref c4, ref flag, bones.Capacity, bones.Ids, bones.Rotation0,
                        bones.Rotation1, bones.Rotation2, bones.Rotation3, bones.Translation0,
                        bones.Translation1, bones.Translation2, ref count))
                    break;
                if (count <= bones.Capacity || attempt > 0) return false;
                bones.Reserve(count);
            }
            bones.Resize(count);
            Array.Clear(bones.ParentIds, 0, count);
            header = new FrameHeader(packedIpAddress, (ushort)port, frameNumber, time, uttm,
                                     new Timecode(c0, c1, c2, c3, c4, flag != 0));
            return true;
        }

        // ---- Sensor records --------------------------------------------

        // Texts travel as UTF-8.
        public static byte[] EncodeSensorData(SensorData sensor)
        {
            if (sensor == null) throw new ArgumentNullException(nameof(sensor));
            byte[] ipText = CText(sensor.IpAddress, nameof(sensor.IpAddress), ascii: true);
            byte[] address = CText(sensor.SensorAddress, nameof(sensor.SensorAddress), ascii: false);
            byte[] name = CText(sensor.SensorName, nameof(sensor.SensorName), ascii: false);
            IReadOnlyList<float> v = sensor.Values;
            byte[] document = null;
            lock (SyncRoot)
            {
                int size;
                IntPtr buffer;
                if (!RavunaMotionSerializerNative.ConvertSensorDataToBytes(
                        ipText, sensor.Port, sensor.Uttm, address, name, sensor.JointIndex, v[0],
                        v[1], v[2], v[3], v[4], v[5], v[6], out size, out buffer))
                    throw Refused("ConvertSensorDataToBytes");
                CopyDocument(buffer, size, ref document);
            }
            return document;
        }

        public static SensorData DecodeSensorData(byte[] bytes, bool strict = false)
        {
            SensorData sensor;
            if (!TryDecodeSensorData(bytes, out sensor, strict))
                throw Failure(bytes, DocumentKind.SensorData);
            return sensor;
        }

        public static bool TryDecodeSensorData(byte[] bytes, out SensorData sensor, bool strict = false)
        {
            int length = LengthOf(bytes);
            CheckBuffer(bytes, length);
            sensor = null;
            if (strict && !ReadsExactly(bytes, DocumentKind.SensorData)) return false;
            ulong packedIpAddress;
            uint port;
            double uttm;
            IntPtr address = IntPtr.Zero, name = IntPtr.Zero;
            int jointIndex;
            float v0, v1, v2, v3, v4, v5, v6;
            bool decoded;
            string addressText, nameText;
            lock (SyncRoot)
            {
                try
                {
                    decoded = RavunaMotionSerializerNative.ConvertBytesToSensorData(
                        length, bytes, out packedIpAddress, out port, out uttm, out address,
                        out name, out jointIndex, out v0, out v1, out v2, out v3, out v4, out v5,
                        out v6);
                    addressText = CopyText(address);
                    nameText = CopyText(name);
                }
                finally
                {
                    // Handed out on true and false alike; ours to give back.
                    RavunaMotionSerializerNative.ReleaseSensorDataText(address);
                    RavunaMotionSerializerNative.ReleaseSensorDataText(name);
                }
            }
            if (!decoded) return false;
            sensor = new SensorData(IpAddress.Unpack(packedIpAddress), (ushort)port, uttm,
                                    addressText, nameText, jointIndex,
                                    new[] { v0, v1, v2, v3, v4, v5, v6 });
            return true;
        }

        // Garbage-free: writes the record's document at the start of
        // `destination`; false when it does not fit, then only `length` (the
        // length needed) is set.
        public static bool TryEncodeSensorData(SensorRecord sensor, Span<byte> destination,
                                               out int length)
        {
            if (sensor == null) throw new ArgumentNullException(nameof(sensor));
            Span<byte> ipText = stackalloc byte[IpTextCapacity];
            IpAddress.WriteText(sensor.PackedIpAddress, ipText);
            // The NULs the library reads up to, within the arrays whatever
            // the caller wrote into them.
            sensor.Address[sensor.AddressLength] = 0;
            sensor.Name[sensor.NameLength] = 0;
            float[] v = sensor.Values;
            if (RavunaMotionSerializerNative.ConvertSensorDataToBuffer(
                    ref MemoryMarshal.GetReference(ipText), sensor.Port, sensor.Uttm,
                    ref sensor.Address[0], ref sensor.Name[0], sensor.JointIndex, v[0], v[1], v[2],
                    v[3], v[4], v[5], v[6], destination.Length,
                    ref MemoryMarshal.GetReference(destination), out length))
                return true;
            return Unfit(destination, length, "ConvertSensorDataToBuffer");
        }

        public static bool TryEncodeSensorData(SensorRecord sensor, byte[] destination, int offset,
                                               out int length)
        {
            return TryEncodeSensorData(sensor, Tail(destination, offset), out length);
        }

        public static bool TryDecodeSensorData(byte[] bytes, int length, SensorRecord sensor,
                                               bool strict = false)
        {
            CheckBuffer(bytes, length);
            return TryDecodeSensorData(new ReadOnlySpan<byte>(bytes, 0, length), sensor, strict);
        }

        // Garbage-free: fills `sensor`, growing its text arrays when a text
        // does not fit. On false, when the bytes are not a valid sensor data
        // document, `sensor` is left as it was. A joint index or values the
        // document lacks read as 0.
        public static bool TryDecodeSensorData(ReadOnlySpan<byte> bytes, SensorRecord sensor,
                                               bool strict = false)
        {
            if (sensor == null) throw new ArgumentNullException(nameof(sensor));
            if (strict && !ReadsExactly(bytes, DocumentKind.SensorData)) return false;
            ulong packedIpAddress = 0;
            uint port = 0;
            double uttm = 0;
            int addressLength = -1, nameLength = -1, jointIndex = 0;
            float v0 = 0, v1 = 0, v2 = 0, v3 = 0, v4 = 0, v5 = 0, v6 = 0;
            for (int attempt = 0; ; attempt++)
            {
                byte[] address = sensor.Address, name = sensor.Name;
                if (RavunaMotionSerializerNative.ConvertBytesToSensorDataTexts(
                        bytes.Length, ref MemoryMarshal.GetReference(bytes), ref packedIpAddress,
                        ref port, ref uttm, address.Length, ref address[0], ref addressLength,
                        name.Length, ref name[0], ref nameLength, ref jointIndex, ref v0, ref v1,
                        ref v2, ref v3, ref v4, ref v5, ref v6))
                    break;
                if ((addressLength < address.Length && nameLength < name.Length) || attempt > 0)
                    return false;
                sensor.ReserveTexts(addressLength, nameLength);
            }
            sensor.SetLengths(addressLength, nameLength);
            sensor.PackedIpAddress = packedIpAddress;
            sensor.Port = (ushort)port;
            sensor.Uttm = uttm;
            sensor.JointIndex = jointIndex;
            float[] values = sensor.Values;
            values[0] = v0;
            values[1] = v1;
            values[2] = v2;
            values[3] = v3;
            values[4] = v4;
            values[5] = v5;
            values[6] = v6;
            return true;
        }

        // ---- Calls under SyncRoot --------------------------------------

        static bool TryDecodeSkeletonDefinitionLocked(byte[] bytes, int length, BoneArrays bones,
                                                      out ulong packedIpAddress, out ushort port)
        {
            lock (SyncRoot)
            {
                uint rawPort;
                int count;
                IntPtr ids, parentIds, r0, r1, r2, r3, t0, t1, t2;
                if (!RavunaMotionSerializerNative.ConvertBytesToSkeletonDefinition(
                        length, bytes, out packedIpAddress, out rawPort, out count, out ids,
                        out parentIds, out r0, out r1, out r2, out r3, out t0, out t1, out t2))
                {
                    port = 0;
                    return false;
                }
                port = (ushort)rawPort;
                bones.Resize(count);
                Marshal.Copy(ids, bones.Ids, 0, count);
                Marshal.Copy(parentIds, bones.ParentIds, 0, count);
                CopyTransforms(bones, count, r0, r1, r2, r3, t0, t1, t2);
                return true;
            }
        }

        static bool TryDecodeFrameDataLocked(byte[] bytes, int length, BoneArrays bones,
                                             out FrameHeader header)
        {
            lock (SyncRoot)
            {
                ulong packedIpAddress;
                uint port;
                int frameNumber, count;
                float time;
                double uttm;
                byte c0, c1, c2, c3, c4, flag;
                IntPtr ids, r0, r1, r2, r3, t0, t1, t2;
                if (!RavunaMotionSerializerNative.ConvertBytesToFrameData(
                        length, bytes, out packedIpAddress, out port, out frameNumber, out time,
                        out uttm, out c0, out c1, out c2, out c3, out c4, out flag, out count,
                        out ids, out r0, out r1, out r2, out r3, out t0, out t1, out t2))
                {
                    header = default(FrameHeader);
                    return false;
                }
                header = new FrameHeader(packedIpAddress, (ushort)port, frameNumber, time, uttm,
                                         new Timecode(c0, c1, c2, c3, c4, flag != 0));
                bones.Resize(count);
                Marshal.Copy(ids, bones.Ids, 0, count);
                CopyTransforms(bones, count, r0, r1, r2, r3, t0, t1, t2);
                return true;
            }
        }

        static int EncodeSkeletonDefinitionLocked(byte[] ipText, ushort port, BoneArrays bones,
                                                  ref byte[] destination)
        {
            int size;
            IntPtr buffer;
            if (!RavunaMotionSerializerNative.ConvertSkeletonDefinitionToBytes(
                    ipText, port, bones.Count, bones.Ids, bones.ParentIds, bones.Rotation0,
                    bones.Rotation1, bones.Rotation2, bones.Rotation3, bones.Translation0,
                    bones.Translation1, bones.Translation2, out size, out buffer))
                throw Refused("ConvertSkeletonDefinitionToBytes");
            return CopyDocument(buffer, size, ref destination);
        }

        static int EncodeFrameDataLocked(byte[] ipText, in FrameHeader header, BoneArrays bones,
                                         ref byte[] destination)
        {
            Timecode timecode = header.Timecode;
            int size;
            IntPtr buffer;
            if (!RavunaMotionSerializerNative.ConvertFrameDataToBytes(
                    ipText, header.Port, header.FrameNumber, header.Time, header.Uttm,
                    timecode.Value0, timecode.Value1, timecode.Value2, timecode.Value3,
                    timecode.Value4, timecode.Flag ? (byte)1 : (byte)0, bones.Count, bones.Ids,
                    bones.Rotation0, bones.Rotation1, bones.Rotation2, bones.Rotation3,
                    bones.Translation0, bones.Translation1, bones.Translation2, out size,
                    out buffer))
                throw Refused("ConvertFrameDataToBytes");
            return CopyDocument(buffer, size, ref destination);
        }

        static int CopyDocument(IntPtr buffer, int size, ref byte[] destination)
        {
            if (destination == null || destination.Length < size) destination = new byte[size];
            Marshal.Copy(buffer, destination, 0, size);
            return size;
        }

        static void CopyTransforms(BoneArrays bones, int count, IntPtr r0, IntPtr r1, IntPtr r2,
                                   IntPtr r3, IntPtr t0, IntPtr t1, IntPtr t2)
        {
            Marshal.Copy(r0, bones.Rotation0, 0, count);
            Marshal.Copy(r1, bones.Rotation1, 0, count);
            Marshal.Copy(r2, bones.Rotation2, 0, count);
            Marshal.Copy(r3, bones.Rotation3, 0, count);
            Marshal.Copy(t0, bones.Translation0, 0, count);
            Marshal.Copy(t1, bones.Translation1, 0, count);
            Marshal.Copy(t2, bones.Translation2, 0, count);
        }

        static string CopyText(IntPtr text)
        {
            if (text == IntPtr.Zero) return string.Empty;
            int length = 0;
            while (Marshal.ReadByte(text, length) != 0) length++;
            var bytes = new byte[length];
            Marshal.Copy(text, bytes, 0, length);
            return Encoding.UTF8.GetString(bytes);
        }

        // ---- Arguments and failures ------------------------------------

        static int LengthOf(byte[] bytes) => bytes == null ? 0 : bytes.Length;

        static void CheckBuffer(byte[] bytes, int length)
        {
            if (bytes == null) throw new ArgumentNullException(nameof(bytes));
            if (length < 0 || length > bytes.Length)
                throw new ArgumentOutOfRangeException(nameof(length), length,
                                                      "length must lie within the array");
        }

        static void CheckBones(BoneArrays bones, bool withParents)
        {
            if (bones == null) throw new ArgumentNullException(nameof(bones));
            bones.CheckIds(withParents);
        }

        // The NUL-terminated bytes the C side reads; a NUL inside would cut
        // the text short there, so it is refused.
        static byte[] CText(string text, string what, bool ascii)
        {
            if (text == null) throw new ArgumentNullException(what);
            if (text.IndexOf('\0') >= 0)
                throw new ArgumentException(what + " contains a NUL character", what);
            Encoding encoding = ascii ? Encoding.ASCII : Encoding.UTF8;
            if (ascii)
                foreach (char c in text)
                    if (c > 127) throw new ArgumentException(what + " must be ASCII text", what);
            byte[] encoded = new byte[encoding.GetByteCount(text) + 1];
            encoding.GetBytes(text, 0, text.Length, encoded, 0);
            return encoded;
        }

        static InvalidOperationException Refused(string function)
        {
            return new InvalidOperationException(function + " refused its arguments");
        }

        // False for a destination too small (the library wrote only the
        // length needed); any other refusal throws.
        static bool Unfit(Span<byte> destination, int length, string function)
        {
            if (length > destination.Length) return false;
            throw Refused(function);
        }

        static Span<byte> Tail(byte[] destination, int offset)
        {
            if (destination == null) throw new ArgumentNullException(nameof(destination));
            if ((uint)offset > (uint)destination.Length)
                throw new ArgumentOutOfRangeException(nameof(offset), offset,
                                                      "offset must lie within the array");
            return new Span<byte>(destination, offset, destination.Length - offset);
        }

        // The library's verdict on the bytes read as `expected`; it reads only
        // its arguments, so no lock.
        static DocumentVerdict Judge(ReadOnlySpan<byte> bytes, DocumentKind expected)
        {
            DocumentVerdict verdict;
            if (!RavunaMotionSerializerNative.JudgeDocumentBytes(
                    bytes.Length, ref MemoryMarshal.GetReference(bytes), (uint)expected, out verdict))
                throw Refused("JudgeDocumentBytes");
            return verdict;
        }

        static bool ReadsExactly(ReadOnlySpan<byte> bytes, DocumentKind expected)
        {
            DocumentVerdict verdict = Judge(bytes, expected);
            return verdict.Reason == DocumentVerdict.Accepted && verdict.LenientReads == 0;
        }

        // Why the bytes are not a valid document of the expected kind, or
        // which lenient reads a strict decoding refused, in the library's words.
        static MotionDocumentException Failure(ReadOnlySpan<byte> bytes, DocumentKind expected)
        {
            DocumentVerdict verdict = Judge(bytes, expected);
            var text = new byte[DocumentVerdict.TextCapacity];
            int textLength;
            RavunaMotionSerializerNative.DescribeDocumentVerdict(ref verdict, text.Length, text,
                                                                 out textLength);
            return new MotionDocumentException(
                Encoding.ASCII.GetString(text, 0, Math.Min(textLength, text.Length - 1)), expected);
        }
    }
}
