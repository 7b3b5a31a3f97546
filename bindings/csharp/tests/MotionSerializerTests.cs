// Console test program of the C# binding, run under Mono against the Linux
// library. Prints one line per test and ends with "OK (n tests)" or
// "FAILED (k of n tests)"; the exit code is 0 only when every test passed.
using System;
using System.Collections.Generic;
using System.IO;
using System.Linq;
using System.Text;
using System.Threading;
using Ravuna.MotionSerialization;

static partial class MotionSerializerTests
{
    static readonly int[] BoneCounts = { 0, 1, 27 };

    static int Main()
    {
        var tests = new List<KeyValuePair<string, Action>>
        {
            Test("skeleton wire bytes", SkeletonWireBytes),
            Test("frame wire bytes", FrameWireBytes),
            Test("sensor wire bytes", SensorWireBytes),
            Test("skeleton round trips at 0, 1, 27 bones", SkeletonRoundTrips),
            Test("frame round trips at 0, 1, 27 bones", FrameRoundTrips),
            Test("sensor round trip", SensorRoundTrip),
            Test("garbage-free paths reuse caller arrays", GarbageFreeRoundTrips),
            Test("detection of each kind", DetectionOfEachKind),
            Test("detection of non-documents", DetectionOfNonDocuments),
            Test("decoding the wrong kind", WrongKindFailures),
            Test("unsupported versions and broken envelopes", EnvelopeFailures),
            Test("refused arguments", RefusedArguments),
            Test("sensor texts", SensorTexts),
            Test("sensor texts are given back", SensorTextsAreReleased),
            Test("4-thread stress", FourThreadStress),
        };
        tests.AddRange(StrictDecodingTests());
        int failed = 0;
        foreach (var test in tests)
        {
            try
            {
                test.Value();
                Console.WriteLine("PASS " + test.Key);
            }
            catch (Exception error)
            {
                failed++;
                Console.WriteLine("FAIL " + test.Key + ": " + error);
            }
        }
        Console.WriteLine(failed == 0 ? "OK (" + tests.Count + " tests)"
                                      : "FAILED (" + failed + " of " + tests.Count + " tests)");
        return failed == 0 ? 0 : 1;
    }

    static KeyValuePair<string, Action> Test(string name, Action body)
    {
        return new KeyValuePair<string, Action>(name, body);
    }

    // ---- Checks ------------------------------------------------------

    static void Check(bool condition, string what)
    {
        if (!condition) throw new Exception("check failed: " + what);
    }

    static void CheckEqual<T>(T expected, T actual, string what)
    {
        if (!EqualityComparer<T>.Default.Equals(expected, actual))
            throw new Exception(what + ": expected " + expected + ", got " + actual);
    }

    static void CheckBytes(byte[] expected, byte[] actual, int actualLength, string what)
    {
        CheckEqual(expected.Length, actualLength, what + " length");
        for (int i = 0; i < expected.Length; i++)
            if (expected[i] != actual[i])
                throw new Exception(what + ": byte " + i + " is " + actual[i] + ", expected " +
                                    expected[i]);
    }

    static void Throws<TException>(Action action, string messagePart) where TException : Exception
    {
        try
        {
            action();
        }
        catch (TException error)
        {
            if (messagePart != null && !error.Message.Contains(messagePart))
                throw new Exception("message \"" + error.Message + "\" lacks \"" + messagePart + "\"");
            return;
        }
        throw new Exception("expected " + typeof(TException).Name + " with \"" + messagePart + "\"");
    }

    static int Bits(float value) => BitConverter.ToInt32(BitConverter.GetBytes(value), 0);

    static long Bits(double value) => BitConverter.DoubleToInt64Bits(value);

    // A bone as text with every float as its bit pattern, for exact compares.
    static string Describe(Bone bone)
    {
        return string.Join(",", bone.Id, bone.ParentId, Bits(bone.Rotation0), Bits(bone.Rotation1),
                           Bits(bone.Rotation2), Bits(bone.Rotation3), Bits(bone.Translation0),
                           Bits(bone.Translation1), Bits(bone.Translation2));
    }

