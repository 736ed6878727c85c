#!/usr/bin/env bash
# Set-up on a fresh Debian 12 machine: installs what is missing, builds, then
# either starts the program ("run") or runs the whole test suite ("test").
set -euo pipefail
mode="${1:-run}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TESVORA_BUILD:-$here/build}"

# debian-reference-ja: real Japanese text for the tests that compare a
# filtered pass with one that searches every rule.
packages=(build-essential cmake pkg-config qt6-base-dev qt6-base-dev-tools
  libboost-context-dev libpcre2-dev fonts-ipafont-gothic dbus dbus-daemon
  attr perl libglib2.0-bin xvfb openbox xdotool x11-utils qt6-translations-l10n clang
  debian-reference-ja)
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

# The sanitizer builds: UndefinedBehaviorSanitizer over the whole suite, and
# AddressSanitizer with it over the tests that switch no fiber stacks.
if [ "$mode" = sanitize ]; then
  export QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
  status=0
  for kind in undefined address,undefined; do
    dir="$here/build-sanitize-${kind//,/-}"
    cmake -S "$here" -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DTV_SANITIZE="$kind" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
    # The kill loop's passes over its large text outlast its time limit in
    # a Debug build with sanitizers; it runs in the normal suite.
    exclude=(-E '^program_kill$')
    [ "$kind" = undefined ] || exclude+=(-LE fibers)
    (cd "$dir" && ASAN_OPTIONS=detect_leaks=0 dbus-run-session -- \
      ctest --output-on-failure -j"$(nproc)" --timeout 600 "${exclude[@]}") || status=1
  done
  exit $status
fi

cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTV_WERROR="${TESVORA_WERROR:-OFF}" >/dev/null
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
    echo "usage: $0 run|test|sanitize" >&2
    exit 2
    ;;
esac
