// Test program of the C# binding, run under Mono against the Linux library:
// one table of named checks. Prints one line per check and ends with
// "OK (n tests)" or "FAILED (k of n tests)"; exits 0 only when all passed.
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Threading;
using Ravuna.MotionSerialization;

static partial class MotionSerializerTests
{
    static string goldenFolder;

    static int Main(string[] arguments)
    {
        goldenFolder = arguments[0];
        var tests = new Dictionary<string, Action>
        {
            { "golden documents byte for byte", GoldenDocuments },
            { "round trips at 0, 1, 27 and 300 bones", RoundTrips },
            { "caller arrays reused across documents", CallerArrays },
            { "detection of non-documents", Detection },
            { "documents that do not parse", Failures },
            { "refused arguments", RefusedArguments },
            { "sensor texts given back", SensorTextsGivenBack },
            { "four threads at once", () => RunThreads(4, seed => { for (int i = 0; i < 500; i++) RoundTrip(27, seed); }) },
            { "failure messages in the library's words", FailureMessages },
            { "strict decoding refuses lenient reads", StrictDecoding },
            { "caller buffers: the handed-out path's values and bytes, bit for bit", CallerBuffersMatchHandedOut },
            { "caller buffers: too small a space reported, holders grown", TooSmallSpace },
            { "caller buffers: hostile bytes read as the handed-out path reads them", HostileBytes },
            { "caller buffers on four threads at once", () => RunThreads(4, CallerRoundTrips) },
            { "caller buffers: no managed allocation per call", NoAllocationPerCall },
        };
        int failed = 0;
        foreach (var test in tests)
        {
            try { test.Value(); Console.WriteLine("PASS " + test.Key); }
            catch (Exception error) { failed++; Console.WriteLine("FAIL " + test.Key + ": " + error); }
        }
        Console.WriteLine(failed == 0 ? "OK (" + tests.Count + " tests)" : "FAILED (" + failed + " of " + tests.Count + " tests)");
        return failed == 0 ? 0 : 1;
    }

    static void Check(bool condition, string what)
    {
        if (!condition) throw new Exception("check failed: " + what);
    }

    static void Throws<TException>(Action action, string what) where TException : Exception
    {
        try { action(); }
        catch (TException) { return; }
        throw new Exception("expected " + typeof(TException).Name + ": " + what);
    }

    static byte[] Golden(string name)
    {
        var hex = string.Concat(File.ReadAllLines(Path.Combine(goldenFolder, name + ".hex")).Select(line => line.Split('#')[0].Replace(" ", "")));
        return Enumerable.Range(0, hex.Length / 2).Select(i => Convert.ToByte(hex.Substring(2 * i, 2), 16)).ToArray();
    }

    // Any single-precision bit pattern but a signalling NaN.
    static float RandomFloat(Random random)
    {
        var raw = new byte[4];
        do random.NextBytes(raw);
        while ((raw[3] & 0x7F) == 0x7F && (raw[2] & 0xC0) == 0x80);
        return BitConverter.ToSingle(raw, 0);
    }

    static Bone[] RandomBones(int count, Random r, bool parents)
    {
        return Enumerable.Range(0, count).Select(_ => new Bone((short)r.Next(-32768, 32768), parents ? (short)r.Next(-32768, 32768) : (short)0, RandomFloat(r), RandomFloat(r), RandomFloat(r), RandomFloat(r), RandomFloat(r), RandomFloat(r), RandomFloat(r))).ToArray();
    }

    // One document of each kind from random values: parsed and encoded
    // again, it gives the same bytes.
    static byte[][] RoundTrip(int bones, int seed)
    {
        var r = new Random(seed);
        string ip = string.Join(".", Enumerable.Range(0, 4).Select(_ => r.Next(256)));
        byte[] skeleton = MotionSerializer.EncodeSkeletonDefinition(new SkeletonDefinition(ip, (ushort)r.Next(65536), RandomBones(bones, r, true)));
        byte[] frame = MotionSerializer.EncodeFrameData(new FrameData(ip, 65535, r.Next(int.MinValue, int.MaxValue), RandomFloat(r), -0.0, new Timecode(0, 255, 59, 23, 7, true), RandomBones(bones, r, false)));
        byte[] sensor = MotionSerializer.EncodeSensorData(new SensorData(ip, 0, 1e300, "/dev/ttyUSB0", "Glove \u00e9\u4e16" + new string('n', bones), -7, Enumerable.Range(0, 7).Select(_ => RandomFloat(r)).ToArray()));
        Check(MotionSerializer.EncodeSkeletonDefinition(MotionSerializer.DecodeSkeletonDefinition(skeleton)).SequenceEqual(skeleton), "skeleton " + seed);
        Check(MotionSerializer.EncodeFrameData(MotionSerializer.DecodeFrameData(frame)).SequenceEqual(frame), "frame " + seed);
        Check(MotionSerializer.EncodeSensorData(MotionSerializer.DecodeSensorData(sensor)).SequenceEqual(sensor), "sensor " + seed);
        return new[] { skeleton, frame, sensor };
    }

