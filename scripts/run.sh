#!/usr/bin/env bash
# Installs what Bimbalo needs, builds it and starts it on the sample slides in datasets/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh
exec ./bin/bimbalo
