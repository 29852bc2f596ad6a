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
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"

case "$mode" in
  run)
    # The shop's data lives in the desktop's per-user data folder, never in
    # build/, which a clean rebuild deletes.
    if [ -z "${VENTAROS_HOME:-}" ]; then
      export VENTAROS_HOME="${XDG_DATA_HOME:-$HOME/.local/share}/ventaros"
    fi
    mkdir -p "$VENTAROS_HOME"
    exec ./build/ventaros
    ;;
  test)
    echo "build: ${SECONDS} s"
    start=$SECONDS
    (cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs")
    echo "tests: $((SECONDS - start)) s"
    # The sanitizer build: the core libraries, their non-GUI tests and the
    # malformed-file tests; no timing tests.
    start=$SECONDS
    cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVENTAROS_SANITIZE=ON >/dev/null
    cmake --build build-sanitize -j "$jobs" --target test_common test_platform test_app test_layers test_shell
    echo "sanitizer build: $((SECONDS - start)) s"
    start=$SECONDS
    (cd build-sanitize && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs" \
       -R '^(common|platform|app|layers)[.]|^shell[.]MalformedFilesTest$')
    echo "sanitizer tests: $((SECONDS - start)) s"
    ;;
  bench)
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
