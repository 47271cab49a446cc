#!/usr/bin/env bash
# shot.sh OUT.ppm [OUT.png]: a picture of the X display (DISPLAY) as a person sees it.
# A root capture of Xvfb leaves Wine's popup windows (menus) black, so every
# mapped top-level X window is captured on its own and laid over the root in
# stacking order. The PPM is for the tour's pixel checks, the PNG for people.
set -eu
for t in xwd xwininfo convert; do
  command -v $t >/dev/null || { echo "shot.sh needs $t (x11-apps, x11-utils, imagemagick)" >&2; exit 2; }
done
ppm=$1
png=${2:-}
# Its scratch files go beside the picture: a folder the program may be showing
# (the system's temporary folder) must not change under the screenshots.
t=$(mktemp -d "$(dirname "$ppm")/.shot.XXXXXX")
trap 'rm -rf "$t"' EXIT
export MAGICK_TMPDIR="$t"
xwd -root -silent | convert xwd:- "$t/root.png"
args=()
i=0
while read -r id geo; do
  w=${geo%%x*}; rest=${geo#*x}; h=${rest%%+*}; xy=${rest#*+}; x=${xy%%+*}; y=${xy#*+}
  [ "$w" -gt 2 ] && [ "$h" -gt 2 ] || continue
  xwd -id "$id" -silent 2>/dev/null | convert xwd:- "$t/w$i.png" 2>/dev/null || continue
  args+=("$t/w$i.png" -geometry "+$x+$y" -composite)
  i=$((i + 1))
done < <(xwininfo -root -children | awk '/^ +0x/ && /\+[-0-9]+\+[-0-9]+ +\+/ {for (k = 1; k <= NF; k++) if ($k ~ /^[0-9]+x[0-9]+\+/) print $1, $k}' | tac)
if [ -n "$png" ]; then
  convert "$t/root.png" "${args[@]}" -write "ppm:$ppm" "png:$png"
else
  convert "$t/root.png" "${args[@]}" "ppm:$ppm"
fi