    static void CheckBones(IReadOnlyList<Bone> expected, IReadOnlyList<Bone> actual, bool parents)
    {
        CheckEqual(expected.Count, actual.Count, "bone count");
        for (int i = 0; i < expected.Count; i++)
        {
            Bone e = expected[i];
            if (!parents) e = WithoutParent(e);
            CheckEqual(Describe(e), Describe(actual[i]), "bone " + i);
        }
    }

    static Bone WithoutParent(Bone b)
    {
        return new Bone(b.Id, 0, b.Rotation0, b.Rotation1, b.Rotation2, b.Rotation3, b.Translation0,
                        b.Translation1, b.Translation2);
    }

    // ---- Values ------------------------------------------------------

    // Any single-precision bit pattern but a signalling NaN.
    static float RandomFloat(Random random)
    {
        while (true)
        {
            var raw = new byte[4];
            random.NextBytes(raw);
            int bits = BitConverter.ToInt32(raw, 0);
            bool nan = (bits & 0x7F800000) == 0x7F800000 && (bits & 0x007FFFFF) != 0;
            if (!nan || (bits & 0x00400000) != 0) return BitConverter.ToSingle(raw, 0);
        }
    }

    static Bone[] RandomBones(int count, Random random)
    {
        var bones = new Bone[count];
        for (int i = 0; i < count; i++)
            bones[i] = new Bone((short)random.Next(-32768, 32768), (short)random.Next(-32768, 32768),
                                RandomFloat(random), RandomFloat(random), RandomFloat(random),
                                RandomFloat(random), RandomFloat(random), RandomFloat(random),
                                RandomFloat(random));
        return bones;
    }

    static Bone[] PosesOf(Bone[] bones) => bones.Select(WithoutParent).ToArray();

    static FrameData RandomFrame(int boneCount, Random random)
    {
        return new FrameData("192.168.1." + random.Next(256), (ushort)random.Next(65536),
                             random.Next(int.MinValue, int.MaxValue), RandomFloat(random),
                             random.NextDouble() * 1e6,
                             new Timecode(0, 255, 59, 23, (byte)random.Next(256), random.Next(2) == 1),
                             PosesOf(RandomBones(boneCount, random)));
    }

    // ---- Hand-built expected bytes -----------------------------------

    sealed class ExpectedBytes
    {
        readonly MemoryStream stream = new MemoryStream();
        readonly BinaryWriter writer;  // little-endian whatever the host

        public ExpectedBytes() { writer = new BinaryWriter(stream); }

        public ExpectedBytes Box(uint size, string code)
        {
            writer.Write(size);
            writer.Write(Encoding.ASCII.GetBytes(code));
            return this;
        }

        public ExpectedBytes Add(byte[] bytes) { writer.Write(bytes); return this; }
        public ExpectedBytes Add(short value) { writer.Write(value); return this; }
        public ExpectedBytes Add(ushort value) { writer.Write(value); return this; }
        public ExpectedBytes Add(int value) { writer.Write(value); return this; }
        public ExpectedBytes Add(ulong value) { writer.Write(value); return this; }
        public ExpectedBytes Add(double value) { writer.Write(value); return this; }

        public ExpectedBytes Add(params float[] values)
        {
            foreach (float value in values) writer.Write(value);
            return this;
        }

        // "head" and "sndf", the first 77 bytes of every document.
        public ExpectedBytes Envelope(ulong packedIpAddress, ushort port)
        {
            Box(35, "head").Box(18, "ftyp").Add(Encoding.ASCII.GetBytes("kavi motion format"));
            Box(1, "vrsn").Add(new byte[] { 1 });
            Box(26, "sndf").Box(8, "ipad").Add(packedIpAddress).Box(2, "rcvp").Add(port);
            return this;
        }

        public byte[] ToArray() { writer.Flush(); return stream.ToArray(); }
    }

