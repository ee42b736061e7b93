#!/usr/bin/env bash
# Configures and builds everything into build/ (the program lands in bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBIMBALO_WERROR="${CI:+ON}" >/dev/null
cmake --build build -j"$(nproc)"
