#!/usr/bin/env bash
# CI: card readers in a normal user's hands, through the real udisks2. Brings up a private
# system bus (never the one at /run/dbus, which every process would see), polkitd, udevd when
# none runs, and udisksd; puts a card image on a loop device that only root may open; makes a
# user outside the group disk whom a polkit rule lets open and unmount it; runs that user's
# journeys with vexo, checking the card's bytes as root; and takes everything down again, also
# when a check fails. Takes the build folder (default build/). Needs root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "udisks-check.sh starts system daemons: run it as root" >&2; exit 1; }
build=$(realpath "${1:-build}")
export DEBIAN_FRONTEND=noninteractive

# What udevd and udisksd change is put back from this record, made before anything is
# installed (udev's package sets /dev/kvm's group as it installs): each node's mode and owner,
# and which folders and links exist.
work=$(mktemp -d /tmp/vexo-udisks-XXXXXX)
chmod 755 "$work"
find /dev -printf '%y %m %U %G %p\n' > "$work/dev-before"
had_run_udev=$([ -e /run/udev ] && echo 1 || true)
had_run_udisks=$([ -e /run/udisks2 ] && echo 1 || true)
user=vexo-udisks-user
rule=/etc/polkit-1/rules.d/49-vexo-udisks-check.rules
pids=()  # what the stage started, as "pid signal", stopped last first
loops=()
udevd_started=
made_policy=

# Stops one process the stage started, with its signal, and waits for it (then SIGKILL).
stop() {
  local pid=$1 signal=$2
  kill -0 "$pid" 2> /dev/null || return 0
  kill "-$signal" "$pid" 2> /dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || return 0; sleep 0.1; done
  kill -KILL "$pid" 2> /dev/null
  sleep 0.1
}
started() { pids+=("$1 $2"); }
# A process stopped during the journeys leaves the list: its pid may be another's later.
stopped() {
  local keep=() entry
  stop "$1" "$2"
  for entry in "${pids[@]}"; do [ "${entry%% *}" = "$1" ] || keep+=("$entry"); done
  pids=("${keep[@]}")
}

takedown() {
  set +e
  [ -n "$made_policy" ] && rm -f /usr/sbin/policy-rc.d
  # The user's programs and the holder first, so that nothing keeps a card open.
  local i
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop ${pids[i]}; done
  for mounted in $(findmnt -rn -o TARGET | grep "^$work/" | sort -r); do umount "$mounted"; done
  for loop in "${loops[@]}"; do losetup -d "$loop"; done
  if [ -n "$udevd_started" ]; then
    udevadm control --exit 2> /dev/null
    [ -z "$had_run_udev" ] && rm -rf /run/udev
    # The links and folders udevd made (/dev/disk, /dev/block, ...); the nodes are the kernel's.
    find /dev -printf '%y %p\n' | grep -v '^[bc] ' | sort > "$work/dev-after"
    awk '{ print $1, $5 }' "$work/dev-before" | grep -v '^[bc] ' | sort |
      comm -13 - "$work/dev-after" | sort -r -k2 | while read -r type path; do
        if [ "$type" = d ]; then rmdir "$path"; else rm -f "$path"; fi
      done
  fi
  [ -z "$had_run_udisks" ] && rm -rf /run/udisks2
  while read -r type mode owner group node; do
    [ "$type" = b ] || [ "$type" = c ] || continue
    [ -e "$node" ] && { chmod "$mode" "$node"; chown "$owner:$group" "$node"; }
  done < "$work/dev-before"
  rm -f "$rule" "${reader_rule:-}"
  id "$user" > /dev/null 2>&1 && userdel "$user"
  rm -rf "$work"
}
trap takedown EXIT

# No window manager: one that starts while the window maps can leave the window unmapped, and
# Qt gives its dialogs the focus itself.
packages=(udisks2 polkitd udev e2fsprogs libglib2.0-bin python3 xvfb xdotool)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2> /dev/null | grep -q '^ii' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  # Their package scripts would start services on the machine's own bus: they start none.
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d
    made_policy=1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
  rm -f /usr/sbin/policy-rc.d
  made_policy=
fi

