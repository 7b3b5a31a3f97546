#!/usr/bin/env bash
# Prints "PASSED FAILED" for the log of one `make test` step, given the
# step's exit status. Test cases are counted where a runner reports them:
# ctest's "N tests failed out of T", unittest's "Ran T tests" with "OK" or
# "FAILED (failures=F, errors=E)", the C# runner's "OK (T tests)" or
# "FAILED (F of T tests)", and each fuzz target run ("Done N runs" passed,
# "fuzz-run: X failed" failed). A step whose log reports none of these
# counts as one case; a failed step whose counts show no failure (it broke
# before or after its tests, e.g. in the build) adds one failure.
# usage: tools/count-test-results.sh LOG STATUS
set -euo pipefail
log=$1
status=$2

awk -v status="$status" '
  /^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+/ {
    passed += $NF - $4; failed += $4; counted = 1
  }
  /^Ran [0-9]+ tests? in / { ran = $2 }
  /^OK( \(skipped=[0-9]+\))?$/ && ran != "" { passed += ran; ran = ""; counted = 1 }
  /^FAILED \(/ && ran != "" {
    bad = 0
    if (match($0, /failures=[0-9]+/)) bad += substr($0, RSTART + 9, RLENGTH - 9)
    if (match($0, /errors=[0-9]+/)) bad += substr($0, RSTART + 7, RLENGTH - 7)
    passed += ran - bad; failed += bad; ran = ""; counted = 1
  }
  /^OK \([0-9]+ tests?\)$/ { passed += substr($2, 2); counted = 1 }
  /^FAILED \([0-9]+ of [0-9]+ tests?\)$/ {
    failed += substr($2, 2); passed += $4 - substr($2, 2); counted = 1
  }
  /^Done [0-9]+ runs in / { passed += 1; counted = 1 }
  /^fuzz-run: .* failed/ { failed += 1; counted = 1 }
  END {
    if (!counted) { if (status == 0) passed = 1; else failed = 1 }
    else if (status != 0 && failed == 0) failed = 1
    printf "%d %d\n", passed, failed
  }
' "$log"