    static void GoldenDocuments()
    {
        var cases = new Dictionary<string, byte[]>
        {
            { "skeleton_one_bone", MotionSerializer.EncodeSkeletonDefinition(new SkeletonDefinition("192.168.0.1", 7000, new[] { new Bone(5, -1, 0, 0, 0, 1, 0.1f, 1.2f, -0.3f) })) },
            { "skeleton_no_bones", MotionSerializer.EncodeSkeletonDefinition(new SkeletonDefinition("192.168.0.1", 7000, new Bone[0])) },
            { "frame_one_bone", MotionSerializer.EncodeFrameData(new FrameData("10.0.0.1", 65535, 1, 0.5f, 2.0, new Timecode(1, 2, 3, 4, 5, true), new[] { new Bone(-1, 0, 1, 2, 3, 4, 5, 6, 7) })) },
            { "sensor_record", MotionSerializer.EncodeSensorData(new SensorData("192.168.0.1", 7000, 1.0, "ab", "c", 70000, new[] { 0f, 0, 0, 1, 0, 0, 0 })) },
        };
        foreach (var c in cases) Check(c.Value.SequenceEqual(Golden(c.Key)), c.Key);
    }

    static void RoundTrips()
    {
        foreach (int bones in new[] { 0, 1, 27, 300 })
        {
            byte[][] documents = RoundTrip(bones, bones);
            // The sensor texts take 12 and 11 + bones UTF-8 bytes.
            Check(documents[0].Length == RavunaMotionSerializerFacts.SkeletonDefinitionLength(bones) &&
                  documents[1].Length == RavunaMotionSerializerFacts.FrameDataLength(bones) &&
                  documents[2].Length == RavunaMotionSerializerFacts.SensorDataLength(12, 11 + bones), "lengths at " + bones);
            Check(MotionSerializer.Detect(documents[0]) == DocumentKind.SkeletonDefinition && MotionSerializer.Detect(documents[1]) == DocumentKind.FrameData && MotionSerializer.Detect(documents[2]) == DocumentKind.SensorData, "kinds at " + bones);
        }
    }

    // One BoneArrays and one destination across documents of 27, 1 and 0
    // bones: the bytes encoded from them equal the originals.
    static void CallerArrays()
    {
        var bones = new BoneArrays(4);
        byte[] destination = new byte[8];
        foreach (int count in new[] { 27, 1, 0 })
        {
            byte[][] documents = RoundTrip(count, count + 100);
            FrameHeader header = MotionSerializer.DecodeFrameData(documents[1], documents[1].Length, bones);
            int length = MotionSerializer.EncodeFrameData(header, bones, ref destination);
            Check(bones.Count == count && destination.Take(length).SequenceEqual(documents[1]), "frame from caller arrays");
            ulong packed;
            ushort port;
            Check(MotionSerializer.TryDecodeSkeletonDefinition(documents[0], documents[0].Length, bones, out packed, out port), "skeleton into caller arrays");
            length = MotionSerializer.EncodeSkeletonDefinition(packed, port, bones, ref destination);
            Check(destination.Take(length).SequenceEqual(documents[0]), "skeleton from caller arrays");
        }
    }

    static void Detection()
    {
        byte[] frame = Golden("frame_one_bone");
        foreach (byte[] bytes in new[] { new byte[0], frame.Take(7).ToArray(), frame.Take(77).ToArray(), frame.Skip(77).ToArray(), new byte[8].Concat(frame).ToArray() })
            Check(MotionSerializer.Detect(bytes) == DocumentKind.None, "not a document: " + bytes.Length + " bytes");
        Check(MotionSerializer.Detect(frame, 77) == DocumentKind.None, "length below the array");
    }

