// Failure messages and strict decoding, both in the words of the library's verdict.
using System;
using System.Linq;
using Ravuna.MotionSerialization;

static partial class MotionSerializerTests
{
    static void ThrowsWithMessage(Action action, string expectedStart)
    {
        try { action(); }
        catch (MotionDocumentException error)
        {
            Check(error.Message.StartsWith(expectedStart), "message \"" + error.Message + "\" starts with \"" + expectedStart + "\"");
            return;
        }
        throw new Exception("expected MotionDocumentException: " + expectedStart);
    }

    static void FailureMessages()
    {
        byte[][] documents = RoundTrip(2, 11);
        byte[] version2 = documents[1].ToArray();
        version2[42] = 2;
        ThrowsWithMessage(() => MotionSerializer.DecodeFrameData(version2), "not a valid frame data document: data version 2 is not supported (this library reads version 1)");
        ThrowsWithMessage(() => MotionSerializer.DecodeFrameData(documents[2]), "not a valid frame data document: the bytes hold a sensor data document");
        ThrowsWithMessage(() => MotionSerializer.DecodeSkeletonDefinition(new byte[0]), "not a valid skeleton definition document: no \"head\" box");
    }

    static void StrictDecoding()
    {
        byte[][] documents = RoundTrip(27, 5);
        var decoders = new Func<byte[], bool, bool>[]
        {
            (b, strict) => MotionSerializer.TryDecodeSkeletonDefinition(b, out _, strict),
            (b, strict) => MotionSerializer.TryDecodeFrameData(b, out _, strict),
            (b, strict) => MotionSerializer.TryDecodeSensorData(b, out _, strict),
        };
        for (int kind = 0; kind < 3; kind++)
        {
            Check(decoders[kind](documents[kind], true), "kind " + kind + ": an exact document passes strict decoding");
            foreach (byte[] lenient in new[] { documents[kind].Take(100).ToArray(), documents[kind].Concat(new byte[3]).ToArray() })
                Check(decoders[kind](lenient, false) && !decoders[kind](lenient, true), "kind " + kind + ": lenient by default, refused when strict");
        }
        var bones = new BoneArrays();
        MotionSerializer.DecodeFrameData(documents[1], 1024, bones);
        Check(bones.Count < 27, "a frame cut at 1024 bytes decodes with fewer bones");
        ThrowsWithMessage(() => MotionSerializer.DecodeFrameData(documents[1], 1024, bones, strict: true), "frame data document read leniently");
    }
}
