#!/usr/bin/env bash
# Each program answers --version with its name and the project's version, and --help with its
# usage: on standard output, status 0, and without a display (a packaging check runs headless).
# usage: program-versions.sh VERSION PROGRAM...
set -u
version=$1
shift
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for program in "$@"; do
  name=$(basename "$program")
  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --version 2>/dev/null)
  status=$?
  [ "$status" -eq 0 ] || fail "$name --version: status $status"
  [ "$out" = "$name (VexoExplorer) $version" ] || fail "$name --version printed '$out'"

  out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$program" --help 2>/dev/null)
  status=$?
  [ "$status" -eq 0 ] || fail "$name --help: status $status"
  grep -qi "^usage: $name " <<<"$out" || fail "$name --help printed no usage line: $out"
  grep -q -- "--version" <<<"$out" || fail "$name --help does not mention --version"
done
exit "$failed"
