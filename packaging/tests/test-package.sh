#!/usr/bin/env bash
# Uses each release package of dist/ the way its user would, in scratch
# folders: the Windows SDK archive, the Debian packages and Linux archives of
# x86-64 and aarch64 (the aarch64 programs under qemu-aarch64), the three
# Python wheels, the NuGet package, and the source tree as a subdirectory of
# another project.
# test-package.sh WINE_PREFIX WINE_LOADER PYTHON   (from the project root)
set -euo pipefail
wine_prefix=$1 wine_loader=$2 python=$3
root=$PWD
tests=$root/packaging/tests
version=$(sed -n '/^ *VERSION [0-9]/{s/^ *VERSION \([0-9.]*\)$/\1/p;q}' CMakeLists.txt)
dist=$root/dist
scratch=$root/build/package-test
rm -rf "$scratch" && mkdir -p "$scratch"
python_scratch=$(mktemp -d)
trap 'rm -rf "$python_scratch"' EXIT
# In pipelines, grep reads its whole input (no -q), so no writer dies of SIGPIPE.
step() { echo "test-package: $*"; }
fail() { echo "test-package: FAILED: $*" >&2; exit 1; }

# use_installed_tree PREFIX LABEL FOLDER: builds the find_package consumer and
# the pkg-config consumer in FOLDER against the tree installed at PREFIX and
# runs both; each must load the library from there.
use_installed_tree() {
  local prefix=$1 label=$2 build=$scratch/$3 libdir loaded program
  cmake -S "$tests" -B "$build" -G Ninja -DCONSUMER_MODE=package -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_FIND_USE_SYSTEM_PACKAGE_REGISTRY=OFF >/dev/null || fail "$label: find_package"
  cmake --build "$build" >/dev/null || fail "$label: the find_package consumer does not build"
  export PKG_CONFIG_LIBDIR=$prefix/lib/pkgconfig
  [[ $(pkg-config --modversion ravuna_motion_serializer) == "$version" ]] || fail "$label: pkg-config version"
  libdir=$(pkg-config --variable=libdir ravuna_motion_serializer)
  # shellcheck disable=SC2046  # the flags are separate words
  cc -std=c99 -Wall -Werror "$tests/consumer.c" $(pkg-config --cflags --libs ravuna_motion_serializer) \
    -Wl,-rpath,"$libdir" -o "$build/pkg_config_consumer" || fail "$label: the pkg-config consumer does not build"
  unset PKG_CONFIG_LIBDIR
  for program in "$build/consumer" "$build/pkg_config_consumer"; do
    loaded=$(ldd "$program" | sed -n 's/^.*libravuna_motion_serializer\.so\.1 => \(.*\) (0x.*$/\1/p')
    [[ -n "$loaded" && $(readlink -f "$loaded") == $(readlink -f "$prefix/lib/libravuna_motion_serializer.so.1") ]] \
      || fail "$label: $program loads ${loaded:-no library}, not the installed one"
    "$program" || fail "$label: $program: check $? failed"
  done
}

