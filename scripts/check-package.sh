#!/usr/bin/env bash
# Builds the Debian package from a built tree, lints it, validates its desktop file and AppStream
# metadata, unpacks it into a temporary root and runs the installed programs from there as a user
# would: --version; a start connected to the simulated detector (offscreen) that SIGTERM closes; the
# print preview under Xvfb, opened from the keyboard, writing its report into the user's data folder;
# a short kivoscan scan; a short kivocount series and plateau.
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: $KIVO_BUILD_DIR or build)
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-${KIVO_BUILD_DIR:-build}}"

work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "check-package: $*" >&2; exit 1; }
# wait_for SECONDS COMMAND...: retries the command every 0.1 s.
wait_for() {
  local tenths=$(( $1 * 10 )); shift
  for _ in $(seq "$tenths"); do "$@" && return 0; sleep 0.1; done
  fail "timed out waiting for: $*"
}
mapped() { grep -q -- "$2" "/proc/$1/maps" 2>/dev/null; }
window() { xdotool search --name "$1" 2>/dev/null | head -1; }
has_window() { [ -n "$(window "$1")" ]; }

echo "== package =="
rm -f "$build"/kivopanel_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb="$(ls "$build"/kivopanel_*.deb)"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Depends\|Recommends\):/&/p'
[ -z "$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'preinst|postinst|prerm|postrm' || true)" ] ||
  fail "the package has maintainer scripts"

echo "== lintian =="
# The one tag left is explained in the README ("Install").
lintian --fail-on error,warning --suppress-tags initial-upload-closes-no-bugs "$deb"

root="$work/root"
dpkg-deb -x "$deb" "$root"
echo "== desktop file and AppStream metadata =="
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== the installed program =="
bin="$root/usr/bin"
version="$(dpkg-deb -f "$deb" Version)"
version="${version%-*}"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
export XDG_STATE_HOME="$work/home/.local/state" KIVO_SIM_STATE="$work/nvram.ini"
unset KIVOLIB_LIBRARY LD_LIBRARY_PATH DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

[ "$("$bin/KivoPanel" --version)" = "KivoPanel $version" ] || fail "KivoPanel --version"
echo "KivoPanel --version: KivoPanel $version"

# Started connected, offscreen: the simulated detector comes from the package's own folder, the browser
# engine stays unmapped, SIGTERM closes the program with status 0. A damaged memory file makes the
# unit say at power-up (OpenSCA) that it takes its factory settings.
echo "hv = not a number" > "$KIVO_SIM_STATE"
QT_QPA_PLATFORM=offscreen "$bin/KivoPanel" --connect 2>"$work/offscreen.log" &
pid=$!
pids+=("$pid")
wait_for 30 mapped "$pid" "$root/usr/lib/.*/kivopanel/simulator/libKivoLib.so"
wait_for 30 grep -q "kivo-sim: saved settings .* using factory defaults" "$work/offscreen.log"
sleep 1
mapped "$pid" "$root/usr/lib/.*/kivopanel/libTrevium.so" || fail "libTrevium.so not from the package"
! mapped "$pid" libQt6WebEngine || fail "the browser engine is mapped before any preview"
kill -TERM "$pid"
wait "$pid" || fail "KivoPanel ended with status $? after SIGTERM"
echo "KivoPanel --connect (offscreen): connected to the simulated detector, closed by SIGTERM"
rm -f "$KIVO_SIM_STATE"

# The print preview, under Xvfb, from the keyboard: Alt+C opens the scan window, Alt+P the preview.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
pids+=("$!")
wait_for 10 test -s "$work/display"
export DISPLAY=":$(cat "$work/display")"
"$bin/KivoPanel" --connect 2>"$work/xvfb.log" &
pid=$!
pids+=("$pid")
wait_for 30 mapped "$pid" libKivoLib.so
wait_for 30 has_window 'Control Program'
xdotool windowfocus --sync "$(window 'Control Program')" key alt+c
wait_for 30 has_window '^Scan$'
xdotool windowfocus --sync "$(window '^Scan$')" key alt+p
wait_for 60 has_window '^Print Preview$'
data="$XDG_DATA_HOME/KivoPanel"
wait_for 60 test -s "$data/print.html"
wait_for 30 test -s "$data/spect.png"
cmp -s "$data/vtlogo.png" "$root/usr/share/kivopanel/vtlogo.png" || fail "the logo was not copied beside the report"
[ -z "$(ls "$bin" | grep -v -x -e KivoPanel -e kivoscan -e kivocount)" ] || fail "files written into the program folder"
xdotool windowfocus --sync "$(window '^Print Preview$')" key Escape
wait_for 30 eval '! has_window "^Print Preview$"'
kill -TERM "$pid"
wait "$pid" || fail "KivoPanel ended with status $? after SIGTERM"
echo "KivoPanel preview (Xvfb): report, image and logo in $data"

[ "$("$bin/kivoscan" --version)" = "kivoscan $version" ] || fail "kivoscan --version"
KIVO_SIM_READING_MS=1 "$bin/kivoscan" --quiet --channels 64 --sweeps 1 --period-ms 5 \
    "$work/scan.n42" "$work/scan.html" "$work/scan.pdf"
grep -q "<RadMeasurement" "$work/scan.n42" || fail "kivoscan wrote no spectrum"
cmp -s "$work/scan-logo.png" "$root/usr/share/kivopanel/vtlogo.png" || fail "kivoscan's report has not the installed logo"
[ "$(head -c 5 "$work/scan.pdf")" = "%PDF-" ] || fail "kivoscan wrote no PDF through the installed preview module"
echo "kivoscan: a 64-channel scan written as N42, HTML report and PDF"

[ "$("$bin/kivocount" --version)" = "kivocount $version" ] || fail "kivocount --version"
KIVO_SIM_READING_MS=1 "$bin/kivocount" --quiet --readings 2 --repeat 2 "$work/count.csv" "$work/count.png"
grep -q "^# status: completed" "$work/count.csv" || fail "kivocount wrote no completed series"
[ "$(head -c 8 "$work/count.png" | od -An -tx1 | tr -d ' ')" = "89504e470d0a1a0a" ] || fail "kivocount wrote no PNG"
# Not on a terminal, a plateau without --yes is refused before the unit is touched.
if "$bin/kivocount" --plateau 900:1000:50 "$work/refused.csv" </dev/null 2>/dev/null; then
  fail "kivocount raised the HV unconfirmed"
fi
KIVO_SIM_READING_MS=1 "$bin/kivocount" --quiet --yes --plateau 900:1000:50 --readings 2 --settle 0 --json \
    >"$work/plateau.json"
grep -q '"hvRestored": true' "$work/plateau.json" || fail "kivocount did not put the user's HV back"
echo "kivocount: a short series as CSV and PNG, a plateau confirmed with --yes and the HV put back"
echo "Package checks passed: $deb"
