#!/usr/bin/env bash
# Writes a small seed corpus for every fuzz target into OUTDIR/NAME/: well-formed inputs and
# the near misses that lead the fuzzer into each refusal. Made fresh each run, never kept.
set -euo pipefail
out=${1:?usage: make-seeds.sh OUTDIR}

# seed TARGET NAME: standard input becomes one seed.
seed() {
  mkdir -p "$out/$1"
  cat > "$out/$1/$2"
}
# seed_texts TARGET TEXT...: one seed for each text, numbered.
seed_texts() {
  local target=$1 n=0
  shift
  for text in "$@"; do
    n=$((n + 1))
    printf '%s' "$text" | seed "$target" "text-$n"
  done
}

# ---- the ".dat" list -------------------------------------------------------------------------
seeds_dat_list() {
  printf '"Ball" 0000 0000 16 16\n"Paddle" 0002 0000 64 8\n' | seed dat_list two-lines
  printf '"Caf\xe9" 1200 0001 1 2\r\n"" 0000 0000 0 0\r\n' | seed dat_list crlf-latin1
  printf "'Odd\"_FFFF FFFF   3    4 \\t\\n" | seed dat_list odd-opening
  printf '"G" 0000 0000 +7 -0\n"H" 01FF 0000 000010 0065535\n' | seed dat_list signs-zeros
  printf '"G" 00g0 0000 1 1\n' | seed dat_list bad-hex
  printf '"G" 0000 0000 65536 1\n' | seed dat_list value-too-large
  printf '"unterminated 0000 0000 1 1\n' | seed dat_list no-closing-quote
  for i in $(seq 1 260); do printf '"g%d" %04X 0000 %d 0\n' "$i" "$i" "$i"; done |
    seed dat_list beyond-256-lines
}

# ---- sector offsets --------------------------------------------------------------------------
seeds_sector_offset() {
  seed_texts sector_offset 100 0x64 0X64 '$ff' x7FFFFFFF X10 ' +0x10 ' $'\t7\r\n' 2147483647 \
    2147483648 -0 -1 '$-5' 0x0x5 1e3 '99999999999999999999'
}

