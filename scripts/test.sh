#!/usr/bin/env bash
# Sets up the machine, then builds and runs every test: the native build (AddressSanitizer +
# UndefinedBehaviorSanitizer), a bounded pass of every fuzz target (fuzz/run.sh --bounded), the Windows
# build, whose programs run under Wine in a fresh prefix, the WebAssembly build, whose programs run under
# Node.js, and the web page it makes, in headless chromium. Prints a summary and exits non-zero when any
# step fails.
#
# Build folders: scripts/build-folders.sh. HVXFER_SKIP_SETUP=1 skips the package check.
set -uo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=build-folders.sh
. scripts/build-folders.sh
TEST_TIMEOUT=600

# ---- Steps run inside one fresh Wine prefix, in order. Each is a function that fails by its status. ----
# Add steps here (and to WINE_STEPS); every test registered with add_test in the Windows build already runs
# in wine_step_ctest, through Wine as ctest's emulator.

wine_step_ctest() {
  wine_env_exec ctest --test-dir "$WINDOWS_DIR" --output-on-failure --timeout "$TEST_TIMEOUT"
}

# hvxfer-cli must show Japanese text correctly both in a console (wide output) and when redirected (the
# UTF-8 bytes, no CR added). An unknown command is echoed back, which needs no data.
wine_step_cli_output() {
  local cli="$WINDOWS_DIR/tools/cli/hvxfer-cli.exe" out="$WINE_ENV_ROOT/cli" expected="unknown command: ソ表" rc=0
  mkdir -p "$out"
  wine_env_run "$cli" ソ表 >"$out/stdout" 2>"$out/stderr" || rc=$?
  if [ "$rc" -ne 2 ]; then
    echo "cli: exit status $rc, expected 2"
    return 1
  fi
  if [ "$(head -n 1 "$out/stderr")" != "$expected" ] || grep -q $'\r' "$out/stderr"; then
    echo "cli: redirected standard error is not the UTF-8 text with LF endings:"
    od -c "$out/stderr" | head -5
    return 1
  fi
  # `script` gives Wine a terminal, so the program sees a console and writes wide text to it.
  wine_env_exec script -qec "timeout $TEST_TIMEOUT wine '$cli' ソ表" /dev/null >"$out/console" 2>&1 || true
  if ! grep -aqF "$expected" "$out/console"; then
    echo "cli: the console did not show \"$expected\":"
    od -c "$out/console" | head -10
    return 1
  fi
  echo "cli: console and redirected output correct"
}

WINE_STEPS=(wine_step_ctest wine_step_cli_output)

# The Windows tool's screenshot of its dialog (its UI tests run in wine_step_ctest).
if [ -f scripts/test-windows-ui.sh ]; then
  # shellcheck source=test-windows-ui.sh
  . scripts/test-windows-ui.sh
  WINE_STEPS+=(wine_step_ui_screenshot)
fi

# ---- Bookkeeping ----
summary=()
failed=0
run_step() {
  local name=$1 start=$SECONDS rc=0
  shift
  echo
  echo "==== $name"
  "$@" || rc=$?
  local took=$((SECONDS - start))
  if [ "$rc" -eq 0 ]; then
    summary+=("$(printf '%-28s ok      %4ds' "$name" "$took")")
  else
    summary+=("$(printf '%-28s FAILED  %4ds  (status %d)' "$name" "$took" "$rc")")
    failed=1
  fi
  return "$rc"
}
skip_step() { summary+=("$(printf '%-28s skipped       (%s)' "$1" "$2")"); failed=1; }

# The browser edition in headless chromium (web/README.md), against the native hvxfer-cli: the wasm build
# makes the page (build/web/, HVXFER_WEB_DIR in its cache) and the 200 000-item save of the whole-run
# benchmark; setup.sh brings web/node_modules. node's test runner ends with its totals.
web_tests() {
  local web cli large="$WASM_DIR/web-tests/save00.dat"
  web=$(sed -n 's/^HVXFER_WEB_DIR:[A-Z]*=//p' "$WASM_DIR/CMakeCache.txt")
  mkdir -p "$(dirname "$large")" && rm -f "$large"
  node "$WASM_DIR/tests/wasm/hvxfer_whole_run_save.js" "$WASM_DIR/tools/cli/main.cr" "$large" || return 1
  cli=$(realpath "$NATIVE_DIR/tools/cli/hvxfer-cli") && large=$(realpath "$large") || return 1
  (cd web && HVXFER_WEB_DIR="$web" HVXFER_NATIVE_CLI="$cli" HVXFER_LARGE_SAVE="$large" \
     timeout $((3 * TEST_TIMEOUT)) node --test)
}
run_wine_steps() {
  # shellcheck source=wine-env.sh
  . scripts/wine-env.sh
  if ! run_step "wine prefix" wine_env_start; then
    skip_step "wine tests" "no Wine prefix"
    return
  fi
  local step
  for step in "${WINE_STEPS[@]}"; do
    run_step "wine: ${step#wine_step_}" "$step"
  done
  wine_env_stop
}

total_start=$SECONDS
if [ "${HVXFER_SKIP_SETUP:-0}" != 1 ]; then
  run_step setup bash scripts/setup.sh || { echo "setup failed"; exit 1; }
fi

native_ok=0
if run_step "native configure" configure_native &&
   run_step "native build" cmake --build "$NATIVE_DIR" -j "$JOBS"; then
  native_ok=1
  run_step "native tests" ctest --test-dir "$NATIVE_DIR" --output-on-failure --timeout "$TEST_TIMEOUT"
else
  skip_step "native tests" "native build failed"
fi

# The same inputs on every pass of a build: a fixed seed and number of runs per target (fuzz/targets.txt).
if run_step "fuzz configure" configure_fuzz &&
   run_step "fuzz build" cmake --build "$FUZZ_DIR" --target fuzz_targets -j "$JOBS"; then
  run_step "fuzz pass" bash fuzz/run.sh --bounded "$FUZZ_DIR"
else
  skip_step "fuzz pass" "fuzz build failed"
fi

if [ "$native_ok" -eq 1 ]; then
  if run_step "windows configure" configure_windows &&
     run_step "windows build" cmake --build "$WINDOWS_DIR" -j "$JOBS"; then
    run_wine_steps
  else
    skip_step "wine tests" "windows build failed"
  fi
else
  skip_step "windows build" "the native hvxfer-cli is needed to make main.cr"
fi

# The WebAssembly build under Node.js: its tests compare it with the native hvxfer-cli, which also makes its
# main.cr.
if [ "$native_ok" -eq 1 ]; then
  if run_step "wasm configure" configure_wasm &&
     run_step "wasm build" cmake --build "$WASM_DIR" -j "$JOBS"; then
    run_step "wasm tests" ctest --test-dir "$WASM_DIR" --output-on-failure --timeout "$TEST_TIMEOUT"
    run_step "web tests" web_tests
  else
    skip_step "wasm tests" "wasm build failed"
    skip_step "web tests" "wasm build failed"
  fi
else
  skip_step "wasm build" "the native hvxfer-cli is needed to make main.cr and to compare with"
fi

echo
echo "==== summary"
printf '%s\n' "${summary[@]}"
printf '%-28s %s  %4ds\n' "total" "$([ "$failed" -eq 0 ] && echo "ok    " || echo "FAILED")" $((SECONDS - total_start))
exit "$failed"
