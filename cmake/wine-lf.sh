#!/usr/bin/env bash
# The Windows build's GoogleTest programs run through this under Wine (their CROSSCOMPILING_EMULATOR, one
# ctest entry per case): runs "$@" with its standard output's CR LF line ends made LF, since CMake reads the
# list of cases line by line and would keep the CR in every name. The output goes through files, not
# pipes: the wineserver and services a program starts inherit its output and live on after it, and ctest
# would wait for them to close a pipe. The exit status is the program's.
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT
"$@" >"$out" 2>"$err" &
pid=$!
trap 'kill "$pid" 2>/dev/null' INT TERM
wait "$pid"
status=$?
tr -d '\r' <"$out"
cat "$err" >&2
exit "$status"
