#!/usr/bin/env bash
# make test-export: what `rmf export` writes, read by independent readers.
# Blender imports the BVH of the demo capture and of two random 24-bone,
# 240-frame captures (world-space Z-up millimetres with quaternions w
# first; local with bones straying from their offsets, so --joint-positions)
# and every joint's head is checked against numpy's positions from `rmf
# inspect --json`; pandas reads the CSV files and checks dtypes and values.
# usage: run_export_checks.sh RMF WORK_FOLDER
set -euo pipefail
rmf=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
python=${EXPORT_PYTHON:-/usr/bin/python3}  # Debian's, which python3-pandas serves
rm -rf "$2" && mkdir -p "$2" && cd "$2"
start=$SECONDS

"$rmf" demo demo >/dev/null
"$rmf" inspect --json demo/capture.pcap >demo.jsonl
for space in world local; do
  "$python" "$here/random_capture.py" "$rmf" $space $space.pcap
  "$rmf" inspect --json $space.pcap >$space.jsonl
done
"$rmf" export world.pcap --to bvh -o world.bvh --quaternion wxyz --space world --up z \
  --scale 0.001 --euler YXZ
"$rmf" export world.pcap --to csv -o world.csv --quaternion wxyz
"$rmf" export local.pcap --to bvh -o local.bvh --joint-positions

# Without --joint-positions the strays cannot be shown: said, and status 1.
status=0
"$rmf" export local.pcap --to bvh -o offsets.bvh >offsets.txt || status=$?
grep -q "^  frames whose translations differ from the skeleton's offsets, which BVH keeps (--joint-positions writes them): 240 " offsets.txt \
  && [[ $status -eq 1 ]] || { cat offsets.txt; echo "test-export: no word of the strays (status $status)" >&2; exit 1; }

"$python" "$here/pandas_check.py" demo/capture.csv demo/capture_sensors.csv demo.jsonl xyzw
"$python" "$here/pandas_check.py" world.csv world_sensors.csv world.jsonl wxyz
blender -b --factory-startup --python-exit-code 1 --python "$here/blender_check.py" -- \
  demo/capture.bvh demo/capture.conventions.json demo.jsonl \
  world.bvh world.conventions.json world.jsonl \
  local.bvh local.conventions.json local.jsonl 2>&1 | grep -E "^blender_check|Error|Traceback|^  |^[A-Za-z]*Error"
echo "test-export: passed in $((SECONDS - start)) s"
