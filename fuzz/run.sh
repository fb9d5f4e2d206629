#!/bin/sh
# Runs every fuzz target for SECONDS each, starting from the committed seeds in fuzz/corpus/<target>/.
# New inputs go to a work corpus (not the committed one); a crash, leak, timeout or out-of-memory leaves its
# input in the work folder and makes the script fail. Add such an input to fuzz/corpus/<target>/ once its
# cause is fixed: the normal tests replay that folder.
#   fuzz/run.sh SECONDS [BUILD_DIR [WORK_DIR]]   (BUILD_DIR: where fuzz/CMakeLists.txt was built)
#   TARGETS="archive tables" fuzz/run.sh 60       (some targets only)
set -eu
seconds=${1:?usage: fuzz/run.sh SECONDS [BUILD_DIR [WORK_DIR]]}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build/fuzz}" && pwd)
work=${3:-$build/fuzz-work}
mkdir -p "$work" "$build/log"
status=0
for target in ${TARGETS:-source_save archive tables user_name codecs convert}; do
  # Failures of the readers go to the error log beside the program; fuzzing makes millions of them.
  ln -sf /dev/null "$build/log/fuzz_$target.log"
  mkdir -p "$work/$target" "$work/$target-findings"
  echo "== $target: $seconds s"
  if ! "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
      -print_final_stats=1 -artifact_prefix="$work/$target-findings/" \
      "$work/$target" "$here/corpus/$target" 2>"$work/$target.log"; then
    echo "!! $target failed: see $work/$target.log and $work/$target-findings/"
    status=1
  fi
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)' "$work/$target.log" || true
done
exit $status
