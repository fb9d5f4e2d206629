#!/usr/bin/env bash
# Builds the browser edition: build/web/site/ (for any static host) and build/web/hvxfer.html (one file that
# works opened from disk). With --serve it then serves the site on http://127.0.0.1:8016/ until Ctrl+C.
#   bash web/build.sh [--serve]
# Build folders as in scripts/test.sh (HVXFER_NATIVE_DIR, HVXFER_WASM_DIR): the native hvxfer-cli makes
# main.cr. HVXFER_SKIP_SETUP=1 skips the package check.
set -euo pipefail
cd "$(dirname "$0")/.."

NATIVE_DIR=${HVXFER_NATIVE_DIR:-build/native}
WASM_DIR=${HVXFER_WASM_DIR:-build/wasm}
JOBS=${HVXFER_JOBS:-2}
case "${1:-}" in
  "" | --serve) ;;
  *) echo "usage: bash web/build.sh [--serve]" >&2; exit 2 ;;
esac

[ "${HVXFER_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh
cmake --preset native -B "$NATIVE_DIR" >/dev/null
cmake --build "$NATIVE_DIR" -j "$JOBS" --target hvxfer-cli
cmake --preset wasm -B "$WASM_DIR" -DHVXFER_HOST_CLI="$(realpath -m "$NATIVE_DIR/tools/cli/hvxfer-cli")" >/dev/null
cmake --build "$WASM_DIR" -j "$JOBS" --target hvxfer_web

web=$(sed -n 's/^HVXFER_WEB_DIR:[A-Z]*=//p' "$WASM_DIR/CMakeCache.txt")
echo "web: $web/site/ and $web/hvxfer.html"
[ "${1:-}" != --serve ] || exec node web/tools/serve.mjs "$web/site"
