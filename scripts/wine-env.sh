# A fresh, throw-away Wine prefix (Japanese code page 932, Japanese dialog font) with its own Xvfb display,
# for running the Windows build's executables. Source this file, then:
#
#   wine_env_start              make the prefix and the display; installs an EXIT trap that calls
#                               wine_env_stop (set WINE_ENV_NO_TRAP=1 to manage that yourself)
#   wine_env_run EXE [ARGS...]  run a Windows program; returns its exit status
#   wine_env_exec CMD [ARGS...] run any host command inside the environment (e.g. ctest, whose tests call
#                               wine; or `import -window root shot.png` for a screenshot of the display)
#   wine_env_restart_server     stop every program of the prefix and start its wineserver and services
#                               again (programs read settings such as the screen DPI when they start)
#   wine_env_stop               stop this prefix's wineserver and the display (by PID), delete everything
#
# After wine_env_start: WINE_ENV_ROOT (temp folder), WINE_ENV_PREFIX (the prefix), WINE_ENV_DISPLAY (":N").
# Programs are stopped after WINE_ENV_TIMEOUT seconds (default 600) so a stuck dialog cannot hang a run.
# Nothing is exported into the caller's shell: the settings apply only to commands run through these functions.

WINE_ENV_ROOT=""
WINE_ENV_PREFIX=""
WINE_ENV_DISPLAY=""
WINE_ENV_XVFB_PID=""

_wine_env_log() { printf 'wine-env: %s\n' "$*" >&2; }

wine_env_exec() {
  if [ -z "$WINE_ENV_PREFIX" ]; then
    _wine_env_log "wine_env_start has not been run"
    return 125
  fi
  # LC_ALL as well as LANG: LC_ALL is set on these machines and would win. Wine derives the ANSI code page
  # (932) from its name; the locale's data (LOCPATH) gives it the UTF-8 host names that file names with
  # Japanese characters need.
  env WINEPREFIX="$WINE_ENV_PREFIX" \
      LOCPATH="$WINE_ENV_ROOT/locale" \
      TMPDIR="$WINE_ENV_ROOT/tmp" \
      WINEDEBUG=-all \
      WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" \
      LC_ALL=ja_JP.UTF-8 LANG=ja_JP.UTF-8 \
      DISPLAY="$WINE_ENV_DISPLAY" \
      "$@"
}

wine_env_run() {
  wine_env_exec timeout --kill-after=10 "${WINE_ENV_TIMEOUT:-600}" wine "$@"
}

# Starts the prefix's wineserver and its services once, for the prefix's whole life, detached from every
# caller's output: else each program that finds none running starts them again, and they live on after it.
_wine_env_start_server() {
  wine_env_exec wineserver -p </dev/null >/dev/null 2>&1 && wine_env_exec wineboot </dev/null >/dev/null 2>&1
}

wine_env_restart_server() {
  wine_env_exec wineserver -k || true
  wine_env_exec wineserver -w || true
  _wine_env_start_server
}

_wine_env_start_display() {
  local fdfile="$WINE_ENV_ROOT/display" i
  # Xvfb picks a free display itself and reports it on the descriptor once it accepts connections.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fdfile" >"$WINE_ENV_ROOT/xvfb.log" 2>&1 &
  WINE_ENV_XVFB_PID=$!
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ] && grep -q '^[0-9][0-9]*$' "$fdfile"; then
      WINE_ENV_DISPLAY=":$(cat "$fdfile")"
      return 0
    fi
    kill -0 "$WINE_ENV_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  _wine_env_log "Xvfb did not start:"
  cat "$WINE_ENV_ROOT/xvfb.log" >&2 || true
  return 1
}

wine_env_start() {
  if [ -n "$WINE_ENV_PREFIX" ]; then
    _wine_env_log "already started ($WINE_ENV_PREFIX)"
    return 1
  fi
  local root
  root=$(mktemp -d "${TMPDIR:-/tmp}/hvxfer-wine.XXXXXX") || return 1
  WINE_ENV_ROOT=$root
  WINE_ENV_PREFIX=$root/prefix
  mkdir -p "$root/tmp" "$root/locale"
  if [ "${WINE_ENV_NO_TRAP:-0}" != 1 ]; then
    trap wine_env_stop EXIT
    trap 'wine_env_stop; exit 130' INT TERM
  fi
  # A private copy of the ja_JP.UTF-8 locale: without it Wine cannot name host files outside ASCII.
  if ! localedef -i ja_JP -f UTF-8 "$root/locale/ja_JP.UTF-8" >"$root/localedef.log" 2>&1; then
    _wine_env_log "localedef ja_JP.UTF-8 failed:"
    cat "$root/localedef.log" >&2
    wine_env_stop
    return 1
  fi
  _wine_env_start_display || { wine_env_stop; return 1; }

  if ! wine_env_exec wineboot -i >"$root/wineboot.log" 2>&1 || ! wine_env_exec wineserver -w; then
    _wine_env_log "wineboot failed:"
    cat "$root/wineboot.log" >&2
    wine_env_stop
    return 1
  fi

  # The dialogs' Japanese font. A REGEDIT4 file mangles the full-width name: UTF-16 with the version 5 header.
  printf '%s\r\n' \
    'Windows Registry Editor Version 5.00' \
    '' \
    '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]' \
    '"ＭＳ Ｐゴシック"="IPAPGothic"' \
    '"MS Shell Dlg"="IPAPGothic"' \
    | iconv -f UTF-8 -t UTF-16 >"$root/fonts.reg"
  if ! wine_env_exec wine regedit "$root/fonts.reg" >>"$root/wineboot.log" 2>&1; then
    _wine_env_log "regedit failed"
    wine_env_stop
    return 1
  fi
  # Caption buttons draw as letters without Marlett.
  cp /usr/share/wine/fonts/marlett.ttf "$WINE_ENV_PREFIX/drive_c/windows/Fonts/" || { wine_env_stop; return 1; }
  wine_env_restart_server || { _wine_env_log "wineserver did not start"; wine_env_stop; return 1; }
  _wine_env_log "prefix $WINE_ENV_PREFIX, display $WINE_ENV_DISPLAY"
}

wine_env_stop() {
  [ -n "$WINE_ENV_ROOT" ] || return 0
  if [ -n "$WINE_ENV_PREFIX" ] && [ -d "$WINE_ENV_PREFIX" ]; then
    wine_env_exec wineserver -k >/dev/null 2>&1 || true
    wine_env_exec wineserver -w >/dev/null 2>&1 || true
  fi
  if [ -n "$WINE_ENV_XVFB_PID" ]; then
    kill "$WINE_ENV_XVFB_PID" 2>/dev/null || true
    wait "$WINE_ENV_XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$WINE_ENV_ROOT"
  WINE_ENV_ROOT=""
  WINE_ENV_PREFIX=""
  WINE_ENV_DISPLAY=""
  WINE_ENV_XVFB_PID=""
}
