#!/usr/bin/env bash
# Writes dist/Ravuna.MotionSerializer.<version>.nupkg: the C# binding compiled
# by mcs as a netstandard2.1 assembly, the Windows SDK archive's DLL and the
# manylinux wheel's library as the native parts, the README and the licence,
# packed by Debian's nuget client without the network.
# packaging/nuget/pack.sh DIST STAGE   (from the project root, after the
# Windows archive and the x86-64 wheel are in DIST)
set -euo pipefail
mkdir -p "$1" "$2"
dist=$(cd "$1" && pwd) stage=$(cd "$2" && pwd)
root=$PWD
here=$root/packaging/nuget
version=$(sed -n '/^ *VERSION [0-9]/{s/^ *VERSION \([0-9.]*\)$/\1/p;q}' CMakeLists.txt)
# Mono's own mscorlib, whose types netstandard2.1 forwards: the binding's
# Span overloads need 2.1, which 2.0 lacks (Debian package mono-devel).
mscorlib=/usr/lib/mono/4.5/mscorlib.dll
[[ -f $mscorlib ]] || { echo "pack.sh: $mscorlib is missing; install the Debian package mono-devel" >&2; exit 1; }

rm -rf "$stage" && mkdir -p "$stage/lib/netstandard2.1" "$stage/runtimes/win-x64/native" \
  "$stage/runtimes/linux-x64/native" "$stage/unpacked"
mcs -langversion:7.2 -warnaserror -nologo -target:library -nostdlib -noconfig -r:"$mscorlib" \
  -out:"$stage/lib/netstandard2.1/Ravuna.MotionSerializer.dll" \
  "$root"/bindings/csharp/*.cs "$here/NetStandardAssembly.cs"

zip_name=ravuna_motion_serializer-$version-windows-x86_64
wheels=("$dist"/ravuna_motion_serializer-"$version"-py3-none-manylinux_*_x86_64.whl)
[[ ${#wheels[@]} -eq 1 && -f ${wheels[0]} ]] || { echo "pack.sh: not one x86-64 manylinux wheel in $dist" >&2; exit 1; }
(cd "$stage/unpacked" && cmake -E tar xf "$dist/$zip_name.zip" && cmake -E tar xf "${wheels[0]}")
cp "$stage/unpacked/$zip_name/bin/ravuna_motion_serializer.dll" "$stage/runtimes/win-x64/native/"
cp "$stage/unpacked/ravuna_motion_serializer/libravuna_motion_serializer.so" "$stage/runtimes/linux-x64/native/"
cp README.md LICENSE "$stage/"
sed "s/@VERSION@/$version/" "$here/Ravuna.MotionSerializer.nuspec.in" >"$stage/Ravuna.MotionSerializer.nuspec"

# Its own home folder, so the client reads and writes no settings or cache
# of the user's. The package analysis is off: this client predates
# netstandard and runtimes/ folders and would call both wrong.
(cd "$stage" && HOME=$stage/home nuget pack Ravuna.MotionSerializer.nuspec -OutputDirectory "$dist" \
  -NonInteractive -NoPackageAnalysis -Verbosity quiet)
[[ -f "$dist/Ravuna.MotionSerializer.$version.nupkg" ]] \
  || { echo "pack.sh: nuget wrote no $dist/Ravuna.MotionSerializer.$version.nupkg" >&2; exit 1; }
