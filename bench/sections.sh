# Sourced by the bench scripts: bench/RESULTS.md is a list of sections, each starting with a "# " heading
# and written by one script, so one benchmark's run never drops another's results.

# replace_section HEADING_PREFIX FILE: the section whose heading starts with HEADING_PREFIX becomes the
# contents of FILE, in its place; a new section goes at the end.
replace_section() {
  local prefix="$1" section="$2" results=bench/RESULTS.md
  touch "$results"
  local before after merged
  before="$(mktemp)" after="$(mktemp)" merged="$(mktemp)"
  # state 0: before the section, 1: inside it, 2: after it
  awk -v prefix="$prefix" -v before="$before" -v after="$after" '
    state == 0 && index($0, prefix) == 1 { state = 1; next }
    state == 1 && /^# / { state = 2 }
    state == 0 { print > before }
    state == 2 { print > after }' "$results"
  {
    if [ -s "$before" ]; then cat "$before"; echo; fi
    cat "$section"
    if [ -s "$after" ]; then echo; cat "$after"; fi
  } | cat -s > "$merged"
  mv "$merged" "$results"
  rm -f "$before" "$after"
}
