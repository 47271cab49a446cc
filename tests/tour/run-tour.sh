#!/usr/bin/env bash
# The tour of the screens: runs the tour executable (the program driven from
# outside, every screen checked) at 96 and 192 dpi, each in a Wine prefix of
# its own under build/wine/ and on an X display of its own, then lays each
# form's and dpi's screenshots out as a contact sheet build/tour/<form>-<dpi>.png
# (a red frame marks the device screen, a red border a step that failed).
# Usage: run-tour.sh <tour_tests.exe> [gtest arguments]
source "$(dirname "$0")/../../scripts/lib.sh"
set +e
exe=$1
shift
here="$ROOT/tests/tour"
ensure_packages x11-apps x11-utils imagemagick
work=$(mktemp -d)
xvfb=""
cleanup() {
  for dpi in 96 192; do WINEPREFIX="$BUILD/wine/tour-$dpi" wineserver -k 2>/dev/null; done
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A display of the tour's own, larger than the device screen so that a window
# placed off the device screen is seen on the sheets.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "tour: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(cat "$work/display")"

rc=0
mkdir -p "$BUILD/tour"
for dpi in ${TOUR_DPIS:-96 192}; do
  prefix="$BUILD/wine/tour-$dpi"
  ensure_prefix "$prefix"
  export WINEPREFIX="$prefix"
  wineserver -p
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
  echo "tour at $dpi dpi"
  LC_ALL=zh_CN.UTF-8 BREVITEX_BUILD_DIR="$BUILD" BREVITEX_TOUR_SHOT="$here/shot.sh" \
    timeout 600 wine "$exe" --gtest_color=no "$@"
  status=$?
  [ $status -ne 0 ] && rc=$status
  wineserver -k 2>/dev/null
done

# Contact sheets: every step's picture, labelled with its number, name and verdict.
font=/usr/share/fonts/truetype/wqy/wqy-microhei.ttc
for steps in "$BUILD"/tour/steps/*/; do
  [ -f "$steps/labels.txt" ] || continue
  sheet=$(basename "$steps")
  read -r x0 y0 x1 y1 < "$steps/screen.txt"
  args=()
  while IFS=$'\t' read -r file label verdict; do
    [ -f "$steps/$file" ] || continue
    colour=grey70
    case "$verdict" in FAIL*) colour=red ;; esac
    convert "$steps/$file" -fill none -stroke red -strokewidth 2 \
      -draw "rectangle $x0,$y0,$((x1 - 1)),$((y1 - 1))" -bordercolor "$colour" -border 8 "$work/$file"
    text="${file%.png} $label
${verdict:0:58}
${verdict:58:58}"
    args+=(-label "${text//%/%%}" "$work/$file")
  done < "$steps/labels.txt"
  [ ${#args[@]} -gt 0 ] || continue
  montage -font "$font" -pointsize 12 "${args[@]}" -tile 5x -geometry 400x300+6+6 "$BUILD/tour/$sheet.png"
  echo "contact sheet: $BUILD/tour/$sheet.png"
done
exit $rc
