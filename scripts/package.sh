#!/usr/bin/env bash
# Builds the Windows tool and makes what users get: the folder dist/hvxfer/ (hvxfer.exe, hvxfer-cli.exe,
# main.cr, the browser edition hvxfer.html, README.txt) and the same folder zipped as
# dist/hvxfer-X.Y.Z-windows-x64.zip, X.Y.Z being the version the programs were built with (project() in
# CMakeLists.txt, read from the build's hvxfer_version.h), with dist/SHA256SUMS beside it.
#
# The programs are unsigned; what users can trust instead is that anyone can repeat the build: the same
# commit gives the same zip, byte for byte, in any build folder at any time. Nothing carries the build's
# time: the linker writes none into the programs (the top-level CMakeLists.txt), strip writes the commit's
# date, and the zip's entries are sorted, dated at the commit and hold no owner or host attributes. The
# commit's date comes from git as SOURCE_DATE_EPOCH, unless that is set already.
#
# Build folders: scripts/build-folders.sh (only the native build's hvxfer-cli is built, to make main.cr).
# HVXFER_DIST_DIR changes dist/, HVXFER_SKIP_SETUP=1 skips the package check.
set -euo pipefail
cd "$(dirname "$0")/.."

# shellcheck source=build-folders.sh
. scripts/build-folders.sh
DIST_DIR=${HVXFER_DIST_DIR:-dist}

[ "${HVXFER_SKIP_SETUP:-0}" = 1 ] || bash scripts/setup.sh

if [ -z "${SOURCE_DATE_EPOCH:-}" ]; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct) || {
    echo "package: not a git checkout: set SOURCE_DATE_EPOCH to the sources' date (seconds since 1970)" >&2
    exit 1
  }
fi
export SOURCE_DATE_EPOCH  # strip's time for the PE headers
if [ -n "$(git status --porcelain --untracked-files=no 2>/dev/null)" ]; then
  echo "package: warning: the checkout has uncommitted changes, so the zip is not its commit's" >&2
fi

configure_native >/dev/null
cmake --build "$NATIVE_DIR" -j "$JOBS" --target hvxfer-cli
configure_windows >/dev/null
cmake --build "$WINDOWS_DIR" -j "$JOBS" --target hvxfer hvxfer-cli hvxfer_data
# The browser edition in one file (web/README.md), for those who cannot start the programs.
HVXFER_SKIP_SETUP=1 HVXFER_NATIVE_DIR="$NATIVE_DIR" bash web/build.sh >/dev/null
web_html="$(sed -n 's/^HVXFER_WEB_DIR:[A-Z]*=//p' "$WASM_DIR/CMakeCache.txt")/hvxfer.html"

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

# Only the bytes of the files, their names and the commit's date go into the zip: the same modes whatever
# the umask, file entries only (-D) in byte order of their names, no owner or extended times (-X), and the
# date stored as UTC (zip keeps local time).
zip="hvxfer-$version-windows-x64.zip"
rm -f "$DIST_DIR/$zip" "$DIST_DIR/SHA256SUMS"
chmod 0644 "$stage"/*
touch -d "@$SOURCE_DATE_EPOCH" "$stage"/*
(cd "$DIST_DIR" && find hvxfer -type f | LC_ALL=C sort | TZ=UTC zip -q -X -D "$zip" -@)
(cd "$DIST_DIR" && sha256sum "$zip" >SHA256SUMS)
echo "package: $stage/, $DIST_DIR/$zip and $DIST_DIR/SHA256SUMS"
ls -l "$stage" "$DIST_DIR/$zip"
cat "$DIST_DIR/SHA256SUMS"
