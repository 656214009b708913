#!/usr/bin/env bash
# Install what Tallyfold needs, build it, then either start it ("run") or run every test ("test").
set -euo pipefail
mode=${1:-run}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"

mapfile -t pkgs < <(grep -v -E '^\s*(#|$)' tools/debian-packages.txt)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi

build=${TALLYFOLD_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release
cmake --build "$build" -j "$(nproc)"

case "$mode" in
  run)
    exec "$build/app/tallyfold"
    ;;
  test)
    cd "$build"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "usage: tools/setup.sh run|test" >&2
    exit 2
    ;;
esac
