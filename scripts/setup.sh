#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Safe to run again: the package lists are
# refreshed and packages installed only when something is missing.
#   bash scripts/setup.sh          everything scripts/test.sh and scripts/package.sh need (all build
#                                  flavours, the fuzz targets, Wine and its display, Chromium, zip)
#   bash scripts/setup.sh native   only what the native build and its tests need
#   bash scripts/setup.sh fuzz     the native set and clang for the fuzz targets (fuzz/README.md)
# Everything also gets the browser tests' npm package (web/package-lock.json) into web/node_modules.
set -euo pipefail
cd "$(dirname "$0")/.."

native=(cmake ninja-build g++ zlib1g-dev libgtest-dev googletest libbenchmark-dev)
case "${1:-all}" in
  all | native | fuzz) ;;
  *) echo "usage: bash scripts/setup.sh [native|fuzz]" >&2; exit 2 ;;
esac

packages=("${native[@]}")
# libFuzzer and the sanitizer runtimes come with clang's compiler-rt
[ "${1:-all}" = native ] || packages+=(clang-14 libclang-rt-14-dev)
[ "${1:-all}" != all ] || packages+=(
  # Windows cross build (the -posix compilers carry std::thread; windres comes with the binutils)
  mingw-w64 gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev
  # running the Windows build: 64-bit Wine, a virtual display, fonts (Marlett, the Japanese dialog font)
  wine wine64 fonts-wine xvfb fonts-ipafont-gothic x11-utils imagemagick
  # the ja_JP.UTF-8 locale data Wine needs for Japanese file names (built privately with localedef)
  locales
  # WebAssembly build: Emscripten with its prebuilt system libraries, zlib's sources (inside binutils'),
  # and Chromium for the page's tests (driven by playwright-core from npm, no browser download)
  emscripten binutils-source chromium
  # the users' zip (scripts/package.sh)
  zip
)
[ "${1:-all}" != all ] || command -v npm >/dev/null || packages+=(npm)

# playwright-core, exactly as web/package-lock.json says, once per change of the lock file.
web_modules() {
  [ "${1:-all}" = all ] || return 0
  cmp -s web/package-lock.json web/node_modules/.hvxfer-lock && return 0
  echo "setup: npm ci in web/"
  (cd web && npm ci --ignore-scripts --no-audit --no-fund --loglevel=error)
  cp web/package-lock.json web/node_modules/.hvxfer-lock
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: every package is installed"
  web_modules "${1:-all}"
  exit 0
fi

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq "${missing[@]}"
web_modules "${1:-all}"