    static void Failures()
    {
        byte[][] documents = RoundTrip(2, 7);
        byte[] frame = documents[1];
        var broken = new List<byte[]> { new byte[0], frame.Skip(77).ToArray(), frame.Take(77).ToArray(), frame.Take(43).Concat(frame.Skip(77)).ToArray() };
        foreach (byte version in new byte[] { 0, 2 }) broken.Add(frame.Take(42).Concat(new[] { version }).Concat(frame.Skip(43)).ToArray());
        var decoders = new Action<byte[]>[] { b => MotionSerializer.DecodeSkeletonDefinition(b), b => MotionSerializer.DecodeFrameData(b), b => MotionSerializer.DecodeSensorData(b) };
        for (int kind = 0; kind < 3; kind++)
            foreach (byte[] bytes in broken.Concat(documents.Where((_, other) => other != kind)))
                Throws<MotionDocumentException>(() => decoders[kind](bytes), "kind " + kind + ", " + bytes.Length + " bytes");
        try { MotionSerializer.DecodeFrameData(documents[2]); }
        catch (MotionDocumentException error) { Check(error.ExpectedKind == DocumentKind.FrameData, "expected kind"); }
        SkeletonDefinition skeleton;
        SensorData sensor;
        Check(!MotionSerializer.TryDecodeSkeletonDefinition(frame, out skeleton) && skeleton == null, "TryDecode gives false and null");
        Check(!MotionSerializer.TryDecodeSensorData(frame, out sensor) && sensor == null, "TryDecode gives false and null");
    }

    static void RefusedArguments()
    {
        var bones = new BoneArrays();
        bones.Resize(1);
        bones.Ids[0] = 40000;
        byte[] destination = null;
        Throws<ArgumentOutOfRangeException>(() => MotionSerializer.EncodeFrameData(default(FrameHeader), bones, ref destination), "id 40000");
        bones.Ids[0] = 0;
        bones.ParentIds[0] = -32769;
        Throws<ArgumentOutOfRangeException>(() => MotionSerializer.EncodeSkeletonDefinition(0, 0, bones, ref destination), "parent id -32769");
        MotionSerializer.EncodeFrameData(default(FrameHeader), bones, ref destination);  // frames carry no parents
        Throws<ArgumentNullException>(() => MotionSerializer.Detect(null), "null bytes");
        Throws<ArgumentOutOfRangeException>(() => MotionSerializer.Detect(new byte[4], 5), "length past the array");
        Throws<ArgumentException>(() => MotionSerializer.EncodeSensorData(new SensorData("1.1.1.1", 0, 0, "", "a\0b", 0, new float[7])), "NUL in a text");
        Throws<ArgumentException>(() => MotionSerializer.EncodeSensorData(new SensorData("1.1.1.\u0661", 0, 0, "", "", 0, new float[7])), "address not ASCII");
        Throws<ArgumentException>(() => new SensorData("1.1.1.1", 0, 0, "", "", 0, new float[6]), "six values");
    }

    // 100000 records with two 2000-byte texts would keep about 400 MB if the
    // texts were not given back; the resident size must stay far below.
    static void SensorTextsGivenBack()
    {
        if (!File.Exists("/proc/self/statm")) return;  // resident size is read from Linux /proc
        string text = new string('t', 2000);
        byte[] encoded = MotionSerializer.EncodeSensorData(new SensorData("0.0.0.0", 0, 0, text, text, 0, new float[7]));
        Func<long> resident = () => { GC.Collect(); GC.WaitForPendingFinalizers(); return long.Parse(File.ReadAllText("/proc/self/statm").Split(' ')[1]) * 4096; };
        SensorData sensor;
        MotionSerializer.TryDecodeSensorData(encoded, out sensor);
        long before = resident();
        for (int i = 0; i < 100000; i++) MotionSerializer.TryDecodeSensorData(encoded, out sensor);
        Check(sensor.SensorName == text && resident() - before < 64L << 20, "resident size grew by " + ((resident() - before) >> 20) + " MiB");
    }

    static void RunThreads(int count, Action<int> body)
    {
        var failures = new List<string>();
        var start = new Barrier(count);
        var threads = Enumerable.Range(1, count).Select(seed => new Thread(() =>
        {
            start.SignalAndWait();
            try { body(seed); }
            catch (Exception error) { lock (failures) failures.Add("thread " + seed + ": " + error.Message); }
        })).ToList();
        threads.ForEach(thread => thread.Start());
        threads.ForEach(thread => thread.Join());
        if (failures.Count > 0) throw new Exception(string.Join("; ", failures));
    }
}
