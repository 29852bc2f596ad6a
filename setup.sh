#!/usr/bin/env bash
# ВЕНТАРОС: installs what is missing, builds, then starts the program ("run")
# or runs every test ("test", also in a sanitizer build) or the benchmarks
# ("bench").
set -euo pipefail
cd "$(dirname "$0")"

mode="${1:-run}"
# libqt6sql6-psql and libpq: the Qt driver and client of a server database
# (several machines).
packages=(build-essential cmake ninja-build ccache qt6-base-dev libqt6sql6-sqlite libqt6sql6-psql
          libsqlite3-dev libpq-dev pkg-config libgl-dev fonts-liberation2)
[ "$mode" = run ] && packages+=(xdg-utils qt6-translations-l10n)
# The tests run every database test on a scratch PostgreSQL server too.
[ "$mode" = test ] && packages+=(postgresql)

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
# The database tests again on a scratch PostgreSQL server on loopback
# (tests/harness/pg_server.sh: a cluster in a temporary folder, run by an
# unprivileged user when this runs as root), stopped also on failure. Tests
# without a database stay out, and so do the classes tests/server_pending.txt
# names with the reason.
server_suite() {
  local pg pending
  pg="$(mktemp -d "${TMPDIR:-/tmp}/ventaros-pg-XXXXXX")"
  trap 'tests/harness/pg_server.sh stop "'"$pg"'"; rm -rf "'"$pg"'"' EXIT
  tests/harness/pg_server.sh start "$pg"
  pending="$(sed -e 's/#.*//' tests/server_pending.txt | awk 'NF { gsub(/[.]/, "[.]", $1); print $1 }' | paste -sd '|' -)"
  (. "$pg/env" && export VENTAROS_TEST_ENGINE=postgresql && suite -E "^(common|layers)[.]${pending:+|^($pending)\$}")
  tests/harness/pg_server.sh stop "$pg"
  rm -rf "$pg"
  trap - EXIT
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
    part "server tests" server_suite
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
