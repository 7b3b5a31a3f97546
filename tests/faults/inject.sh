#!/usr/bin/env bash
# Applies each fault of tests/faults/faults.txt alone to a clean checkout,
# rebuilds the release preset, runs the release suites (ctest, Python, C#)
# and prints which of them caught the fault. Every file is restored after
# each fault. Usage: tests/faults/inject.sh [name-pattern]
set -uo pipefail
cd "$(dirname "$0")/../.."
if ! git diff --quiet -- src bindings include; then
  echo "inject.sh: src/, include/ or bindings/ has uncommitted changes; commit or stash them first" >&2
  exit 2
fi
library=$PWD/build/release/libravuna_motion_serializer.so
log=build/faults
mkdir -p "$log"
missed=0
while IFS='|' read -r name file substitution; do
  name=$(echo "$name" | xargs) file=$(echo "$file" | xargs) substitution=$(echo "$substitution" | sed 's/^ *//')
  [[ -z "$name" || "$name" == \#* || ! "$name" =~ ${1:-.} ]] && continue
  perl -0 -pi -e "$substitution" "$file"
  if git diff --quiet -- "$file"; then
    printf '%-45s NOT APPLIED (the code it targets changed)\n' "$name"
    continue
  fi
  caught=()
  if ! cmake --build --preset release -j 2 >"$log/build.log" 2>&1; then
    caught+=("build")
  else
    ctest --preset release -j 2 --timeout 120 >"$log/ctest.log" 2>&1 ||
      caught+=("ctest:$(grep -oE '[0-9]+ - [^ ]+ \(' "$log/ctest.log" | sed 's/^[0-9]* - //; s/ ($//' | tr '\n' ',' | sed 's/,$//')")
    (cd bindings/python && RAVUNA_MOTION_SERIALIZER_LIBRARY=$library timeout 300 \
      python3 -m unittest discover -s tests -t . >"../../$log/python.log" 2>&1) || caught+=("python")
    RAVUNA_MOTION_SERIALIZER_LIBRARY=$library timeout 600 bindings/csharp/tests/run-tests.sh \
      >"$log/csharp.log" 2>&1 || caught+=("csharp")
  fi
  git checkout --quiet -- "$file"
  if ((${#caught[@]} == 0)); then
    missed=$((missed + 1))
    printf '%-45s MISSED\n' "$name"
  else
    printf '%-45s caught by %s\n' "$name" "${caught[*]}"
  fi
done <tests/faults/faults.txt
cmake --build --preset release -j 2 >"$log/build.log" 2>&1
exit $((missed > 0))
