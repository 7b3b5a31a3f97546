#!/usr/bin/env bash
# Compiles the C# binding's three files and its test program with mcs and runs
# it under Mono against the shared library named by
# RAVUNA_MOTION_SERIALIZER_LIBRARY (default: the release build,
# build/release/libravuna_motion_serializer.so).
# Everything is built in a fresh temporary folder, so parallel runs do not
# collide. The exit code is the test program's: 0 only when all tests passed.
set -euo pipefail

binding=$(cd "$(dirname "$0")/.." && pwd)
root=$(cd "$binding/../.." && pwd)
library=${RAVUNA_MOTION_SERIALIZER_LIBRARY:-$root/build/release/libravuna_motion_serializer.so}
if [[ ! -f "$library" ]]; then
  echo "shared library not found: $library (build it or set RAVUNA_MOTION_SERIALIZER_LIBRARY)" >&2
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mcs -langversion:7.2 -warnaserror -nologo -target:exe -out:"$work/MotionSerializerTests.exe" \
  -r:System.dll -r:System.Core.dll \
  "$binding/RavunaMotionSerializerFacts.cs" "$binding/RavunaMotionSerializerNative.cs" \
  "$binding/RavunaMotionSerializer.cs" \
  "$binding"/tests/*.cs

# [DllImport("ravuna_motion_serializer")] makes Mono probe, among others,
# libravuna_motion_serializer.so next to the program and on LD_LIBRARY_PATH.
ln -s "$(readlink -f "$library")" "$work/libravuna_motion_serializer.so"
LD_LIBRARY_PATH="$work${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}" mono --debug "$work/MotionSerializerTests.exe" "$root/tests/golden"