failures=0
check() {
  local name=$1
  shift
  if "$@"; then echo "ok: $name"; else echo "FAIL: $name"; failures=$((failures + 1)); fi
}

# The user, and what polkit lets it do.
useradd --no-create-home --home-dir "$work" "$user"
allow() {
  cat > "$rule" << RULE
polkit.addRule(function(action, subject) {
  if (subject.user == "$user" &&
      (action.id == "org.freedesktop.udisks2.open-device" ||
       action.id == "org.freedesktop.udisks2.open-device-system" ||
       action.id == "org.freedesktop.udisks2.filesystem-unmount-others"))
    return polkit.Result.$1;
});
RULE
}
allow YES

# The private system bus, with the system bus's policies.
cat > "$work/bus.conf" << CONF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=$work/bus</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <deny own="*"/>
    <deny send_type="method_call"/>
    <allow send_type="signal"/>
    <allow send_requested_reply="true" send_type="method_return"/>
    <allow send_requested_reply="true" send_type="error"/>
    <allow receive_type="method_call"/>
    <allow receive_type="method_return"/>
    <allow receive_type="error"/>
    <allow receive_type="signal"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Introspectable"/>
    <allow send_destination="org.freedesktop.DBus" send_interface="org.freedesktop.DBus.Properties"/>
  </policy>
  <includedir>/usr/share/dbus-1/system.d</includedir>
  <includedir>/etc/dbus-1/system.d</includedir>
</busconfig>
CONF
started "$(dbus-daemon --config-file="$work/bus.conf" --fork --print-pid --nopidfile)" TERM
export DBUS_SYSTEM_BUS_ADDRESS="unix:path=$work/bus"

answers() {  # whether a name answers on the private bus
  gdbus introspect --system --dest "$1" --object-path "$2" > /dev/null 2>&1
}
wait_for() {
  for _ in $(seq 100); do answers "$1" "$2" && return 0; sleep 0.1; done
  echo "$1 did not come up" >&2
  return 1
}
start_polkitd() {
  /usr/lib/polkit-1/polkitd --no-debug > "$work/polkitd.log" 2>&1 &
  polkitd=$!
  started "$polkitd" TERM
  wait_for org.freedesktop.PolicyKit1 /org/freedesktop/PolicyKit1/Authority
}
start_udisksd() {
  /usr/libexec/udisks2/udisksd > "$work/udisksd.log" 2>&1 &
  udisksd=$!
  started "$udisksd" INT  # as its unit stops it
  wait_for org.freedesktop.UDisks2 /org/freedesktop/UDisks2/Manager
}
start_polkitd
# udisksd publishes only the block devices that udev has seen.
if ! pgrep -x systemd-udevd > /dev/null; then
  /lib/systemd/systemd-udevd --daemon > "$work/udevd.log" 2>&1
  udevd_started=1
fi
udevadm trigger --subsystem-match=block --action=add
udevadm settle
start_udisksd

# The card, on a loop device only root may open; vexo where the user can reach it.
"$build/bin/vexo" mkimage "$work/card.img" > /dev/null
loop=$(losetup -f --show "$work/card.img")
loops+=("$loop")
udevadm settle
chmod 600 "$loop"
known() {
  gdbus call --system --dest org.freedesktop.UDisks2 --object-path /org/freedesktop/UDisks2/Manager \
    --method org.freedesktop.UDisks2.Manager.ResolveDevice "{'path': <'$loop'>}" "{}" 2> /dev/null |
    grep -q block_devices
}
for _ in $(seq 50); do known && break; sleep 0.1; done
cp "$build/bin/vexo" "$work/vexo"
mkdir "$work/files"
echo "a program" > "$work/files/Pong.vxe"
echo "another" > "$work/files/Clock.vxe"
chown -R "$user:" "$work/files"
as_user() {  # vexo as the user, its messages in $work/said
  setpriv --reuid="$user" --regid="$user" --init-groups \
    env -i HOME="$work" PATH=/usr/bin:/bin DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" \
    "$work/vexo" "$@" 2> "$work/said"
}
said() { grep -qF -- "$1" "$work/said" || { echo "  it said: $(cat "$work/said")"; return 1; }; }
refused() { ! "$@"; }
shows() {  # whether what the user's vexo prints has a line like $1
  local line=$1
  shift
  as_user "$@" | grep -q -- "$line"
}
as_root() { "$build/bin/vexo" "$@" 2> /dev/null; }
lists() { as_root ls "$loop" Games | grep -q "^$1	"; }
all_ok() { as_root diag "$loop" | tail -1 | grep -q '^All ok'; }
unmounted() { ! findmnt -rn -S "$loop" > /dev/null; }

