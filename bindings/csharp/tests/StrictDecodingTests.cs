// Strict decoding refuses, in the library's words, what it would read leniently.
using System;
using System.Collections.Generic;
using System.Linq;
using Ravuna.MotionSerialization;

static partial class MotionSerializerTests
{
    static IEnumerable<KeyValuePair<string, Action>> StrictDecodingTests() => new[]
    {
        Test("strict decoding of exact and lenient documents", StrictDecoding),
        Test("strict decoding of a frame cut by a small receive buffer", StrictCutFrame),
    };

    static bool TryDecode(DocumentKind kind, byte[] bytes, bool strict) =>
        kind == DocumentKind.SkeletonDefinition ? MotionSerializer.TryDecodeSkeletonDefinition(bytes, out _, strict)
        : kind == DocumentKind.FrameData ? MotionSerializer.TryDecodeFrameData(bytes, out _, strict)
        : MotionSerializer.TryDecodeSensorData(bytes, out _, strict);

    static void StrictDecoding()
    {
        foreach (var sample in Samples())
        {
            Check(TryDecode(sample.Key, sample.Value, true), sample.Key + " exact document, strict");
            foreach (byte[] lenient in new[] { Slice(sample.Value, 0, 100), sample.Value.Concat(new byte[3]).ToArray() })
            {
                Check(TryDecode(sample.Key, lenient, false), sample.Key + " lenient document by default");
                Check(!TryDecode(sample.Key, lenient, true), sample.Key + " lenient document, strict");
            }
        }
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeSensorData(Slice(SampleSensor(), 0, 100), strict: true),
                                        "sensor data document read leniently: a value reaches past the end of the bytes; a box overruns");
    }

    static void StrictCutFrame()
    {
        byte[] frame = MotionSerializer.EncodeFrameData(RandomFrame(27, new Random(3)));
        var bones = new BoneArrays();
        MotionSerializer.DecodeFrameData(frame, 1024, bones);
        Check(bones.Count < 27, "a frame cut at 1024 bytes decodes with fewer bones");
        Throws<MotionDocumentException>(() => MotionSerializer.DecodeFrameData(frame, 1024, bones, strict: true),
                                        "frame data document read leniently");
    }
}