    // ---- Wire bytes --------------------------------------------------

    static void SkeletonWireBytes()
    {
        var skeleton = new SkeletonDefinition(
            "192.168.0.1", 7000, new[] { new Bone(5, -1, 0, 0, 0, 1, 0.1f, 1.2f, -0.3f) });
        byte[] expected = new ExpectedBytes()
                              .Envelope(192168000001, 7000)
                              .Box(72, "skdf").Box(64, "bons").Box(56, "bndt")
                              .Box(2, "bnid").Add((short)5).Box(2, "pbid").Add((short)-1)
                              .Box(28, "tran").Add(0f, 0f, 0f, 1f, 0.1f, 1.2f, -0.3f)
                              .ToArray();
        byte[] actual = MotionSerializer.EncodeSkeletonDefinition(skeleton);
        CheckBytes(expected, actual, actual.Length, "skeleton document");
    }

    static void FrameWireBytes()
    {
        var frame = new FrameData("10.0.0.1", 65535, 1, 0.5f, 2.0, new Timecode(1, 2, 3, 4, 5, true),
                                  new[] { new Bone(-1, 0, 1, 2, 3, 4, 5, 6, 7) });
        byte[] expected = new ExpectedBytes()
                              .Envelope(10000000001, 65535)
                              .Box(116, "fram").Box(4, "fnum").Add(1).Box(4, "time").Add(0.5f)
                              .Box(8, "uttm").Add(2.0).Box(6, "tmcd")
                              .Add(new byte[] { 1, 2, 3, 4, 5, 1 })
                              .Box(54, "btrs").Box(46, "btdt").Box(2, "bnid").Add((short)-1)
                              .Box(28, "tran").Add(1f, 2f, 3f, 4f, 5f, 6f, 7f)
                              .ToArray();
        byte[] actual = MotionSerializer.EncodeFrameData(frame);
        CheckBytes(expected, actual, actual.Length, "frame document");
    }

    static void SensorWireBytes()
    {
        var sensor = new SensorData("0.0.0.1", 80, 1.0, "ab", "c", 3, new[] { 0f, 0, 0, 1, 0, 0, 0 });
        byte[] expected = new ExpectedBytes()
                              .Envelope(1, 80)
                              .Box(83, "sndt").Box(8, "uttm").Add(1.0)
                              .Box(2, "snad").Add(Encoding.ASCII.GetBytes("ab"))
                              .Box(1, "snnm").Add(Encoding.ASCII.GetBytes("c"))
                              .Box(4, "snji").Add(3)
                              .Box(28, "snvl").Add(0f, 0f, 0f, 1f, 0f, 0f, 0f)
                              .ToArray();
        byte[] actual = MotionSerializer.EncodeSensorData(sensor);
        CheckBytes(expected, actual, actual.Length, "sensor document");
    }

    // ---- Round trips -------------------------------------------------

    static void SkeletonRoundTrips()
    {
        var random = new Random(27);
        foreach (int count in BoneCounts)
        {
            var skeleton = new SkeletonDefinition("192.168.10.200", 65535, RandomBones(count, random));
            byte[] encoded = MotionSerializer.EncodeSkeletonDefinition(skeleton);
            CheckEqual(93 + 64 * count, encoded.Length, "skeleton length");
            SkeletonDefinition decoded = MotionSerializer.DecodeSkeletonDefinition(encoded);
            CheckEqual(skeleton.IpAddress, decoded.IpAddress, "address");
            CheckEqual(skeleton.Port, decoded.Port, "port");
            CheckBones(skeleton.Bones, decoded.Bones, parents: true);
            byte[] again = MotionSerializer.EncodeSkeletonDefinition(decoded);
            CheckBytes(encoded, again, again.Length, "re-encoded skeleton");
        }
    }

