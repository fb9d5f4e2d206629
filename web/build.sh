#!/usr/bin/env bash
# Builds the browser edition: build/web/site/ (for any static host) and build/web/hvxfer.html (one file that
# works opened from disk). With --serve it then serves the site on http://127.0.0.1:8016/ until Ctrl+C.
#   bash web/build.sh [--serve]
# Build folders: scripts/build-folders.sh (the native hvxfer-cli makes main.cr). HVXFER_SKIP_SETUP=1 skips the package check.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=../scripts/build-folders.sh
. scripts/build-folders.sh
case "${1:-}" in
  "" | --serve) ;;
  *) echo "usage: bash web/build.sh [--serve]" >&2; exit 2 ;;
esac

[ "${HVXFER_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh
configure_native >/dev/null
cmake --build "$NATIVE_DIR" -j "$JOBS" --target hvxfer-cli
configure_wasm >/dev/null
cmake --build "$WASM_DIR" -j "$JOBS" --target hvxfer_web

web=$(sed -n 's/^HVXFER_WEB_DIR:[A-Z]*=//p' "$WASM_DIR/CMakeCache.txt")
echo "web: $web/site/ and $web/hvxfer.html"
[ "${1:-}" != --serve ] || exec node web/tools/serve.mjs "$web/site"
