#!/usr/bin/env bash
# The main job on a fresh Debian machine: set up, build hvxfer-cli and its data archive, make sample
# install folders of both games, carry the sample save over, and show the report and the new save.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh native
build=build/main-job
cmake --preset release -B "$build" > /dev/null
cmake --build "$build" --target hvxfer-cli hvxfer_data -j2 > /dev/null

cli="$build/tools/cli/hvxfer-cli"
demo="$build/demo"
rm -rf "$demo"

echo "== hvxfer-cli demo $demo"
"$cli" demo "$demo"

echo
echo "== hvxfer-cli run $demo/halvor $demo/vaults Hero"
status=0
"$cli" run "$demo/halvor" "$demo/vaults" Hero || status=$?
save="$demo/vaults/save/Hero.sav"
echo "(exit status $status; report: $build/tools/cli/log.txt; new save: $save)"

if [ -f "$save" ]; then
  echo
  echo "== hvxfer-cli inspect $save"
  "$cli" inspect "$save"
fi
exit "$status"