echo "== a new card's mounted file system is unmounted through udisks2, then formatted"
mkfs.ext2 -q -F "$loop"
mkdir "$work/mnt"
mount "$loop" "$work/mnt"
udevadm settle
check "format as the user" as_user --yes format "$loop"
check "the file system is unmounted" unmounted
check "the card is an empty volume, read as root" test -z "$(as_root ls --categories "$loop")"
check "diag says All ok" all_ok

echo "== a user's day: import, ls, info, backup, restore"
archive="$work/files/card.VexoImage"
check "import with --verify" as_user --verify import "$loop" "$work/files/Pong.vxe" -c Games
check "ls lists it" shows "^Pong	" ls "$loop" Games
check "info" shows "^Filename:	Pong$" info "$loop" Pong -c Games
check "backup" as_user backup "$loop" "$archive"
check "the archive is there" test -s "$archive"
check "restore --list names the entry" shows '^Games\\Pong$' restore --list "$archive"
check "the entry deleted" as_user --yes rm "$loop" Pong -c Games
check "restore merges it back" as_user --yes restore "$loop" "$archive"
check "it is on the card, read as root" lists Pong
# An entry the archive does not hold: the format must take it away.
check "another import" as_user import "$loop" "$work/files/Clock.vxe"
check "restore --format" as_user --yes restore "$loop" "$archive" --format
check "it is on the card, read as root" lists Pong
check "the other entry is gone, read as root" test -z "$(as_root ls "$loop")"
check "diag says All ok" all_ok

echo "== a card another program holds"
before=$(sha256sum < "$loop")
python3 -c 'import os, sys, time; os.open(sys.argv[1], os.O_RDONLY | os.O_EXCL); print(flush=True); time.sleep(60)' \
  "$loop" > "$work/holder" &
holder=$!
started "$holder" TERM
for _ in $(seq 50); do [ -s "$work/holder" ] && break; sleep 0.1; done
check "a delete is refused" refused as_user --yes rm "$loop" Pong -c Games
check "with the lock message" said "Pysical drive lock failed, do you have this drive open in a disk editor?"
stopped "$holder" TERM
check "the card is as it was" test "$(sha256sum < "$loop")" = "$before"

echo "== polkit refuses"
# polkitd reads its rules again when their folder changes, a moment later.
rules_say() {
  allow "$1"
  for _ in $(seq 100); do
    if as_user ls --categories "$loop" > /dev/null; then [ "$1" = YES ] && return; else [ "$1" = NO ] && return; fi
    sleep 0.1
  done
  echo "polkitd did not take the rule $1" >&2
  return 1
}
rules_say NO
check "ls is refused" refused as_user ls "$loop"
check "with polkit's answer" said "Not authorized to perform operation"
check "format is refused" refused as_user --yes format "$loop"
check "with polkit's answer too" said "Not authorized to perform operation"
check "the card is as it was" test "$(sha256sum < "$loop")" = "$before"
rules_say YES

echo "== the window formats a mounted card, with clicks and keys under Xvfb"
mkfs.ext2 -q -F "$loop"
mount "$loop" "$work/mnt"
udevadm settle
cp "$build/bin/vexoexplorer" "$work/vexoexplorer"
mkdir -m 700 "$work/runtime"  # else Qt makes /tmp/runtime-USER and leaves it
chown "$user:" "$work/runtime"
# A display nobody uses; Xvfb names it once it listens.
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp 3> "$work/display" > "$work/xvfb.log" 2>&1 &
started "$!" TERM
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
setpriv --reuid="$user" --regid="$user" --init-groups \
  env -i HOME="$work" PATH=/usr/bin:/bin DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/runtime" \
  DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" "$work/vexoexplorer" --card "$loop" > "$work/window.log" 2>&1 &
