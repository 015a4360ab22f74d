#!/usr/bin/env bash
# vexo's bash completion offers what vexo --help lists (every command, and each command's
# options), the category names of the card given earlier on the line, and files; and gives up
# at once on a card it cannot read.
# usage: bash-completion.sh VEXO COMPLETION_FILE
set -u
vexo=$(realpath "$1")
PATH=$(dirname "$vexo"):$PATH  # the completion asks the vexo on the PATH
source "$2"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

# The sorted offers for a line whose last word is being typed.
offers() {
  COMP_WORDS=("$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _vexo
  [ ${#COMPREPLY[@]} -eq 0 ] || printf '%s\n' "${COMPREPLY[@]}" | sort
}
expect() {  # expect "WHAT" "EXPECTED LINES" WORDS...
  local what=$1 expected=$2
  shift 2
  local got
  got=$(offers "$@")
  [ "$got" = "$expected" ] || fail "$what: offered [$got], expected [$expected]"
}
sorted() { printf '%s\n' "$@" | sort; }

# Commands and options, against the usage text: a command added to vexo without its
# completion fails here.
help=$("$vexo" --help)
mapfile -t commands < <(sed -n 's/^  vexo \([a-z]*\) .*/\1/p' <<<"$help")
[ ${#commands[@]} -ge 15 ] || fail "read only ${#commands[@]} commands from vexo --help"
expect "commands" "$(sorted "${commands[@]}")" vexo ""
options_in() { grep -oE '(^|[][ |])--?[a-z][a-z0-9-]*' | sed 's/^[][ |]//' | sort -u; }
expect "global options" "$(sed -n '1,2p' <<<"$help" | options_in)" vexo -
for command in "${commands[@]}"; do
  expect "$command options" "$(grep "^  vexo $command " <<<"$help" | options_in)" \
    vexo --yes "$command" -
done

# Category names, read from the card given earlier on the line.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cd "$scratch" || exit 1
for card in card.img other.img; do
  "$vexo" --quiet mkimage "$card" >/dev/null && "$vexo" --quiet --yes format "$card" 2>/dev/null ||
    fail "cannot make $card"
done
echo x >Pong.vxe
for category in Games "My Games" Tools; do
  "$vexo" --quiet import card.img Pong.vxe -c "$category" || fail "cannot import into $category"
done
"$vexo" --quiet import other.img Pong.vxe -c Elsewhere || fail "cannot import into other.img"
all=$(printf '%s\n' Games 'My\ Games' Tools)
expect "ls CARD CATEGORY" "$all" vexo ls card.img ""
expect "a typed prefix" 'My\ Games' vexo ls card.img My
expect "an escaped prefix" 'My\ Games' vexo ls card.img 'My\ G'
expect "-c" "$all" vexo import card.img Pong.vxe -c ""
expect "-c after a quoted card" "$all" vexo --yes rm "'card.img'" Pong -c ""
expect "--to-category: the destination's" "Elsewhere" vexo copy card.img Pong other.img --to-category ""
expect "restore --category" "$all" vexo restore card.img x.VexoImage --category ""
expect "ls --categories takes no category" "" vexo ls --categories card.img ""

# Cards it cannot read: nothing offered, and no wait (a FIFO blocks whoever opens it).
mkfifo fifo.img
expect "a FIFO" "" vexo ls fifo.img ""
expect "a missing card" "" vexo ls missing.img ""
expect "no card yet" "" vexo info -c ""
expect "a word that would run" "" vexo ls '$(touch ran)' ""
[ ! -e ran ] || fail "completion ran a command substitution from the line"

# Files where a file goes, nothing where an entry or a size does.
expect "a file" "Pong.vxe" vexo import card.img Po
expect "an entry" "" vexo info card.img Po
expect "a size" "" vexo mkimage new.img ""

exit "$failed"
