// A program built against the NuGet package's assembly, as its user would:
// one frame encoded and decoded through the package's native library. Prints
// the library file the process mapped, for test-package.sh to compare with
// the package's; exits non-zero on any difference.
using System;
using System.IO;
using System.Linq;
using Ravuna.MotionSerialization;

static class NuGetConsumer
{
    static int Main()
    {
        var bones = new[]
        {
            new Bone(0, 0, 0f, 0f, 0f, 1f, 0f, 1f, 0f),
            new Bone(7, 0, 0.5f, -0.5f, 0.5f, 0.5f, 1.25f, -2.5f, 3.75f),
        };
        var frame = new FrameData("192.168.0.10", 7000, 42, 0.5f, 2.0,
                                  new Timecode(10, 20, 30, 4, 0, true), bones);
        byte[] bytes = MotionSerializer.EncodeFrameData(frame);
        if (bytes.Length != RavunaMotionSerializerFacts.FrameDataLength(bones.Length))
            return Fail($"encoded {bytes.Length} bytes");
        if (MotionSerializer.Detect(bytes) != DocumentKind.FrameData)
            return Fail("not detected as frame data");
        FrameData back = MotionSerializer.DecodeFrameData(bytes, strict: true);
        if (back.IpAddress != frame.IpAddress || back.Port != frame.Port || back.FrameNumber != frame.FrameNumber
            || back.Time != frame.Time || back.Uttm != frame.Uttm || !back.Timecode.Equals(frame.Timecode)
            || !back.Bones.SequenceEqual(bones))
            return Fail("decoded frame differs");
        try
        {
            MotionSerializer.DecodeSkeletonDefinition(bytes);
            return Fail("a frame decoded as a skeleton definition");
        }
        catch (MotionDocumentException)
        {
        }
        string mapped = File.ReadLines("/proc/self/maps")
                            .Select(line => line.Split(new[] { ' ' }, 6, StringSplitOptions.RemoveEmptyEntries))
                            .Where(fields => fields.Length == 6 && fields[5].Contains("ravuna_motion_serializer"))
                            .Select(fields => fields[5].Trim()).FirstOrDefault();
        Console.WriteLine(mapped ?? "no library mapped");
        return 0;
    }

    static int Fail(string what)
    {
        Console.Error.WriteLine("NuGetConsumer: " + what);
        return 1;
    }
}
