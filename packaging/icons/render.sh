#!/usr/bin/env bash
# Renders the hicolor PNG sizes of the icon from kivopanel.svg (needs rsvg-convert, Debian package
# librsvg2-bin). The PNGs are committed, so building and packaging do not need it.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 22 24 32 48 64 128 256; do
  rsvg-convert -w "$size" -h "$size" kivopanel.svg -o "kivopanel-$size.png"
done