# check_manylinux_wheel PROCESSOR TOOL_PREFIX LOADER: the one manylinux wheel
# of PROCESSOR in dist/ and the README's name for it; its tag says 2_X with X
# the newest GLIBC_2.X its library references, which needs nothing but glibc
# (libc, libm, the LOADER) and exports exactly the C functions. Unpacked into
# $scratch/wheel-PROCESSOR; sets wheel_library.
check_manylinux_wheel() {
  local processor=$1 tools=$2 loader=$3 wheels wheel tag glibc_minor needed newest folder
  wheels=("$dist"/ravuna_motion_serializer-"$version"-py3-none-manylinux_2_*_"$processor".whl)
  [[ ${#wheels[@]} -eq 1 && -f ${wheels[0]} ]] || fail "not one $processor manylinux wheel in dist/: ${wheels[*]}"
  wheel=${wheels[0]}
  tag=${wheel##*-py3-none-} tag=${tag%.whl}
  glibc_minor=${tag#manylinux_2_} glibc_minor=${glibc_minor%%_*}
  grep -F "ravuna_motion_serializer-<version>-py3-none-$tag.whl" README.md >/dev/null \
    || fail "README.md does not name the wheel ravuna_motion_serializer-<version>-py3-none-$tag.whl"
  folder=$scratch/wheel-$processor
  mkdir -p "$folder" && (cd "$folder" && cmake -E tar xf "$wheel")
  grep -qx "Tag: py3-none-$tag" "$folder/ravuna_motion_serializer-$version.dist-info/WHEEL" \
    || fail "the $processor wheel's WHEEL file does not say Tag: py3-none-$tag"
  wheel_library=$folder/ravuna_motion_serializer/libravuna_motion_serializer.so
  needed=$("${tools}readelf" -d "$wheel_library" | sed -n 's/^.*(NEEDED).*\[\(.*\)\]$/\1/p' | sort | tr '\n' ' ')
  [[ " $needed" == *" libc.so.6 "* ]] || fail "the $processor wheel's library does not need libc.so.6: $needed"
  for library in $needed; do
    [[ $library == libc.so.6 || $library == libm.so.6 || $library == "$loader" ]] \
      || fail "the $processor wheel's library needs $library (all it needs: $needed)"
  done
  newest=$("${tools}objdump" -T "$wheel_library" | grep -o 'GLIBC_2\.[0-9]*' | sed 's/^GLIBC_2\.//' | sort -n | tail -n 1)
  [[ $newest == "$glibc_minor" ]] \
    || fail "the $processor wheel is tagged $tag, its library references GLIBC_2.${newest:-none} at most"
  "${tools}nm" -D --defined-only "$wheel_library" | sed 's/^[0-9a-f]* *[A-Za-z] //; s/@.*//' | sort >"$folder/exports"
  diff -u "$scratch/def.names" "$folder/exports" || fail "the $processor wheel's library exports differ"
  step "the $processor wheel is $tag: NEEDED ${needed% }; newest glibc symbol version GLIBC_2.$newest"
}

step "CHANGELOG.md has an entry for $version"
grep -q "^## $version - [0-9-]*\$" CHANGELOG.md || fail "no \"## $version - YYYY-MM-DD\" in CHANGELOG.md"

step "the Windows archive holds exactly the release files"
zip_name=ravuna_motion_serializer-$version-windows-x86_64
cmake -E tar tf "$dist/$zip_name.zip" | grep -v '/$' | sort >"$scratch/zip.list"
sort >"$scratch/zip.expected" <<LIST
$zip_name/CHANGELOG.md
$zip_name/LICENSE
$zip_name/README.md
$zip_name/bin/ravuna_motion_serializer.dll
$zip_name/csharp/Plugins/Ravuna/RavunaMotionSerializer.cs
$zip_name/csharp/Plugins/Ravuna/RavunaMotionSerializerFacts.cs
$zip_name/csharp/Plugins/Ravuna/RavunaMotionSerializerNative.cs
$zip_name/examples/motion_roundtrip.c
$zip_name/include/ravuna_motion_serializer.h
$zip_name/lib/libravuna_motion_serializer.dll.a
$zip_name/lib/ravuna_motion_serializer.lib
LIST
diff -u "$scratch/zip.expected" "$scratch/zip.list" || fail "the archive's files differ (above)"
(cd "$scratch" && cmake -E tar xf "$dist/$zip_name.zip")
sdk=$scratch/$zip_name
x86_64-w64-mingw32-nm "$sdk/bin/ravuna_motion_serializer.dll" 2>&1 | grep ': no symbols$' >/dev/null \
  || fail "the archive's DLL is not stripped"

step "the .lib names exactly the DLL's exports and the module-definition file's"
llvm-nm-14 "$sdk/lib/ravuna_motion_serializer.lib" | sed -n 's/^.* __imp_//p' | sort >"$scratch/lib.names"
x86_64-w64-mingw32-objdump -p "$sdk/bin/ravuna_motion_serializer.dll" \
  | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/s/^\t\[ *[0-9]*\] //p' | sort >"$scratch/dll.names"
sed -n 's/^  \([A-Za-z_][A-Za-z0-9_]*\)$/\1/p' build/mingw/ravuna_motion_serializer.def | sort >"$scratch/def.names"
[[ -s "$scratch/dll.names" ]] || fail "no export table read from the DLL"
diff -u "$scratch/dll.names" "$scratch/lib.names" || fail ".lib and DLL exports differ"
diff -u "$scratch/def.names" "$scratch/lib.names" || fail ".lib and exported functions differ"

step "C programs linked against the .lib (lld-link) and the .dll.a (MinGW) run under Wine"
run=$scratch/windows-run
mkdir -p "$run" && cp "$sdk/bin/ravuna_motion_serializer.dll" "$run/"
clang-14 --target=x86_64-pc-windows-msvc -ffreestanding -fno-stack-protector -O1 \
  -DRAVUNA_CONSUMER_WITHOUT_C_RUNTIME -I "$sdk/include" -c "$tests/consumer.c" -o "$scratch/consumer.obj"
lld-link-14 /nologo /nodefaultlib /entry:mainCRTStartup /subsystem:console \
  /out:"$run/consumer_lib.exe" "$scratch/consumer.obj" "$sdk/lib/ravuna_motion_serializer.lib"
x86_64-w64-mingw32-gcc-posix -std=c99 -Wall -Werror -I "$sdk/include" "$tests/consumer.c" \
  "$sdk/lib/libravuna_motion_serializer.dll.a" -o "$run/consumer_dll_a.exe"
for program in consumer_lib consumer_dll_a; do
  x86_64-w64-mingw32-objdump -p "$run/$program.exe" | grep 'DLL Name: ravuna_motion_serializer.dll' >/dev/null \
    || fail "$program.exe does not import ravuna_motion_serializer.dll"
  status=0
  sh "$root/cmake/run-under-wine.sh" "$wine_prefix" "$wine_loader" "$run/$program.exe" || status=$?
  [[ $status -eq 0 ]] || fail "$program.exe under Wine: check $status failed"
done

step "the Debian package: lintian, apt's view, find_package and pkg-config consumers, rmf"
deb=$dist/ravuna-motion-serializer_${version}_amd64.deb
lintian --fail-on error "$deb" || fail "lintian reports errors"
apt-get install --simulate "$deb" 2>/dev/null | grep '^Inst ravuna-motion-serializer ' >/dev/null \
  || apt-get install --simulate "$deb" | grep 'ravuna-motion-serializer is already the newest' >/dev/null \
  || fail "apt cannot install $deb"
debroot=$scratch/debroot
dpkg-deb -x "$deb" "$debroot"
use_installed_tree "$debroot/usr" "the Debian package" deb-consumers
"$debroot/usr/bin/rmf" demo "$scratch/rmf-demo" >/dev/null || fail "the packaged rmf demo"
zcat "$debroot/usr/share/man/man1/rmf.1.gz" | grep '^\.SS rmf inspect$' >/dev/null || fail "rmf's manual page"

step "cmake --install to a temporary prefix: find_package and pkg-config consumers"
cmake --install build/release --prefix "$scratch/install-prefix" >/dev/null
use_installed_tree "$scratch/install-prefix" "cmake --install" install-consumers

step "the Linux archive holds the Debian package's files"
tar_name=ravuna_motion_serializer-$version-linux-x86_64
tar tzf "$dist/$tar_name.tar.gz" | grep -v '/$' | sed "s|^$tar_name/||" | sort >"$scratch/tar.list"
(cd "$debroot/usr" && find . ! -type d | sed 's|^\./||' | sort) >"$scratch/deb.list"
diff -u "$scratch/deb.list" "$scratch/tar.list" || fail "the archive and the Debian package differ"

step "the x86-64 manylinux wheel: tag, needs, exports; venv, pip install --no-index, the README's example"
check_manylinux_wheel x86_64 "" ld-linux-x86-64.so.2
"$python" -m venv "$python_scratch/venv"
env -u PIP_FIND_LINKS PIP_CONFIG_FILE=/dev/null "$python_scratch/venv/bin/pip" install --quiet --no-index --no-cache-dir \
  "$dist"/ravuna_motion_serializer-"$version"-py3-none-manylinux_2_*_x86_64.whl
awk '/^    import ravuna_motion_serializer as rms$/ { inside = 1 }
     inside && /^[^ ]/ { exit }
     inside { sub(/^    /, ""); print }' README.md >"$python_scratch/example.py"
expected=$(sed -n 's/^ *print(error)  # //p' "$python_scratch/example.py")
[[ -n "$expected" ]] || fail "no Python example with its printed line in README.md"
printf '%s\n' 'import ravuna_motion_serializer._native as n' 'print(n._library._name)' >>"$python_scratch/example.py"
output=$(cd "$python_scratch" && env -u RAVUNA_MOTION_SERIALIZER_LIBRARY venv/bin/python example.py)
[[ $(sed -n 1p <<<"$output") == "$expected" ]] || fail "the example printed: $output"
[[ $(sed -n 2p <<<"$output") == "$python_scratch"/venv/lib/*/site-packages/ravuna_motion_serializer/libravuna_motion_serializer.so ]] \
  || fail "the wheel's package did not load its own library: $output"

step "the Windows wheel: its tag, and the archive's DLL inside the package"
wheel=$dist/ravuna_motion_serializer-$version-py3-none-win_amd64.whl
mkdir -p "$scratch/windows-wheel" && (cd "$scratch/windows-wheel" && cmake -E tar xf "$wheel")
grep -qx 'Tag: py3-none-win_amd64' "$scratch/windows-wheel/ravuna_motion_serializer-$version.dist-info/WHEEL" \
  || fail "the Windows wheel's tag"
cmp "$scratch/windows-wheel/ravuna_motion_serializer/ravuna_motion_serializer.dll" "$sdk/bin/ravuna_motion_serializer.dll" \
  || fail "the Windows wheel's DLL is not the released one"
for module in __init__ _native codec; do
  [[ -f "$scratch/windows-wheel/ravuna_motion_serializer/$module.py" ]] || fail "the Windows wheel lacks $module.py"
done

step "aarch64: the Debian package (architecture, dependencies, lintian) and the archive"
qemu_root=/usr/aarch64-linux-gnu
deb=$dist/ravuna-motion-serializer_${version}_arm64.deb
[[ $(dpkg-deb -f "$deb" Architecture) == arm64 ]] || fail "$deb is not for arm64"
debroot_arm64=$scratch/debroot-arm64
dpkg-deb -x "$deb" "$debroot_arm64"
arm64_library=$debroot_arm64/usr/lib/libravuna_motion_serializer.so.$version
newest=$(aarch64-linux-gnu-objdump -T "$arm64_library" | grep -o 'GLIBC_2\.[0-9]*' | sed 's/^GLIBC_2\.//' | sort -n | tail -n 1)
depends=("libc6 (>= 2.$newest)")
for library in $(aarch64-linux-gnu-readelf -d "$arm64_library" | sed -n 's/^.*(NEEDED).*\[\(.*\)\]$/\1/p'); do
  case $library in
    libc.so.6 | libm.so.6 | ld-linux-aarch64.so.1) ;;
    libgcc_s.so.1) depends+=("libgcc-s1 (>= 12)") ;;
    libstdc++.so.6) depends+=("libstdc++6 (>= 12)") ;;
    *) fail "the arm64 library needs $library, which its package does not name" ;;
  esac
done
expected_depends=$(printf '%s\n' "${depends[@]}" | sort | paste -s -d, | sed 's/,/, /g')
[[ $(dpkg-deb -f "$deb" Depends) == "$expected_depends" ]] \
  || fail "$deb depends on \"$(dpkg-deb -f "$deb" Depends)\", not \"$expected_depends\""
lintian --fail-on error "$deb" || fail "lintian reports errors on $deb"
tar_name=ravuna_motion_serializer-$version-linux-aarch64
tar tzf "$dist/$tar_name.tar.gz" | grep -v '/$' | sed "s|^$tar_name/||" | sort >"$scratch/tar-arm64.list"
(cd "$debroot_arm64/usr" && find . ! -type d | sed 's|^\./||' | sort) >"$scratch/deb-arm64.list"
diff -u "$scratch/deb-arm64.list" "$scratch/tar-arm64.list" || fail "the aarch64 archive and Debian package differ"

step "aarch64: the C example against the Debian package's files, run under qemu-aarch64"
export PKG_CONFIG_LIBDIR=$debroot_arm64/usr/lib/pkgconfig
# shellcheck disable=SC2046  # the flags are separate words
aarch64-linux-gnu-gcc -std=c99 -Wall -Werror examples/motion_roundtrip.c \
  $(pkg-config --cflags --libs ravuna_motion_serializer) -o "$scratch/motion_roundtrip-arm64" \
  || fail "the C example does not build against the arm64 package"
unset PKG_CONFIG_LIBDIR
qemu-aarch64 -L "$qemu_root" -E LD_LIBRARY_PATH="$debroot_arm64/usr/lib" "$scratch/motion_roundtrip-arm64" >/dev/null \
  || fail "the C example with the arm64 package's library under qemu-aarch64"

step "aarch64: the API and golden-document suites against the package's library, the fuzz replays, under qemu-aarch64"
cmake --preset aarch64 >/dev/null
cmake --build --preset aarch64 -j "${JOBS:-2}" --target api_tests motion_roundtrip fuzz_targets >/dev/null \
  || fail "the aarch64 suites do not build"
# The package's library comes first on the search path, before the build
# tree's run path; the loader's own trace says which file it initialised.
qemu-aarch64 -L "$qemu_root" -E LD_DEBUG=libs -E LD_LIBRARY_PATH="$debroot_arm64/usr/lib" build/aarch64/tests/api_tests \
  --gtest_list_tests 2>&1 | grep -F "calling init: $debroot_arm64/usr/lib/libravuna_motion_serializer.so.1" >/dev/null \
  || fail "the aarch64 API suites do not load the package's library"
qemu-aarch64 -L "$qemu_root" -E LD_LIBRARY_PATH="$debroot_arm64/usr/lib" build/aarch64/tests/api_tests \
  --gtest_brief=1 | tail -n 3 || fail "the API suites under qemu-aarch64"
qemu-aarch64 -L "$qemu_root" -E LD_LIBRARY_PATH="$debroot_arm64/usr/lib" build/aarch64/motion_roundtrip >/dev/null \
  || fail "the build tree's C example under qemu-aarch64"
replays=()
for program in build/aarch64/fuzz/*_fuzzer; do
  target=$(basename "$program") folder=${target%_fuzzer}
  [[ -d fuzz/corpus/$folder ]] || fail "no fuzz/corpus/$folder for $program"
  inputs=(fuzz/corpus/"$folder")
  [[ -d fuzz/regressions/$folder ]] && inputs+=(fuzz/regressions/"$folder")
  qemu-aarch64 -L "$qemu_root" "$program" "${inputs[@]}" >/dev/null 2>&1 \
    || fail "the $target replay of ${inputs[*]} under qemu-aarch64"
  replays+=("$target")
done
[[ ${#replays[@]} -gt 0 ]] || fail "no fuzz replay programs in build/aarch64/fuzz"
step "aarch64: replayed ${replays[*]}"

step "the aarch64 manylinux wheel: tag, needs, exports; the C example with its library and glibc alone under qemu-aarch64"
check_manylinux_wheel aarch64 aarch64-linux-gnu- ld-linux-aarch64.so.1
glibc_only=$scratch/glibc-only-root
mkdir -p "$glibc_only/lib"
cp -L "$qemu_root"/lib/{ld-linux-aarch64.so.1,libc.so.6,libm.so.6} "$glibc_only/lib/"
aarch64-linux-gnu-gcc -std=c99 -I "$debroot_arm64/usr/include" examples/motion_roundtrip.c "$wheel_library" \
  -o "$scratch/motion_roundtrip-wheel-arm64"
qemu-aarch64 -L "$glibc_only" -E LD_LIBRARY_PATH="$(dirname "$wheel_library")" "$scratch/motion_roundtrip-wheel-arm64" >/dev/null \
  || fail "the C example with the aarch64 wheel's library and only glibc under qemu-aarch64"

step "the NuGet package: its files, the Windows DLL and the P/Invoke name"
nupkg=$dist/Ravuna.MotionSerializer.$version.nupkg
cmake -E tar tf "$nupkg" | sed 's|^package/services/metadata/core-properties/[^/]*\.psmdcp$|package/services/metadata/core-properties/*.psmdcp|' \
  | sort >"$scratch/nupkg.list"
sort >"$scratch/nupkg.expected" <<LIST
LICENSE
README.md
Ravuna.MotionSerializer.nuspec
[Content_Types].xml
_rels/.rels
lib/netstandard2.1/Ravuna.MotionSerializer.dll
package/services/metadata/core-properties/*.psmdcp
runtimes/linux-x64/native/libravuna_motion_serializer.so
runtimes/win-x64/native/ravuna_motion_serializer.dll
LIST
diff -u "$scratch/nupkg.expected" "$scratch/nupkg.list" || fail "the NuGet package's files differ (above)"
nuget_source=$scratch/nuget-source nuget_home=$scratch/nuget-home nuget_packages=$scratch/nuget-packages
mkdir -p "$nuget_source" "$nuget_home" && cp "$nupkg" "$nuget_source/"
# Its own home folder: no settings, sources or cache of the user's; the only
# source is the folder.
HOME=$nuget_home nuget install Ravuna.MotionSerializer -Version "$version" -Source "$nuget_source" \
  -OutputDirectory "$nuget_packages" -NonInteractive -NoCache >/dev/null || fail "nuget install from $nuget_source"
installed=$nuget_packages/Ravuna.MotionSerializer.$version
assembly=$installed/lib/netstandard2.1/Ravuna.MotionSerializer.dll
for file in "$assembly" "$installed/runtimes/linux-x64/native/libravuna_motion_serializer.so" \
  "$installed/runtimes/win-x64/native/ravuna_motion_serializer.dll" "$installed/README.md" "$installed/LICENSE"; do
  [[ -f $file ]] || fail "nuget install gave no $file"
done
cmp "$installed/runtimes/win-x64/native/ravuna_motion_serializer.dll" "$sdk/bin/ravuna_motion_serializer.dll" \
  || fail "the NuGet package's Windows DLL is not the SDK archive's"
cmp "$installed/runtimes/linux-x64/native/libravuna_motion_serializer.so" "$scratch/wheel-x86_64/ravuna_motion_serializer/libravuna_motion_serializer.so" \
  || fail "the NuGet package's Linux library is not the manylinux wheel's"
cmp "$installed/README.md" README.md && cmp "$installed/LICENSE" LICENSE || fail "the NuGet package's README or LICENSE"
modules=$(monodis --moduleref "$assembly" | sed -n 's/^[0-9]*: //p')
[[ $modules == ravuna_motion_serializer ]] || fail "the assembly's P/Invoke libraries are: $modules"
[[ -f $installed/runtimes/win-x64/native/$modules.dll && -f $installed/runtimes/linux-x64/native/lib$modules.so ]] \
  || fail "the P/Invoke name $modules names neither native library of the package"

step "the NuGet package's assembly: netstandard2.1 types only, mscorlib alone referenced"
grep -a '\.NETStandard,Version=v2\.1' "$assembly" >/dev/null || fail "the assembly names no .NETStandard,Version=v2.1 target"
references=$(monodis --assemblyref "$assembly" | sed -n 's/^\tName=//p' | tr '\n' ' ')
[[ $references == "mscorlib " ]] || fail "the assembly references $references"
monodis --exported /usr/lib/mono/4.5/Facades/netstandard.dll | sed -n 's/^[0-9]*: \(.*\) is in assemblyref.*$/\1/p' \
  | sort -u >"$scratch/netstandard.types"
monodis --typeref "$assembly" | sed -n 's/^[0-9]*: \[mscorlib\]//p' | sort -u >"$scratch/assembly.types"
[[ -s "$scratch/assembly.types" ]] || fail "no types read from the assembly"
outside=$(comm -23 "$scratch/assembly.types" "$scratch/netstandard.types")
[[ -z "$outside" ]] || fail "the assembly uses types netstandard2.1 lacks: $outside"

step "the NuGet package's assembly: a Mono program built against it round-trips through runtimes/linux-x64/native"
consumer=$scratch/nuget-consumer
mkdir -p "$consumer" && cp "$assembly" "$consumer/"
mcs -warnaserror -nologo -target:exe -r:"$consumer/Ravuna.MotionSerializer.dll" -r:System.Core.dll \
  -out:"$consumer/NuGetConsumer.exe" "$tests/NuGetConsumer.cs" || fail "the consumer does not build against the package"
output=$(LD_LIBRARY_PATH="$installed/runtimes/linux-x64/native" mono "$consumer/NuGetConsumer.exe") \
  || fail "the consumer under Mono: $output"
[[ $(readlink -f "$output") == $(readlink -f "$installed/runtimes/linux-x64/native/libravuna_motion_serializer.so") ]] \
  || fail "the consumer ran with $output, not the package's library"

step "the source tree as a subdirectory of another CMake project"
cmake -S "$tests" -B "$scratch/subdirectory" -G Ninja -DCONSUMER_MODE=subdirectory \
  -DRAVUNA_SOURCE_DIR="$root" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/subdirectory" -j "${JOBS:-2}" --target consumer >/dev/null
"$scratch/subdirectory/consumer" || fail "subdirectory consumer: check $? failed"
stray=$(cd "$scratch/subdirectory" && { ls -d ravuna_motion_serializer?* CPack*Config.cmake 2>/dev/null || true; })
[[ -z "$stray" ]] || fail "the library wrote into the parent project's build folder: $stray"

step "all packages passed"
