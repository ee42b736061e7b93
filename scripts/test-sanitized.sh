#!/usr/bin/env bash
# Builds the tests with AddressSanitizer and UndefinedBehaviorSanitizer into
# build-sanitize/ and runs them (the end-to-end tests run in the plain build,
# but for those labelled sanitizer, which drive a private Xvfb themselves).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DBIMBALO_SANITIZE=ON -DBIMBALO_WERROR="${CI:+ON}" \
  -DBIMBALO_BIN_DIR="$PWD/build-sanitize/bin" >/dev/null
cmake --build build-sanitize -j"$(nproc)"
cd build-sanitize
# Leak reports come from the GUI libraries' own caches; errors stop the test at once.
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --output-on-failure -j2 -L '^(unit|widget|install|sanitizer)$' --timeout 600
