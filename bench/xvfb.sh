# Sourced by the bench scripts that run the windows: a scratch folder ($work) removed at exit, an Xvfb
# display of its own, and a home, runtime and data folder in the scratch folder, so a run never reads
# or writes the user's own settings and spectra.
work="$(mktemp -d)"
xvfb=""
cleanup() {
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" XDG_DATA_HOME="$work/home/.local/share"
export KIVO_SIM_STATE="$work/nvram.ini"
unset QT_QPA_PLATFORM
