#!/usr/bin/env bash
# The Windows tool's user-interface checks under Wine, and a screenshot of its dialog.
#
# Run:    bash scripts/test-windows-ui.sh [--update-docs]
#         Needs a Windows build (HVXFER_WINDOWS_DIR, default build/windows). Starts a fresh Wine prefix,
#         runs hvxfer_app_tests.exe (the dialog driven inside its own process) and hvxfer_process_tests.exe
#         (hvxfer.exe started and watched from outside), then takes the screenshot
#         <build>/screenshots/main-dialog.png; --update-docs also copies it to docs/main-dialog.png.
# Source: . scripts/test-windows-ui.sh   (inside a started scripts/wine-env.sh environment)
#         defines wine_step_ui_screenshot, for a test run whose ctest already ran both test programs.

# The build folder: scripts/test.sh's WINDOWS_DIR when sourced there, else HVXFER_WINDOWS_DIR or build/windows.
_ui_windows_dir() { echo "${WINDOWS_DIR:-${HVXFER_WINDOWS_DIR:-build/windows}}"; }

# Shows the dialog filled with valid inputs on a virtual desktop (which draws the window frame) and
# saves the dialog's part of the screen.
wine_step_ui_screenshot() {
  local dir tests shots winshots rect x y w h i pid rc=0
  dir=$(_ui_windows_dir)
  shots="$WINE_ENV_ROOT/shots"
  rm -rf "$shots"
  mkdir -p "$shots" "$dir/screenshots"
  tests=$(wine_env_exec winepath -w "$(realpath "$dir/tests/app/hvxfer_process_tests.exe")") || return 1
  winshots=$(wine_env_exec winepath -w "$shots")
  wine_env_exec env HVXFER_SCREENSHOT_DIR="$winshots" timeout 180 \
    wine explorer /desktop=hvxfer,520x360 "$tests" --gtest_filter=Program.Screenshot \
    --gtest_output="xml:$winshots\\result.xml" >"$shots/run.log" 2>&1 &
  pid=$!
  for i in $(seq 1 600); do
    [ -f "$shots/ready.txt" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$shots/ready.txt" ]; then
    echo "screenshot: the dialog did not get ready"
    cat "$shots/run.log"
    wait "$pid" 2>/dev/null
    return 1
  fi
  read -r x y w h <"$shots/ready.txt"
  wine_env_exec import -window root "$shots/screen.png" || rc=1
  touch "$shots/done.txt"
  wait "$pid" 2>/dev/null
  if [ "$rc" -ne 0 ] || ! grep -q 'failures="0"' "$shots/result.xml" 2>/dev/null; then
    echo "screenshot: the screenshot test failed"
    cat "$shots/run.log"
    return 1
  fi
  convert "$shots/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$dir/screenshots/main-dialog.png" || return 1
  echo "screenshot: $dir/screenshots/main-dialog.png (${w}x${h})"
}

_ui_main() {
  set -uo pipefail
  cd "$(dirname "${BASH_SOURCE[0]}")/.." || return 1
  local dir failed=0 test
  dir=$(_ui_windows_dir)
  # shellcheck source=wine-env.sh
  . scripts/wine-env.sh
  wine_env_start || return 1
  for test in hvxfer_app_tests hvxfer_process_tests; do
    echo "==== $test"
    (cd "$dir/tests/app" && wine_env_run "./$test.exe") || failed=1
  done
  echo "==== screenshot"
  wine_step_ui_screenshot || failed=1
  if [ "$failed" -eq 0 ] && [ "${1:-}" = --update-docs ]; then
    mkdir -p docs
    cp "$dir/screenshots/main-dialog.png" docs/main-dialog.png
    echo "docs/main-dialog.png updated"
  fi
  wine_env_stop
  return "$failed"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  _ui_main "$@"
  exit $?
fi
