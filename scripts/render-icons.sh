#!/usr/bin/env bash
# Renders the application icon's PNG sizes (and the window icon) from its SVG. Run after
# editing ui/icons/hicolor/scalable/apps/orvi-motion.svg; needs rsvg-convert (librsvg2-bin).
set -euo pipefail
icons="$(cd "$(dirname "${BASH_SOURCE[0]}")/../ui/icons" && pwd)"
svg="$icons/hicolor/scalable/apps/orvi-motion.svg"
for size in 16 24 32 48 64 128 256 512; do
    mkdir -p "$icons/hicolor/${size}x${size}/apps"
    rsvg-convert -w "$size" -h "$size" "$svg" -o "$icons/hicolor/${size}x${size}/apps/orvi-motion.png"
done
cp "$icons/hicolor/256x256/apps/orvi-motion.png" "$icons/application.png"
