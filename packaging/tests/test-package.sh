#!/usr/bin/env bash
# Uses each release package of dist/ the way its user would, in scratch
# folders: the Windows SDK archive, the Debian package and Linux archive, both
# Python wheels, and the source tree as a subdirectory of another project.
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

step "the Linux wheel: venv, pip install --no-index, the README's example outside the source tree"
"$python" -m venv "$python_scratch/venv"
env -u PIP_FIND_LINKS PIP_CONFIG_FILE=/dev/null "$python_scratch/venv/bin/pip" install --quiet --no-index --no-cache-dir \
  "$dist/ravuna_motion_serializer-$version-py3-none-linux_x86_64.whl"
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

step "the source tree as a subdirectory of another CMake project"
cmake -S "$tests" -B "$scratch/subdirectory" -G Ninja -DCONSUMER_MODE=subdirectory \
  -DRAVUNA_SOURCE_DIR="$root" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$scratch/subdirectory" -j "${JOBS:-2}" --target consumer >/dev/null
"$scratch/subdirectory/consumer" || fail "subdirectory consumer: check $? failed"
stray=$(cd "$scratch/subdirectory" && { ls -d ravuna_motion_serializer?* CPack*Config.cmake 2>/dev/null || true; })
[[ -z "$stray" ]] || fail "the library wrote into the parent project's build folder: $stray"

step "all packages passed"
