#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those missing.
set -euo pipefail
packages=(cmake ninja-build g++ pkg-config make
          qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite
          mdbtools mdbtools-dev libssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
          xvfb xauth xdotool xdg-utils libxcb1-dev
          libsqlite3-dev postgresql mariadb-server mariadb-client)
# The SQL script tests start their own PostgreSQL and MariaDB servers on
# sockets in the build folder; the services these packages set up for the
# machine are not used.
# npm fetches the sample database of `make run`; a node install from elsewhere is fine.
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
# Without systemd (a container), the packages' scripts would start their
# services through init scripts, and a service that fails to start there fails
# the install: while installing, services are not started unless the machine
# already says how (a policy-rc.d of its own).
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ] && [ "$(cat /proc/1/comm 2>/dev/null)" != systemd ]; then
  printf '#!/bin/sh\nexit 101\n' | $sudo tee "$policy" > /dev/null
  $sudo chmod 755 "$policy"
  trap '$sudo rm -f "$policy"' EXIT
fi
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
