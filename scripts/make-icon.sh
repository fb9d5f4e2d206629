#!/usr/bin/env bash
# Regenerates src/app/res/hvxfer.ico (icon 101 of hvxfer.exe) with ImageMagick: a save box carried into
# another, drawn at 256 pixels and reduced to 48, 32 and 16.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 256x256 xc:none \
  -fill '#2b5d8a' -draw 'roundrectangle 8,8 247,247 40,40' \
  -fill '#f0c94a' -draw 'roundrectangle 36,92 104,164 10,10' \
  -fill '#ffffff' -draw 'roundrectangle 152,92 220,164 10,10' \
  -fill '#ffffff' -draw 'polygon 108,112 136,112 136,92 160,128 136,164 136,144 108,144' \
  "$work/icon.png"
convert "$work/icon.png" -define icon:auto-resize=48,32,16 src/app/res/hvxfer.ico
