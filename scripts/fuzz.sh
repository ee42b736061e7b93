#!/usr/bin/env bash
# Builds the fuzzers with clang into build-fuzz/ and runs each one for a fixed
# time from its seeds in fuzz/corpus/<fuzzer>/, as CI does:
#
#   scripts/fuzz.sh [seconds per fuzzer, default 60] [fuzzer ...]
#
# What a run finds beyond the seeds goes to build-fuzz/corpus/<fuzzer>/ and is
# kept for the next run; a crash leaves its input in build-fuzz/artifacts/ and
# fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true
fuzzers=("$@")
if [ "${#fuzzers[@]}" -eq 0 ]; then
  fuzzers=(fuzz_pictures fuzz_webp fuzz_gif fuzz_heif fuzz_bmp_truncation fuzz_sound fuzz_sound_ffmpeg fuzz_settings)
fi

bash scripts/install-deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBIMBALO_FUZZERS=ON -DBIMBALO_WERROR="${CI:+ON}" \
  -DBIMBALO_BIN_DIR="$PWD/build-fuzz/bin" >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${fuzzers[@]}"

mkdir -p build-fuzz/artifacts
for fuzzer in "${fuzzers[@]}"; do
  mkdir -p "build-fuzz/corpus/$fuzzer"
  echo "== $fuzzer: $seconds s"
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    "build-fuzz/fuzz/$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -print_final_stats=1 \
      -artifact_prefix="build-fuzz/artifacts/$fuzzer-" "build-fuzz/corpus/$fuzzer" "fuzz/corpus/$fuzzer" 2>&1 \
    | grep -v -E '^#[0-9]+\s+(NEW|REDUCE|pulse)|# Uses: |recommended dictionary' || { echo "$fuzzer failed"; exit 1; }
done
