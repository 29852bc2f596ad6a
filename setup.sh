#!/usr/bin/env bash
# ВЕНТАРОС: installs what is missing, builds, then starts the program ("run")
# or runs every test ("test", also in a sanitizer build) or the benchmarks
# ("bench").
set -euo pipefail
cd "$(dirname "$0")"

mode="${1:-run}"
packages=(build-essential cmake ninja-build ccache qt6-base-dev libqt6sql6-sqlite
          libsqlite3-dev libgl-dev fonts-liberation2)
[ "$mode" = run ] && packages+=(xdg-utils qt6-translations-l10n)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

jobs="$(nproc 2>/dev/null || echo 2)"
# VENTAROS_SANITIZE=ON adds to build/ the library built with AddressSanitizer
# and UndefinedBehaviorSanitizer and the tests against it (label sanitize).
configure() {
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}
build_with() {
  configure "$@"
  cmake --build build -j "$jobs"
}

# Runs one part of the test run and prints its wall-clock and CPU time.
part() {
  local TIMEFORMAT="$1: %0R s (CPU %0U s user + %0S s system)"
  shift
  time "$@"
}
suite() {
  (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" "$@")
}

case "$mode" in
  run)
    configure
    cmake --build build -j "$jobs" --target ventaros
    # The shop's data lives in the desktop's per-user data folder, never in
    # build/, which a clean rebuild deletes.
    if [ -z "${VENTAROS_HOME:-}" ]; then
      export VENTAROS_HOME="${XDG_DATA_HOME:-$HOME/.local/share}/ventaros"
    fi
    mkdir -p "$VENTAROS_HOME"
    exec ./build/ventaros
    ;;
  test)
    part build build_with -DVENTAROS_SANITIZE=OFF
    part tests suite
    # Every test again, against the library built with AddressSanitizer and
    # UndefinedBehaviorSanitizer; the normal build's objects are kept.
    part "sanitizer build" build_with -DVENTAROS_SANITIZE=ON
    part "sanitizer tests" suite -L sanitize
    ;;
  bench)
    configure
    cmake --build build -j "$jobs" --target ventaros_bench
    # The benchmark, in a temporary folder under build/: "bench [ARTICLES]"
    # (default 100000) or "bench scale" (10 000, 100 000 and 1 000 000).
    size="${2:-100000}"
    if [ "$size" = scale ]; then
      exec ./build/ventaros_bench --scale --folder "$(pwd)/build"
    fi
    exec ./build/ventaros_bench "$size" --folder "$(pwd)/build"
    ;;
  *)
    echo "usage: $0 [run|test|bench [ARTICLES|scale]]" >&2
    exit 2
    ;;
esac
