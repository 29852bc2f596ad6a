#!/usr/bin/env bash
# ВЕНТАРОС: installs what is missing, builds, then starts the program ("run")
# or runs every test ("test").
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
    cd build
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$jobs"
    ;;
  *)
    echo "usage: $0 [run|test]" >&2
    exit 2
    ;;
esac
