#!/usr/bin/env bash
# Applies each fault of tests/faults/faults.txt alone to a clean checkout,
# rebuilds what the suites need in the release preset, runs them (ctest
# without the rmf tool's suites, or only those for a fault under tools/; then
# the Python and C# suites when ctest missed the fault or it lies in a
# binding) and prints the suites that caught it. Every file is restored after
# each fault.
# It fails when a fault no longer applies or no suite catches it.
# Usage: tests/faults/inject.sh [name-pattern]
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 2
if ! git diff --quiet -- src bindings include tools; then
  echo "inject.sh: src/, include/, tools/ or bindings/ has uncommitted changes; commit or stash them first" >&2
  exit 2
fi
library=$PWD/build/release/libravuna_motion_serializer.so
targets="ravuna_motion_serializer api_tests unit_tests memory_tests first_call_race_test
         motion_roundtrip parse_bytes_fuzzer round_trip_fuzzer mutate_documents_fuzzer
         writer_identity_fuzzer read_identity_fuzzer buffer_identity_fuzzer"
tool_targets="rmf rmf_unit_tests capture_reader_fuzzer"
tool_suites='^rmf|capture_reader'
log=build/faults
mkdir -p "$log"
missed=0
while IFS='|' read -r name file substitution; do
  name=$(echo "$name" | xargs) file=$(echo "$file" | xargs) substitution=$(echo "$substitution" | sed 's/^ *//')
  [[ -z "$name" || "$name" == \#* || ! "$name" =~ ${1:-.} ]] && continue
  perl -0 -pi -e "$substitution" "$file"
  if git diff --quiet -- "$file"; then
    missed=$((missed + 1))
    printf '%-45s NOT APPLIED (the code it targets changed)\n' "$name"
    continue
  fi
  caught=() built=$targets suites=(-E "$tool_suites")
  [[ "$file" == tools/* ]] && built=$tool_targets suites=(-R "$tool_suites")
  # shellcheck disable=SC2086
  if ! cmake --build --preset release -j 2 --target $built >"$log/build.log" 2>&1; then
    caught+=("build")
  else
    ctest --preset release -j 2 --timeout 60 "${suites[@]}" >"$log/ctest.log" 2>&1 ||
      caught+=("ctest:$(grep -oE '[0-9]+ - [^ ]+ \(' "$log/ctest.log" | sed 's/^[0-9]* - //; s/ ($//' | tr '\n' ' ' | xargs | tr ' ' ',')")
    if [[ "$file" != tools/* ]] && { ((${#caught[@]} == 0)) || [[ "$file" == bindings/* ]]; }; then
      (cd bindings/python && RAVUNA_MOTION_SERIALIZER_LIBRARY=$library timeout 300 \
        ${BINDINGS_PYTHON:-/usr/bin/python3} -m unittest discover -s tests -t . >"../../$log/python.log" 2>&1) || caught+=("python")
      RAVUNA_MOTION_SERIALIZER_LIBRARY=$library timeout 600 bindings/csharp/tests/run-tests.sh \
        >"$log/csharp.log" 2>&1 || caught+=("csharp:$(grep -oE '^FAIL [^:]+' "$log/csharp.log" | cut -c6- | tr '\n' ',' | sed 's/,$//')")
    fi
  fi
  git checkout --quiet -- "$file"
  if ((${#caught[@]} == 0)); then
    missed=$((missed + 1))
    printf '%-45s MISSED\n' "$name"
  else
    printf '%-45s caught by %s\n' "$name" "${caught[*]}"
  fi
done <tests/faults/faults.txt
# shellcheck disable=SC2086
cmake --build --preset release -j 2 --target $targets $tool_targets >"$log/build.log" 2>&1
exit $((missed > 0))