    static void FrameRoundTrips()
    {
        var random = new Random(28);
        foreach (int count in BoneCounts)
        {
            FrameData frame = RandomFrame(count, random);
            byte[] encoded = MotionSerializer.EncodeFrameData(frame);
            CheckEqual(147 + 54 * count, encoded.Length, "frame length");
            FrameData decoded = MotionSerializer.DecodeFrameData(encoded);
            CheckEqual(frame.IpAddress, decoded.IpAddress, "address");
            CheckEqual(frame.Port, decoded.Port, "port");
            CheckEqual(frame.FrameNumber, decoded.FrameNumber, "frame number");
            CheckEqual(Bits(frame.Time), Bits(decoded.Time), "time bits");
            CheckEqual(Bits(frame.Uttm), Bits(decoded.Uttm), "uttm bits");
            CheckEqual(frame.Timecode, decoded.Timecode, "timecode");
            CheckBones(frame.Bones, decoded.Bones, parents: false);
            byte[] again = MotionSerializer.EncodeFrameData(decoded);
            CheckBytes(encoded, again, again.Length, "re-encoded frame");
        }
    }

    static void SensorRoundTrip()
    {
        float nanWithPayload = BitConverter.ToSingle(BitConverter.GetBytes(0x7FC01234), 0);
        var sensor = new SensorData("8.8.4.4", 1234, -0.0, "/dev/ttyUSB0", "Glove \u00e9\u4e16", -7,
                                    new[] { float.Epsilon, -0f, float.MaxValue, float.NegativeInfinity,
                                            nanWithPayload, 1.5f, -2.25f });
        SensorData decoded =
            MotionSerializer.DecodeSensorData(MotionSerializer.EncodeSensorData(sensor));
        CheckEqual(sensor.IpAddress, decoded.IpAddress, "address");
        CheckEqual(sensor.Port, decoded.Port, "port");
        CheckEqual(Bits(sensor.Uttm), Bits(decoded.Uttm), "uttm bits");
        CheckEqual(sensor.SensorAddress, decoded.SensorAddress, "sensor address");
        CheckEqual(sensor.SensorName, decoded.SensorName, "sensor name");
        CheckEqual(sensor.JointIndex, decoded.JointIndex, "joint index");
        for (int i = 0; i < SensorData.ValueCount; i++)
            CheckEqual(Bits(sensor.Values[i]), Bits(decoded.Values[i]), "value " + i + " bits");
    }

    // One BoneArrays and one destination array across documents of 27, 1
    // and 0 bones: the bytes re-encoded from them equal the originals.
    static void GarbageFreeRoundTrips()
    {
        var random = new Random(29);
        var bones = new BoneArrays(4);
        byte[] destination = new byte[8];
        foreach (int count in new[] { 27, 1, 0 })
        {
            FrameData frame = RandomFrame(count, random);
            byte[] encoded = MotionSerializer.EncodeFrameData(frame);
            FrameHeader header = MotionSerializer.DecodeFrameData(encoded, encoded.Length, bones);
            CheckEqual(count, bones.Count, "frame bone count");
            CheckEqual(IpAddress.Pack(frame.IpAddress), header.PackedIpAddress, "packed address");
            int length = MotionSerializer.EncodeFrameData(header, bones, ref destination);
            CheckBytes(encoded, destination, length, "frame from caller arrays");

            var skeleton = new SkeletonDefinition("1.22.133.4", 9, RandomBones(count, random));
            encoded = MotionSerializer.EncodeSkeletonDefinition(skeleton);
            ulong packed;
            ushort port;
            Check(MotionSerializer.TryDecodeSkeletonDefinition(encoded, encoded.Length, bones,
                                                               out packed, out port),
                  "skeleton decodes into caller arrays");
            CheckEqual(1022133004UL, packed, "packed skeleton address");
            length = MotionSerializer.EncodeSkeletonDefinition(packed, port, bones, ref destination);
            CheckBytes(encoded, destination, length, "skeleton from caller arrays");
        }
        Check(bones.Capacity >= 27, "arrays grew to the largest document");
        Check(destination.Length >= 93 + 64 * 27, "destination grew to the largest document");
    }

