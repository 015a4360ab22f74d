#!/usr/bin/env bash
# CI: README's test command as a normal user, who is not root and in no group that may open
# devices. A user is made for it and gets a copy of this checkout in its own home, so the run
# does not depend on who may enter the folder CI cloned into; the user and its home are removed
# at the end. Everything must already be installed (scripts/test.sh as root does that). Needs
# root.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "test-as-user.sh makes a user: run it as root" >&2; exit 1; }
user=vexo-ci-user
id "$user" > /dev/null 2>&1 && userdel -r "$user" 2> /dev/null
useradd -m "$user"
home=$(getent passwd "$user" | cut -d: -f6)
trap 'userdel -r "$user" 2> /dev/null || true' EXIT

# The files git knows of (committed or not, but not ignored), without any build folder.
clone="$home/vexoexplorer"
mkdir "$clone"
git ls-files -z --cached --others --exclude-standard |
  tar --null --files-from=- --ignore-failed-read -cf - 2> /dev/null | tar -xf - -C "$clone"
chown -R "$user:" "$clone"
runuser -u "$user" -- env -i HOME="$home" PATH=/usr/local/bin:/usr/bin:/bin LANG=C.UTF-8 \
  bash -c "cd '$clone' && scripts/test.sh"
