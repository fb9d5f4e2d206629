#!/usr/bin/env bash
# Builds the Windows tool and makes what users get: the folder dist/hvxfer/ (hvxfer.exe, hvxfer-cli.exe,
# main.cr, the browser edition hvxfer.html, README.txt) and the same folder zipped as
# dist/hvxfer-X.Y.Z-windows-x64.zip, X.Y.Z being the version the programs were built with (project() in
# CMakeLists.txt, read from the build's hvxfer_version.h).
#
# Build folders as in scripts/test.sh: HVXFER_NATIVE_DIR (default build/native; only its hvxfer-cli is
# built, to make main.cr) and HVXFER_WINDOWS_DIR (default build/windows). HVXFER_DIST_DIR changes dist/,
# HVXFER_SKIP_SETUP=1 skips the package check.
set -euo pipefail
cd "$(dirname "$0")/.."

NATIVE_DIR=${HVXFER_NATIVE_DIR:-build/native}
WINDOWS_DIR=${HVXFER_WINDOWS_DIR:-build/windows}
DIST_DIR=${HVXFER_DIST_DIR:-dist}
JOBS=${HVXFER_JOBS:-2}

[ "${HVXFER_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh

cmake --preset native -B "$NATIVE_DIR" >/dev/null
cmake --build "$NATIVE_DIR" -j "$JOBS" --target hvxfer-cli
cmake --preset windows -B "$WINDOWS_DIR" -DHVXFER_HOST_CLI="$(realpath -m "$NATIVE_DIR/tools/cli/hvxfer-cli")" >/dev/null
cmake --build "$WINDOWS_DIR" -j "$JOBS" --target hvxfer hvxfer-cli hvxfer_data
# The browser edition in one file (web/README.md), for those who cannot start the programs.
HVXFER_SKIP_SETUP=1 HVXFER_NATIVE_DIR="$NATIVE_DIR" bash web/build.sh >/dev/null
web_html="$(sed -n 's/^HVXFER_WEB_DIR:[A-Z]*=//p' "${HVXFER_WASM_DIR:-build/wasm}/CMakeCache.txt")/hvxfer.html"

version=$(sed -n 's/^#define HVXFER_VERSION "\(.*\)"$/\1/p' "$WINDOWS_DIR/generated/hvxfer_version.h")
if ! printf '%s\n' "$version" | grep -Eqx '[0-9]+\.[0-9]+\.[0-9]+'; then
  echo "package: no version X.Y.Z in $WINDOWS_DIR/generated/hvxfer_version.h (got '$version')" >&2
  exit 1
fi
stage="$DIST_DIR/hvxfer"
rm -rf "$stage"
mkdir -p "$stage"
cp "$WINDOWS_DIR/src/app/hvxfer.exe" "$WINDOWS_DIR/tools/cli/hvxfer-cli.exe" "$WINDOWS_DIR/data/main.cr" "$stage/"
cp "$web_html" "$stage/"
x86_64-w64-mingw32-strip "$stage/hvxfer.exe" "$stage/hvxfer-cli.exe"
# UTF-8 with a byte-order mark and CR LF line ends, so that every Notepad shows the Japanese text.
{ printf '\xef\xbb\xbf'; sed 's/$/\r/' docs/user-README.txt; } >"$stage/README.txt"

# Linked statically: the programs may import nothing but libraries every Windows has.
system_dlls='^(kernel32|user32|gdi32|shell32|ole32|advapi32|msvcrt)\.dll$'
for exe in "$stage/hvxfer.exe" "$stage/hvxfer-cli.exe"; do
  while read -r dll; do
    if ! printf '%s\n' "$dll" | tr '[:upper:]' '[:lower:]' | grep -Eq "$system_dlls"; then
      echo "package: $exe imports $dll, which a clean Windows does not have" >&2
      exit 1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
done

zip="hvxfer-$version-windows-x64.zip"
rm -f "$DIST_DIR/$zip"
(cd "$DIST_DIR" && cmake -E tar cf "$zip" --format=zip hvxfer)
echo "package: $stage/ and $DIST_DIR/$zip"
ls -l "$stage" "$DIST_DIR/$zip"