# ---- volume tree node paths ------------------------------------------------------------------
seeds_volume_node_path() {
  seed_texts volume_node_path 'Removable Drives\Vexo 1 (E:)\Games\' \
    'Removable Drives\Vexo 1 (E:)\' 'Removable Drives\Vexo 12 (F:)\a\b\' \
    'Removable Drives\Vexo 3 (G:)\x (y)\' 'Removable Drives\Removable Disk 2 (F:)\' \
    'My computer\Local Disk (C:)\' 'Removable Drives\Vexo (E:)\' 'Removable Drives\Vexo 1 (E'
}

# ---- a card's directory ----------------------------------------------------------------------
# Builtins only: the whole directory is 512 headers, and a process per field takes a minute.
# zeros N: N zero bytes.
zeros() {
  local -a n
  eval "n=({1..$1})"
  printf '%.0s\0' "${n[@]}"
}
# Little-endian 16-bit number.
u16() {
  local low high
  printf -v low '\\x%02x' $(($1 & 255))
  printf -v high '\\x%02x' $(($1 >> 8 & 255))
  printf "$low$high"
}
# A text field of 20 bytes: blank filled, a 0 byte last.
field() { printf '%-19.19s\0' "$1"; }
# header NEXT PREVIOUS FIRST LAST [CATEGORY NAME]: one slot header; no NAME is a free slot.
header() {
  printf '\xaa\x55'
  u16 "$1"; u16 "$2"; u16 "$3"; u16 "$4"
  printf '\0\0'
  field "${5:-}"
  if [ -n "${6:-}" ]; then field "$6"; else printf '\0'; printf '%-18s\0' ''; fi
  zeros 460
}
# free_slots N: N free slots of a formatted card.
free_slots() { for _ in $(seq 1 "$1"); do header 0 0 0 0; done; }

seeds_directory() {
  # Readme, then Games: Breakout and Pong, then Tools: Clock, linked in sort order.
  { header 3 0 1 4 '' Readme; header 4 3 0 0 Games Pong; header 2 1 0 0 Games Breakout
    header 0 2 0 0 Tools Clock; } | seed directory consistent
  # The same entries with a loop, a link beyond the directory and stray first/last fields.
  { header 2 0 1 4 '' Readme; header 3 3 0 0 Games Pong; header 2 65535 7 9 Games Breakout
    header 600 2 0 0 Tools Clock; header 4 1 0 0; } | seed directory broken-links
  # One entry whose chain ends at the wrong slot; the free slot 1 still names it.
  { header 0 0 2 3; header 9 9 0 0 Games Pong; } | seed directory one-entry
  # A slot without the magic stops the loading.
  { header 0 0 0 0; zeros 512; } | seed directory no-magic
  # The whole directory: entries in the first and last slots, the rest free.
  { header 512 0 1 512 Games Pong; free_slots 510; header 0 1 0 0 Tools Clock; } |
    seed directory full-card
}

# ---- the 7z container of our own archives ---------------------------------------------------
seeds_seven_zip_layout() {
  local scratch
  scratch=$(mktemp -d)
  # Archives our writer made, when a built vexo is at hand (CI builds it first), and one of
  # 7-Zip's, which the layout refuses.
  local vexo=build/bin/vexo
  if [ -x "$vexo" ]; then
    "$vexo" --quiet mkimage "$scratch/card.img" >/dev/null
    "$vexo" --yes --quiet format "$scratch/card.img" >/dev/null 2>&1
    "$vexo" --quiet backup "$scratch/card.img" "$scratch/empty.VexoImage" 2>/dev/null
    head -c 3000 /dev/urandom > "$scratch/Pong.vxe"
    "$vexo" --quiet import "$scratch/card.img" "$scratch/Pong.vxe" 2>/dev/null
    "$vexo" --quiet backup "$scratch/card.img" "$scratch/one.VexoImage" 2>/dev/null
    for archive in empty one; do
      [ -f "$scratch/$archive.VexoImage" ] && seed seven_zip_layout "$archive" < "$scratch/$archive.VexoImage"
    done
  fi
  if command -v 7zz > /dev/null; then
    printf 'DMLE\0\0\0' > "$scratch/Vexo"
    (cd "$scratch" && 7zz a -bd -bso0 -bse0 peer.7z Vexo) && seed seven_zip_layout peer < "$scratch/peer.7z"
  fi
  printf '7z\xbc\xaf\x27\x1c\0\4' | seed seven_zip_layout signature-only
  rm -rf "$scratch"
}

# ---- the payload of an image archive --------------------------------------------------------
seeds_payload() {
  printf 'DMLE\0\0\0' | seed payload empty-volume
  printf 'DMLE\0\0\1csa bytes, the rest of the payload' | seed payload csa-without-entries
  printf 'DMLE\1\2\0' | seed payload 513-entries
  printf 'DMLF\0\0\0' | seed payload wrong-signature
  # Payloads of our own backups of a small card, when a built vexo and 7-Zip are at hand: two
  # entries, one with graphics and their index, one with SM data, and a Common Storage Area.
  local vexo=build/bin/vexo scratch
  [ -x "$vexo" ] && command -v 7zz > /dev/null || return 0
  scratch=$(mktemp -d)
  local card=$scratch/card.img
  "$vexo" --quiet mkimage "$card" >/dev/null
  "$vexo" --yes --quiet format "$card" >/dev/null 2>&1
  head -c 3000 /dev/urandom > "$scratch/Pong.vxe"
  printf 'print "tick"\n%.0s' $(seq 1 40) > "$scratch/Clock.vxe"
  head -c 5000 /dev/urandom > "$scratch/sprites.gci"
  printf '"Ball" 0000 0000 16 16\n"Paddle" 0002 0000 64 8\n' > "$scratch/sprites.dat"
  head -c 700 /dev/zero > "$scratch/save.pdata"
  head -c 1500 /dev/urandom > "$scratch/world.gci"
  "$vexo" --quiet import "$card" "$scratch/Pong.vxe" -c Games 2>/dev/null
  "$vexo" --quiet import "$card" "$scratch/Clock.vxe" 2>/dev/null
  "$vexo" --quiet attach "$card" Pong "$scratch/sprites.gci" -c Games 2>/dev/null
  "$vexo" --quiet attach "$card" Clock "$scratch/save.pdata" 2>/dev/null
  "$vexo" --quiet backup "$card" "$scratch/entries.VexoImage" 2>/dev/null
  "$vexo" --quiet csa "$card" "$scratch/world.gci" 0x10 2>/dev/null
  "$vexo" --quiet backup "$card" "$scratch/card.VexoImage" 2>/dev/null
  for archive in entries card; do
    if [ -f "$scratch/$archive.VexoImage" ]; then
      7zz e -so "$scratch/$archive.VexoImage" Vexo 2>/dev/null > "$scratch/$archive.payload"
      seed payload "$archive" < "$scratch/$archive.payload"
      # Cut inside the entry blocks: the headers still read.
      head -c 2000 "$scratch/$archive.payload" | seed payload "$archive-cut"
    fi
  done
  rm -rf "$scratch"
}

# Every seeds_NAME function above makes the seeds of target NAME.
for make in $(compgen -A function seeds_); do
  "$make"
done
