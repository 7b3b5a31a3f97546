// The caller-buffer overloads against the handed-out path: the same values
// bit for bit, the same bytes, the same verdict on hostile bytes, too small a
// space reported or grown, and no managed allocation per call.
using System;
using System.Linq;
using Ravuna.MotionSerialization;

static partial class MotionSerializerTests
{
    static string Bits(float value) => BitConverter.SingleToInt32Bits(value).ToString("x8");

    static string Describe(Bone b) => string.Join(" ", b.Id, b.ParentId, Bits(b.Rotation0), Bits(b.Rotation1), Bits(b.Rotation2), Bits(b.Rotation3), Bits(b.Translation0), Bits(b.Translation1), Bits(b.Translation2));

    // Every value of a decoded document, floats as their bits.
    static string Describe(SkeletonDefinition s) => string.Join("|", s.IpAddress, s.Port, string.Join(",", s.Bones.Select(Describe)));
    static string Describe(FrameData f) => string.Join("|", f.IpAddress, f.Port, f.FrameNumber, Bits(f.Time), BitConverter.DoubleToInt64Bits(f.Uttm), f.Timecode.Value0, f.Timecode.Value1, f.Timecode.Value2, f.Timecode.Value3, f.Timecode.Value4, f.Timecode.Flag, string.Join(",", f.Bones.Select(Describe)));
    static string Describe(SensorData n) => string.Join("|", n.IpAddress, n.Port, BitConverter.DoubleToInt64Bits(n.Uttm), n.SensorAddress, n.SensorName, n.JointIndex, string.Join(",", n.Values.Select(Bits)));

    // What the last caller-buffer decoding on this thread gave besides the holders.
    [ThreadStatic] static ulong packed;
    [ThreadStatic] static ushort port;
    [ThreadStatic] static FrameHeader header;

    // Decodes with the caller-buffer overloads into the reused holders and
    // describes the result as the value types would hold it; the texts end at
    // a stored zero byte, as the handed-out texts do for a C reader.
    static string DescribeCallerDecoding(int kind, byte[] bytes, BoneArrays bones, SensorRecord sensor)
    {
        FrameHeader h;
        switch (kind)
        {
            case 0:
                return MotionSerializer.TryDecodeSkeletonDefinition(bytes.AsSpan(), bones, out packed, out port) ? Describe(new SkeletonDefinition(IpAddress.Unpack(packed), port, bones.ToBones())) : "not decoded";
            case 1:
                if (!MotionSerializer.TryDecodeFrameData(bytes.AsSpan(), bones, out h)) return "not decoded";
                header = h;
                return Describe(new FrameData(IpAddress.Unpack(h.PackedIpAddress), h.Port, h.FrameNumber, h.Time, h.Uttm, h.Timecode, bones.ToBones()));
            default:
                Func<string, string> c = text => text.Split('\0')[0];
                return MotionSerializer.TryDecodeSensorData(bytes.AsSpan(), sensor) ? Describe(new SensorData(IpAddress.Unpack(sensor.PackedIpAddress), sensor.Port, sensor.Uttm, c(sensor.AddressText), c(sensor.NameText), sensor.JointIndex, sensor.Values)) : "not decoded";
        }
    }

    static readonly Func<byte[], string>[] handedOutDescriptions =
    {
        b => MotionSerializer.TryDecodeSkeletonDefinition(b, out SkeletonDefinition s) ? Describe(s) : "not decoded",
        b => MotionSerializer.TryDecodeFrameData(b, out FrameData f) ? Describe(f) : "not decoded",
        b => MotionSerializer.TryDecodeSensorData(b, out SensorData n) ? Describe(n) : "not decoded",
    };

    // Writes with the caller-buffer overloads what the last decoding gave.
    static bool CallerEncoding(int kind, BoneArrays bones, SensorRecord sensor, Span<byte> destination, out int length)
    {
        if (kind == 0) return MotionSerializer.TryEncodeSkeletonDefinition(packed, port, bones, destination, out length);
        if (kind == 1) return MotionSerializer.TryEncodeFrameData(header, bones, destination, out length);
        return MotionSerializer.TryEncodeSensorData(sensor, destination, out length);
    }

    // One BoneArrays and one SensorRecord from capacity 0 across 27, 0, 300
    // and 1 bones: the values decoded equal the handed-out path's, bit for
    // bit, and encode back to the same bytes, at an offset in an array too.
    static void CallerBuffersMatchHandedOut()
    {
        var bones = new BoneArrays();
        var sensor = new SensorRecord(0);
        foreach (int count in new[] { 27, 0, 300, 1 })
        {
            byte[][] documents = RoundTrip(count, count + 200);
            var destination = new byte[documents.Max(d => d.Length) + 5];
            for (int kind = 0; kind < 3; kind++)
            {
                string what = "kind " + kind + " at " + count + " bones";
                Check(DescribeCallerDecoding(kind, documents[kind], bones, sensor) == handedOutDescriptions[kind](documents[kind]), what + ": values");
                int length;
                Check(CallerEncoding(kind, bones, sensor, destination.AsSpan(5), out length) && destination.Skip(5).Take(length).SequenceEqual(documents[kind]), what + ": bytes");
            }
        }
        Check(bones.Capacity == 300, "bones grew to 300, not beyond");
    }

