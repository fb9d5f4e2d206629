#!/usr/bin/env bash
# The Windows tool's user-interface checks under Wine, and a screenshot of its dialog.
#
# Run:    bash scripts/test-windows-ui.sh [--update-docs]
#         Needs a Windows build (WINDOWS_DIR of scripts/build-folders.sh). Starts a fresh Wine prefix,
#         runs hvxfer_app_tests.exe (the dialog driven inside its own process) and hvxfer_process_tests.exe
#         (hvxfer.exe started and watched from outside), then, at 96 and at 144 DPI, runs the dialog's
#         layout tests and takes a screenshot, <build>/screenshots/main-dialog.png and
#         main-dialog-144dpi.png; --update-docs also copies them to docs/.
# Source: . scripts/test-windows-ui.sh   (inside a started scripts/wine-env.sh environment)
#         defines wine_step_ui_screenshot [LOGPIXELS...] (default: 96 144), for a test run whose ctest
#         already ran both test programs; the build is the sourcing script's WINDOWS_DIR.

# The screen DPIs the dialog is shown at: 100 % and 150 %.
_UI_SCREENSHOT_DPIS=(96 144)

# The screenshot's file name at a screen DPI: the plain name is the 100 % one.
_ui_screenshot_name() {
  if [ "$1" = 96 ]; then echo main-dialog.png; else echo "main-dialog-${1}dpi.png"; fi
}

# Sets the prefix's screen DPI (LogPixels; "" puts back the default). Programs read it when they start, so
# the prefix's processes are stopped.
_ui_set_logpixels() {
  local key='HKCU\Control Panel\Desktop'
  if [ -n "$1" ]; then
    wine_env_exec wine reg add "$key" /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1 || return 1
  else
    wine_env_exec wine reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
  fi
  wine_env_restart_server
}

# The dialog's tests of its layout (controls where the template puts them, every text whole), at the
# prefix's current DPI.
_UI_LAYOUT_TESTS='MainDialogTest.ControlsSitWhereTheTemplatePutsThemAndTheirTextsFit:MainDialogTest.InputState*'

# At screen DPI $1: runs the layout tests, then shows the dialog filled with valid inputs on a virtual
# desktop (which draws the window frame) and saves the dialog's part of the screen.
_ui_screenshot_at() {
  local logpixels=$1 dir tests shots winshots name x y w h i pid rc=0
  dir=$WINDOWS_DIR
  name=$(_ui_screenshot_name "$logpixels")
  shots="$WINE_ENV_ROOT/shots"
  rm -rf "$shots"
  mkdir -p "$shots" "$dir/screenshots"
  _ui_set_logpixels "$logpixels" || { echo "screenshot: could not set LogPixels $logpixels"; return 1; }
  if ! (cd "$dir/tests/app" && wine_env_run ./hvxfer_app_tests.exe --gtest_filter="$_UI_LAYOUT_TESTS" \
          >"$shots/layout.log" 2>&1); then
    echo "screenshot: the layout tests failed at $logpixels DPI"
    cat "$shots/layout.log"
    return 1
  fi
  tests=$(wine_env_exec winepath -w "$(realpath "$dir/tests/app/hvxfer_process_tests.exe")") || return 1
  winshots=$(wine_env_exec winepath -w "$shots")
  wine_env_exec env HVXFER_SCREENSHOT_DIR="$winshots" timeout 180 \
    wine explorer /desktop=hvxfer,800x600 "$tests" --gtest_filter=Program.Screenshot \
    --gtest_output="xml:$winshots\\result.xml" >"$shots/run.log" 2>&1 &
  pid=$!
  for i in $(seq 1 600); do
    [ -f "$shots/ready.txt" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -f "$shots/ready.txt" ]; then
    echo "screenshot: the dialog did not get ready at $logpixels DPI"
    cat "$shots/run.log"
    wait "$pid" 2>/dev/null
    return 1
  fi
  read -r x y w h <"$shots/ready.txt"
  wine_env_exec import -window root "$shots/screen.png" || rc=1
  touch "$shots/done.txt"
  wait "$pid" 2>/dev/null
  if [ "$rc" -ne 0 ] || ! grep -q 'failures="0"' "$shots/result.xml" 2>/dev/null; then
    echo "screenshot: the screenshot test failed at $logpixels DPI"
    cat "$shots/run.log"
    return 1
  fi
  convert "$shots/screen.png" -crop "${w}x${h}+${x}+${y}" +repage "$dir/screenshots/$name" || return 1
  echo "screenshot: $dir/screenshots/$name (${w}x${h}, $logpixels DPI)"
}

wine_step_ui_screenshot() {
  local logpixels rc=0
  for logpixels in "${@:-${_UI_SCREENSHOT_DPIS[@]}}"; do
    _ui_screenshot_at "$logpixels" || rc=1
  done
  _ui_set_logpixels ""
  return "$rc"
}

_ui_main() {
  set -uo pipefail
  cd "$(dirname "${BASH_SOURCE[0]}")/.." || return 1
  local dir failed=0 test shot logpixels
  # shellcheck source=build-folders.sh
  . scripts/build-folders.sh
  dir=$WINDOWS_DIR
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
    for logpixels in "${_UI_SCREENSHOT_DPIS[@]}"; do
      shot=$(_ui_screenshot_name "$logpixels")
      cp "$dir/screenshots/$shot" "docs/$shot"
      echo "docs/$shot updated"
    done
  fi
  wine_env_stop
  return "$failed"
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
  _ui_main "$@"
  exit $?
fi