window_pid=$!
started "$window_pid" TERM
# The program's windows that show; --all, since xdotool's conditions are "any" by default.
shown() { xdotool search --all --onlyvisible --pid "$window_pid" --name "${1:-}" 2> /dev/null; }
# Waits up to $2 tenths of a second (20 s) for a window of the program titled like $1; in $found.
appears() {
  for _ in $(seq "${2:-200}"); do
    found=$(shown "$1" | head -1)
    [ -n "$found" ] && return 0
    sleep 0.1
  done
  echo "  no window '$1'; shown: $(for w in $(shown); do xdotool getwindowname "$w"; done | tr '\n' '|')"
  cat "$work/window.log"
  return 1
}
goes() {
  for _ in $(seq 200); do shown | grep -qx "$1" || return 0; sleep 0.1; done
  echo "  '$(xdotool getwindowname "$1")' stays"
  return 1
}
format_in_window() {
  appears "^Vexo Explorer" || return 1
  local main=$found before menu= box
  # The card's node is the first under "Removable Drives", there once the window has read the
  # card: right-click it until its menu opens (a window more), however slowly that comes.
  for _ in $(seq 20); do
    before=$(shown | wc -l)
    xdotool mousemove --window "$main" 100 30 click 3
    for _ in $(seq 20); do
      [ "$(shown | wc -l)" -gt "$before" ] && { menu=1; break; }
      sleep 0.1
    done
    [ -n "$menu" ] && break
    xdotool key Escape
  done
  [ -n "$menu" ] || { echo "  the drive node's menu did not open"; return 1; }
  sleep 0.3  # the menu takes the keyboard as it shows
  xdotool key Down Down Return  # Format, below New Vexo Category
  # OK to the question: Cancel is its default, OK the other of its two buttons.
  appears "^Warning$" || return 1
  box=$found
  xdotool windowfocus --sync "$box" key Tab space
  goes "$box" || return 1
  # Formatting may take a while; then OK to "Format complete".
  appears "^VexoExplorer$" 600 || return 1
  box=$found
  xdotool windowfocus --sync "$box" key Return
  goes "$box" || return 1
  # The title names the card's node, "Vexo 1 (E:)" once it is formatted.
  xdotool getwindowname "$main" | grep -q "Vexo 1 (E:)" || { echo "  title: $(xdotool getwindowname "$main")"; return 1; }
}
check "right-click, Format, OK, OK: the node becomes Vexo 1 (E:)" format_in_window
check "the file system is unmounted" unmounted
check "the card is an empty volume, read as root" all_ok
stopped "$window_pid" TERM
unset DISPLAY

echo "== udisksd or polkitd not running"
stopped "$udisksd" INT
check "without udisksd, ls fails" refused as_user ls "$loop"
check "saying udisks2 does not run" said "udisks2 does not run"
start_udisksd
stopped "$polkitd" TERM
check "without polkitd, ls fails" refused as_user ls "$loop"
check "saying polkit is not there" said "polkit authority not available"

echo "== real uevents reach the notification component, through udevd"
# A free loop device made to look like a USB card reader to udev, for this test only.
reader=$(losetup -f)
reader_rule=/run/udev/rules.d/99-vexo-udisks-check-reader.rules
mkdir -p /run/udev/rules.d
cat > "$reader_rule" << RULE
SUBSYSTEM=="block", KERNEL=="${reader#/dev/}", ENV{ID_BUS}="usb", OPTIONS+="nowatch"
SUBSYSTEM=="block", KERNEL=="${reader#/dev/}", ACTION=="change", ENV{DISK_MEDIA_CHANGE}="1"
RULE
udevadm control --reload
ran_not_skipped() {  # a test that skips would prove nothing here
  "$@" > "$work/test.log" 2>&1 && ! grep -q SKIPPED "$work/test.log" || { cat "$work/test.log"; return 1; }
}
check "a card put in and taken out of a reader" \
  ran_not_skipped env VEXO_READER_LOOP="$reader" "$build/tests/shellnotify_tests" --gtest_filter='RealUdev*'
rm -f "$reader_rule"
udevadm control --reload

[ "$failures" -eq 0 ] && echo "udisks check: all passed" || echo "udisks check: $failures failed"
[ "$failures" -eq 0 ]
