#!/usr/bin/env bash
# Runs the fuzz targets of fuzz/targets.txt, each starting from the committed seeds in fuzz/corpus/<target>/.
#   fuzz/run.sh SECONDS [BUILD_DIR [WORK_DIR]]    every target for SECONDS: open-ended fuzzing
#   fuzz/run.sh --bounded [BUILD_DIR [WORK_DIR]]  the test command's pass: every target for its number of
#                                                 runs in targets.txt, with a fixed seed, from an empty work
#                                                 corpus, so that each pass of a build tries the same inputs
#   TARGETS="archive tables" fuzz/run.sh 60        some targets only
# BUILD_DIR: the fuzz build (default build/fuzz, from cmake --preset fuzz). WORK_DIR (default
# BUILD_DIR/fuzz-work, for --bounded BUILD_DIR/fuzz-bounded) gets the new inputs, never the committed corpus.
# A crash, leak, timeout or out-of-memory leaves its input in WORK_DIR/<target>-findings/ and makes the
# script fail. Add such an input to fuzz/corpus/<target>/ once its cause is fixed: the normal tests replay it.
set -euo pipefail
usage="usage: fuzz/run.sh SECONDS|--bounded [BUILD_DIR [WORK_DIR]]"
mode=${1:?$usage}
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${2:-$here/../build/fuzz}" && pwd)
bin=$build/fuzz
case "$mode" in
  --bounded) work=${3:-$build/fuzz-bounded} ;;
  *[!0-9]* | "") echo "$usage" >&2; exit 2 ;;
  *) work=${3:-$build/fuzz-work} ;;
esac
# A fixed seed and number of runs make the bounded pass try the same inputs every time only while two more
# things hold still: the values the code compares, which libFuzzer mutates with and some of which are
# addresses (so addresses are not randomised), and the corpus, which libFuzzer otherwise reloads every second.
seed=1
norandom=(setarch "$(uname -m)" --addr-no-randomize)
if [ "$mode" = --bounded ] && ! "${norandom[@]}" true 2>/dev/null; then
  echo "fuzz: cannot turn address randomisation off here: the pass may differ from one run to the next" >&2
  norandom=()
fi
mkdir -p "$work" "$bin/log"

status=0
while read -r name _body runs <&3; do
  case "$name" in '' | '#'*) continue ;; esac
  if [ -n "${TARGETS:-}" ] && [[ " $TARGETS " != *" $name "* ]]; then continue; fi
  # Failures of the readers go to the error log beside the program; fuzzing makes millions of them.
  ln -sf /dev/null "$bin/log/fuzz_$name.log"
  if [ "$mode" = --bounded ]; then
    rm -rf "${work:?}/$name" "${work:?}/$name-findings"
    run=("${norandom[@]}" "$bin/fuzz_$name" -runs="$runs" -seed="$seed" -reload=0)
    echo "== $name: $runs runs, seed $seed"
  else
    run=("$bin/fuzz_$name" -max_total_time="$mode")
    echo "== $name: $mode s"
  fi
  mkdir -p "$work/$name" "$work/$name-findings"
  start=$SECONDS
  if ! "${run[@]}" -timeout=10 -rss_limit_mb=2048 -max_len=1048576 \
      -print_final_stats=1 -artifact_prefix="$work/$name-findings/" \
      "$work/$name" "$here/corpus/$name" </dev/null 2>"$work/$name.log"; then
    tail -n 40 "$work/$name.log"
    echo "!! $name failed after $((SECONDS - start)) s: input in $work/$name-findings/, log $work/$name.log"
    status=1
    continue
  fi
  # The coverage it ended with (the same on every bounded pass of a build) and its time.
  echo "   $(grep -E '^#[0-9]+[[:space:]]+DONE' "$work/$name.log" | sed 's/[[:space:]]*lim:.*//'), $((SECONDS - start)) s"
done 3<"$here/targets.txt"
exit $status