    // ---- Detection ---------------------------------------------------

    static byte[] SampleSkeleton() => MotionSerializer.EncodeSkeletonDefinition(
        new SkeletonDefinition("10.1.2.3", 4000, new[] { new Bone(1, 0, 0, 0, 0, 1, 0, 0, 0) }));

    static byte[] SampleFrame() => MotionSerializer.EncodeFrameData(
        new FrameData("10.1.2.3", 4000, 9, 0.25f, 3.5, default(Timecode), new Bone[0]));

    static byte[] SampleSensor() => MotionSerializer.EncodeSensorData(
        new SensorData("10.1.2.3", 4000, 1.0, "addr", "name", 2, new float[7]));

    static Dictionary<DocumentKind, byte[]> Samples()
    {
        return new Dictionary<DocumentKind, byte[]>
        {
            { DocumentKind.SkeletonDefinition, SampleSkeleton() },
            { DocumentKind.FrameData, SampleFrame() },
            { DocumentKind.SensorData, SampleSensor() },
        };
    }

    static byte[] Slice(byte[] bytes, int start, int length)
    {
        var slice = new byte[length];
        Array.Copy(bytes, start, slice, 0, length);
        return slice;
    }

    static byte[] WithVersion(byte[] document, byte version)
    {
        var copy = (byte[])document.Clone();
        copy[42] = version;
        return copy;
    }

    static void DetectionOfEachKind()
    {
        foreach (var sample in Samples())
        {
            CheckEqual(sample.Key, MotionSerializer.Detect(sample.Value), "detected kind");
            CheckEqual(sample.Key, MotionSerializer.Detect(WithVersion(sample.Value, 2)),
                       "detected kind at version 2");
        }
    }

    static void DetectionOfNonDocuments()
    {
        byte[] skeleton = SampleSkeleton();
        var cases = new Dictionary<string, byte[]>
        {
            { "empty", new byte[0] },
            { "seven bytes", Slice(skeleton, 0, 7) },
            { "header and sender only", Slice(skeleton, 0, 77) },
            { "data box without header", Slice(skeleton, 77, skeleton.Length - 77) },
            { "unknown box first", new byte[8].Concat(skeleton).ToArray() },
        };
        foreach (var c in cases)
            CheckEqual(DocumentKind.None, MotionSerializer.Detect(c.Value), c.Key);
        CheckEqual(DocumentKind.None, MotionSerializer.Detect(skeleton, 77), "length below the array");
    }

    // ---- Failures ----------------------------------------------------

    static readonly Dictionary<DocumentKind, string> KindNames = new Dictionary<DocumentKind, string>
    {
        { DocumentKind.SkeletonDefinition, "skeleton definition" },
        { DocumentKind.FrameData, "frame data" },
        { DocumentKind.SensorData, "sensor data" },
    };

    static void Decode(DocumentKind kind, byte[] bytes)
    {
        switch (kind)
        {
            case DocumentKind.SkeletonDefinition: MotionSerializer.DecodeSkeletonDefinition(bytes); break;
            case DocumentKind.FrameData: MotionSerializer.DecodeFrameData(bytes); break;
            default: MotionSerializer.DecodeSensorData(bytes); break;
        }
    }

    static void WrongKindFailures()
    {
        var samples = Samples();
        foreach (var expected in samples.Keys)
            foreach (var actual in samples)
            {
                if (actual.Key == expected) continue;
                Throws<MotionDocumentException>(
                    () => Decode(expected, actual.Value),
                    "not a valid " + KindNames[expected] + " document: the bytes hold a " +
                        KindNames[actual.Key] + " document");
            }
        SkeletonDefinition skeleton;
        FrameData frame;
        SensorData sensor;
        Check(!MotionSerializer.TryDecodeSkeletonDefinition(samples[DocumentKind.FrameData], out skeleton) &&
                  skeleton == null, "TryDecodeSkeletonDefinition gives false and null");
        Check(!MotionSerializer.TryDecodeFrameData(samples[DocumentKind.SensorData], out frame) &&
                  frame == null, "TryDecodeFrameData gives false and null");
        Check(!MotionSerializer.TryDecodeSensorData(samples[DocumentKind.SkeletonDefinition], out sensor) &&
                  sensor == null, "TryDecodeSensorData gives false and null");
        try
        {
            MotionSerializer.DecodeFrameData(samples[DocumentKind.SensorData]);
        }
        catch (MotionDocumentException error)
        {
            CheckEqual(DocumentKind.FrameData, error.ExpectedKind, "expected kind");
        }
    }

