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

packages=(udisks2 polkitd udev e2fsprogs libglib2.0-bin python3 xvfb xdotool openbox)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2> /dev/null | grep -q '^ii' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  # Their package scripts would start services on the machine's own bus: they start none.
  made_policy=
  if [ ! -e /usr/sbin/policy-rc.d ]; then
    printf '#!/bin/sh\nexit 101\n' > /usr/sbin/policy-rc.d && chmod 755 /usr/sbin/policy-rc.d
    made_policy=1
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" > /dev/null
  [ -n "$made_policy" ] && rm -f /usr/sbin/policy-rc.d
fi

work=$(mktemp -d /tmp/vexo-udisks-XXXXXX)
chmod 755 "$work"
user=vexo-udisks-user
rule=/etc/polkit-1/rules.d/49-vexo-udisks-check.rules
pids=()  # daemon pids, stopped last first
loops=()
udevd_started=
had_run_udev=$([ -e /run/udev ] && echo 1 || true)
had_dev_disk=$([ -e /dev/disk ] && echo 1 || true)
# udevd sets owners and modes under /dev as its rules say: what they were, to put back.
find /dev -maxdepth 1 ! -type l -printf '%m %U %G %p\n' > "$work/dev-modes"

takedown() {
  set +e
  for mounted in $(findmnt -rn -o TARGET | grep "^$work/" | sort -r); do umount "$mounted"; done
  for loop in "${loops[@]}"; do losetup -d "$loop"; done
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    # udisksd stops cleanly on SIGINT, as its unit stops it; dbus-daemon ignores SIGINT.
    kill -INT "${pids[i]}" 2> /dev/null
    kill -TERM "${pids[i]}" 2> /dev/null
  done
  if [ -n "$udevd_started" ]; then
    udevadm control --exit 2> /dev/null
    [ -z "$had_run_udev" ] && rm -rf /run/udev
    [ -z "$had_dev_disk" ] && rm -rf /dev/disk
  fi
  while read -r mode owner group node; do
    [ -e "$node" ] && { chmod "$mode" "$node"; chown "$owner:$group" "$node"; }
  done < "$work/dev-modes"
  rm -f "$rule"
  id "$user" > /dev/null 2>&1 && userdel "$user"
  rm -rf "$work"
}
trap takedown EXIT

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
pids+=("$(dbus-daemon --config-file="$work/bus.conf" --fork --print-pid --nopidfile)")
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
  pids+=("$polkitd")
  wait_for org.freedesktop.PolicyKit1 /org/freedesktop/PolicyKit1/Authority
}
start_udisksd() {
  /usr/libexec/udisks2/udisksd > "$work/udisksd.log" 2>&1 &
  udisksd=$!
  pids+=("$udisksd")
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
check "restore --list" as_user restore --list "$archive"
check "the entry deleted" as_user --yes rm "$loop" Pong -c Games
check "restore merges it back" as_user --yes restore "$loop" "$archive"
check "it is on the card, read as root" lists Pong
check "restore --format" as_user --yes restore "$loop" "$archive" --format
check "it is on the card, read as root" lists Pong
check "diag says All ok" all_ok

echo "== a card another program holds"
before=$(sha256sum < "$loop")
python3 -c 'import os, sys, time; os.open(sys.argv[1], os.O_RDONLY | os.O_EXCL); print(flush=True); time.sleep(60)' \
  "$loop" > "$work/holder" &
holder=$!
for _ in $(seq 50); do [ -s "$work/holder" ] && break; sleep 0.1; done
check "a delete is refused" refused as_user --yes rm "$loop" Pong -c Games
check "with the lock message" said "Pysical drive lock failed, do you have this drive open in a disk editor?"
kill "$holder"
wait "$holder" 2> /dev/null || true
check "the card is as it was" test "$(sha256sum < "$loop")" = "$before"

echo "== polkit refuses"
allow NO
sleep 1  # polkitd reads its rules again when their folder changes
check "ls is refused" refused as_user ls "$loop"
check "with polkit's answer" said "Not authorized to perform operation"
check "format is refused" refused as_user --yes format "$loop"
check "with polkit's answer too" said "Not authorized to perform operation"
check "the card is as it was" test "$(sha256sum < "$loop")" = "$before"
allow YES
sleep 1

echo "== the window formats a mounted card, with clicks and keys under Xvfb"
mkfs.ext2 -q -F "$loop"
mount "$loop" "$work/mnt"
udevadm settle
cp "$build/bin/vexoexplorer" "$work/vexoexplorer"
Xvfb :97 -screen 0 1280x900x24 -nolisten tcp > "$work/xvfb.log" 2>&1 &
pids+=("$!")
export DISPLAY=:97
for _ in $(seq 50); do xdotool getmouselocation > /dev/null 2>&1 && break; sleep 0.1; done
openbox > /dev/null 2>&1 &
pids+=("$!")
setpriv --reuid="$user" --regid="$user" --init-groups \
  env -i HOME="$work" PATH=/usr/bin:/bin DISPLAY=:97 DBUS_SYSTEM_BUS_ADDRESS="$DBUS_SYSTEM_BUS_ADDRESS" \
  "$work/vexoexplorer" --card "$loop" > "$work/window.log" 2>&1 &
pids+=("$!")
window=
for _ in $(seq 100); do window=$(xdotool search --name "^Vexo Explorer" 2> /dev/null | head -1) && [ -n "$window" ] && break; sleep 0.1; done
if [ -n "$window" ]; then
  sleep 1
  # The card's node, first under "Removable Drives"; its menu; Format; OK to the question
  # (Cancel is its default); OK to "Format complete".
  xdotool mousemove --window "$window" 100 30 click 1 sleep 0.3 click 3 sleep 0.5 key Down Down Return
  sleep 1
  xdotool key shift+Tab space
  sleep 1.5
  xdotool key Return
fi
check "the window came up" test -n "$window"
check "the file system is unmounted" unmounted
check "the card is an empty volume, read as root" all_ok
# The title names the node of the card shown: the card's node is now "Vexo 1 (E:)".
check "the node is a Vexo volume" bash -c "xdotool search --name 'Vexo 1 [(]E:[)]' 2> /dev/null | grep -q ."
unset DISPLAY

echo "== udisksd or polkitd not running"
kill -INT "$udisksd"
wait "$udisksd" 2> /dev/null || true
check "without udisksd, ls fails" refused as_user ls "$loop"
check "saying udisks2 does not run" said "udisks2 does not run"
start_udisksd
kill -TERM "$polkitd"
wait "$polkitd" 2> /dev/null || true
check "without polkitd, ls fails" refused as_user ls "$loop"
check "saying polkit is not there" said "polkit authority not available"

[ "$failures" -eq 0 ] && echo "udisks check: all passed" || echo "udisks check: $failures failed"
[ "$failures" -eq 0 ]