    // Too small a destination: false, the length needed, not a byte written;
    // a null destination asks for the length. Decoding grows the holders.
    static void TooSmallSpace()
    {
        byte[][] documents = RoundTrip(27, 9);
        var bones = new BoneArrays();
        var sensor = new SensorRecord(0);
        for (int kind = 0; kind < 3; kind++)
        {
            DescribeCallerDecoding(kind, documents[kind], bones, sensor);
            var small = Enumerable.Repeat((byte)0xAA, documents[kind].Length - 1).ToArray();
            int length;
            Check(!CallerEncoding(kind, bones, sensor, small, out length) && length == documents[kind].Length && small.All(b => b == 0xAA), "kind " + kind + ": one byte short");
            Check(!CallerEncoding(kind, bones, sensor, null, out length) && length == documents[kind].Length, "kind " + kind + ": the length asked for");
        }
        Check(bones.Capacity == 27 && sensor.NameLength == 11 + 27 && sensor.Name.Length > sensor.NameLength, "the holders grew");
        int unused;
        Throws<ArgumentOutOfRangeException>(() => MotionSerializer.TryEncodeFrameData(header, bones, new byte[4], 5, out unused), "offset past the array");
        Throws<ArgumentException>(() => sensor.SetName(new byte[] { 65, 0, 66 }), "NUL in a text");
    }

    // Mutated and cut documents: the caller-buffer overloads accept exactly
    // what the handed-out path accepts, with the same values; a refused
    // document leaves the holders as they were.
    static void HostileBytes()
    {
        var random = new Random(5);
        byte[][] documents = RoundTrip(27, 13);
        var bones = new BoneArrays();
        var sensor = new SensorRecord();
        int accepted = 0;
        for (int kind = 0; kind < 3; kind++)
            for (int i = 0; i < 300; i++)
            {
                byte[] bytes = documents[kind].Take(i % 4 == 0 ? random.Next(documents[kind].Length + 1) : int.MaxValue).ToArray();
                for (int flips = random.Next(1, 4); flips > 0 && bytes.Length > 0; flips--) bytes[random.Next(bytes.Length)] = (byte)random.Next(256);
                string expected = handedOutDescriptions[kind](bytes);
                int count = bones.Count;
                string actual = DescribeCallerDecoding(kind, bytes, bones, sensor);
                Check(actual == expected, "kind " + kind + ", case " + i + ": " + actual + " != " + expected);
                Check(actual != "not decoded" || bones.Count == count, "a refused document leaves the bones");
                if (actual != "not decoded") accepted++;
            }
        Check(accepted > 300, "the cases reach the values: " + accepted + " accepted");
    }

    // Each thread its own holders; nothing is shared, no lock is taken.
    static void CallerRoundTrips(int seed)
    {
        byte[][] documents = RoundTrip(27, seed);
        var bones = new BoneArrays();
        var sensor = new SensorRecord();
        var destination = new byte[4096];
        for (int i = 0; i < 2000; i++)
            for (int kind = 0; kind < 3; kind++)
            {
                int length;
                Check(DescribeCallerDecoding(kind, documents[kind], bones, sensor) != "not decoded" && CallerEncoding(kind, bones, sensor, destination, out length) && destination.Take(length).SequenceEqual(documents[kind]), "thread " + seed + ", kind " + kind);
            }
    }

    // A correctness property of the caller-buffer overloads: no managed
    // allocation per call, counted over a million calls after one warm-up.
    static void NoAllocationPerCall()
    {
        byte[][] d = RoundTrip(27, 77);
        var bones = new BoneArrays(27);
        var sensor = new SensorRecord(32);
        var buffer = new byte[4096];
        FrameHeader h = default(FrameHeader);
        ulong a;
        ushort p;
        int length, calls = 0;
        const int CallsPerRound = 9, Rounds = 1000000 / CallsPerRound + 1;
        long before = 0;
        for (int round = -1; round < Rounds; round++)
        {
            if (round == 0) before = GC.GetAllocatedBytesForCurrentThread();
            MotionSerializer.TryDecodeSkeletonDefinition(d[0].AsSpan(), bones, out a, out p);
            MotionSerializer.TryEncodeSkeletonDefinition(a, p, bones, buffer.AsSpan(), out length);
            MotionSerializer.TryDecodeFrameData(d[1].AsSpan(), bones, out h);
            MotionSerializer.TryEncodeFrameData(h, bones, buffer.AsSpan(), out length);
            MotionSerializer.TryDecodeSensorData(d[2].AsSpan(), sensor);
            MotionSerializer.TryEncodeSensorData(sensor, buffer, 0, out length);
            h = MotionSerializer.DecodeFrameData(d[1], d[1].Length, bones);
            MotionSerializer.EncodeFrameData(h, bones, ref buffer);
            MotionSerializer.TryEncodeFrameData(h, bones, buffer, 1, out length);
            if (round >= 0) calls += CallsPerRound;
        }
        long allocated = GC.GetAllocatedBytesForCurrentThread() - before;
        Console.WriteLine("     " + allocated + " bytes allocated over " + calls + " caller-buffer calls");
        Check(allocated == 0, allocated + " bytes allocated");
        before = GC.GetAllocatedBytesForCurrentThread();
        MotionSerializer.DecodeFrameData(d[1]);
        Check(GC.GetAllocatedBytesForCurrentThread() > before, "the counter counts the value path's allocations");
    }
}