    static void EnvelopeFailures()
    {
        foreach (var sample in Samples())
        {
            Throws<MotionDocumentException>(() => Decode(sample.Key, WithVersion(sample.Value, 2)),
                                            "data version 2 is not supported (this library reads version 1)");
            Throws<MotionDocumentException>(() => Decode(sample.Key, WithVersion(sample.Value, 0)),
                                            "data version 0 is not supported");
        }
        byte[] frame = SampleFrame();
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeFrameData(new byte[0]),
                                        "no \"head\" box");
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeFrameData(Slice(frame, 77, 70)),
                                        "no \"head\" box");
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeFrameData(Slice(frame, 0, 77)),
                                        "no \"fram\" data box");
        byte[] withoutSender = Slice(frame, 0, 43).Concat(Slice(frame, 77, 70)).ToArray();
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeFrameData(withoutSender),
                                        "no \"sndf\" sender definition");
        Throws<MotionDocumentException>(
            () => MotionSerializer.DecodeFrameData(frame, 77, new BoneArrays()), "no \"fram\" data box");
    }

    static void RefusedArguments()
    {
        var bones = new BoneArrays();
        bones.Resize(1);
        bones.Ids[0] = 40000;
        byte[] destination = null;
        Throws<ArgumentOutOfRangeException>(
            () => MotionSerializer.EncodeFrameData(default(FrameHeader), bones, ref destination),
            "Ids[0] is outside -32768..32767");
        bones.Ids[0] = 0;
        bones.ParentIds[0] = -32769;
        Throws<ArgumentOutOfRangeException>(
            () => MotionSerializer.EncodeSkeletonDefinition(0, 0, bones, ref destination),
            "ParentIds[0] is outside");
        MotionSerializer.EncodeFrameData(default(FrameHeader), bones, ref destination);  // no parents in frames
        Throws<ArgumentNullException>(() => MotionSerializer.Detect(null), "bytes");
        Throws<ArgumentOutOfRangeException>(() => MotionSerializer.Detect(new byte[4], 5), "length");
        Throws<ArgumentException>(
            () => MotionSerializer.EncodeSensorData(new SensorData("1.1.1.1", 0, 0, "", "a\0b", 0, new float[7])),
            "SensorName contains a NUL character");
        Throws<ArgumentException>(
            () => MotionSerializer.EncodeSensorData(new SensorData("1.1.1.\u0661", 0, 0, "", "", 0, new float[7])),
            "IpAddress must be ASCII");
        Throws<ArgumentException>(() => new SensorData("1.1.1.1", 0, 0, "", "", 0, new float[6]),
                                  "7 values");
    }

    // ---- Sensor texts ------------------------------------------------

    static void SensorTexts()
    {
        var empty = new SensorData("0.0.0.0", 0, 0, "", "", 0, new float[7]);
        byte[] encoded = MotionSerializer.EncodeSensorData(empty);
        CheckEqual(165, encoded.Length, "empty-text document length");
        SensorData decoded = MotionSerializer.DecodeSensorData(encoded);
        CheckEqual("", decoded.SensorAddress, "empty address");
        CheckEqual("", decoded.SensorName, "empty name");

        // A stored zero byte ends the text as C sees it.
        encoded = MotionSerializer.EncodeSensorData(
            new SensorData("0.0.0.0", 0, 0, "", "abXcd", 0, new float[7]));
        int x = Array.IndexOf(encoded, (byte)'X');
        encoded[x] = 0;
        CheckEqual("ab", MotionSerializer.DecodeSensorData(encoded).SensorName, "name cut at NUL");
    }

    // Decoding 100000 records with two 2000-byte texts each would keep about
    // 400 MB if the texts were not given back; the resident size must stay far
    // below. The texts stay small enough for the managed copies to die young.
    static void SensorTextsAreReleased()
    {
        if (!File.Exists("/proc/self/statm")) return;  // resident size is read from Linux /proc
        string text = new string('t', 2000);
        byte[] encoded = MotionSerializer.EncodeSensorData(
            new SensorData("0.0.0.0", 0, 0, text, text, 0, new float[7]));
        SensorData sensor;
        MotionSerializer.TryDecodeSensorData(encoded, out sensor);
        long before = ResidentBytes();
        for (int i = 0; i < 100000; i++) MotionSerializer.TryDecodeSensorData(encoded, out sensor);
        long grown = ResidentBytes() - before;
        CheckEqual(text, sensor.SensorName, "long name");
        Check(grown < 64L << 20, "resident size grew by " + (grown >> 20) + " MiB");
    }

    static long ResidentBytes()
    {
        GC.Collect();
        GC.WaitForPendingFinalizers();
        string[] fields = File.ReadAllText("/proc/self/statm").Split(' ');
        return long.Parse(fields[1]) * 4096;
    }

    // ---- Threads -----------------------------------------------------

    // Four threads decode and encode their own documents; every recording
    // call frees what the others were handed, so any missing lock shows up
    // as a wrong value.
    static void FourThreadStress()
    {
        const int Threads = 4, Rounds = 2000;
        var failures = new List<string>();
        var start = new Barrier(Threads);
        var threads = new Thread[Threads];
        for (int t = 0; t < Threads; t++)
        {
            int seed = t + 1;
            threads[t] = new Thread(() =>
            {
                try
                {
                    StressOneThread(seed, Rounds, start);
                }
                catch (Exception error)
                {
                    lock (failures) failures.Add("thread " + seed + ": " + error.Message);
                }
            });
            threads[t].Start();
        }
        foreach (Thread thread in threads) thread.Join();
        if (failures.Count > 0) throw new Exception(string.Join("; ", failures));
    }

    static void StressOneThread(int seed, int rounds, Barrier start)
    {
        var random = new Random(seed);
        var skeleton = new SkeletonDefinition("10.0.0." + seed, (ushort)seed, RandomBones(20 + seed, random));
        FrameData frame = RandomFrame(27 + seed, random);
        var sensor = new SensorData("10.0.2." + seed, (ushort)seed, 3.0, "a" + seed, "n" + seed, seed,
                                    new float[7]);
        byte[] skeletonBytes = MotionSerializer.EncodeSkeletonDefinition(skeleton);
        byte[] frameBytes = MotionSerializer.EncodeFrameData(frame);
        byte[] sensorBytes = MotionSerializer.EncodeSensorData(sensor);
        var bones = new BoneArrays();
        byte[] destination = null;
        start.SignalAndWait();
        for (int round = 0; round < rounds; round++)
        {
            CheckBones(skeleton.Bones, MotionSerializer.DecodeSkeletonDefinition(skeletonBytes).Bones, true);
            FrameHeader header = MotionSerializer.DecodeFrameData(frameBytes, frameBytes.Length, bones);
            CheckEqual(frame.FrameNumber, header.FrameNumber, "frame number");
            CheckBones(frame.Bones, bones.ToBones(), false);
            CheckEqual(sensor.SensorName, MotionSerializer.DecodeSensorData(sensorBytes).SensorName, "name");
            int length = MotionSerializer.EncodeFrameData(header, bones, ref destination);
            CheckBytes(frameBytes, destination, length, "re-encoded frame");
        }
    }
}
