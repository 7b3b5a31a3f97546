#!/bin/sh
# Instructions per call of each export, counted by callgrind inside the
# export only (the same on a busy machine as on an idle one).
# usage: bench/callgrind_counts.sh BUILD_DIR [SIZE] [CALLS]
set -eu
build_dir=$1
size=${2:-27}
calls=${3:-200}
profile="$build_dir/bench/motion_profile"
for entry in encode-skeleton:ConvertSkeletonDefinitionToBytes \
             decode-skeleton:ConvertBytesToSkeletonDefinition \
             encode-frame:ConvertFrameDataToBytes \
             decode-frame:ConvertBytesToFrameData \
             encode-sensor:ConvertSensorDataToBytes \
             decode-sensor:ConvertBytesToSensorData \
             detect-frame:IsFrameDataBytes; do
  case_name=${entry%%:*}
  export_name=${entry#*:}
  collected=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null \
                --toggle-collect="$export_name" "$profile" "$case_name" "$size" "$calls" 2>&1 |
              sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
  printf '%-16s %6s %12s instructions/call\n' "$case_name" "$size" "$((collected / calls))"
done
