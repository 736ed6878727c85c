#!/usr/bin/env bash
# Set-up on a fresh Debian 12 machine: installs what is missing, builds, then
# either starts the program ("run") or runs the whole test suite ("test").
set -euo pipefail
mode="${1:-run}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESVORA_BUILD:-$here/build}"

packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools
  libboost-context-dev libpcre2-dev fonts-ipafont-gothic dbus dbus-daemon
  attr perl libglib2.0-bin)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"

case "$mode" in
  run)
    exec "$build/bin/tesvora" "${@:2}"
    ;;
  test)
    cd "$build"
    export QT_QPA_PLATFORM=offscreen
    exec dbus-run-session -- ctest --output-on-failure -j"$(nproc)" --timeout 600
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
