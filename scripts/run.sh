#!/usr/bin/env bash
# Sets up, builds and starts the recorder on the user's display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/setup.sh
cmake -S . -B build-run -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZOVI_BUILD_TESTS=OFF >/dev/null
cmake --build build-run -j "$(nproc)"
if [ ! -x build-run/bin/ZoviCapture ]; then
  echo "run: ZoviCapture is not built yet; built so far:" >&2
  ls build-run/bin >&2
  exit 1
fi
exec build-run/bin/ZoviCapture "$@"
