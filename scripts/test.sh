#!/usr/bin/env bash
# Builds the project and runs every test twice: plain, then under AddressSanitizer and
# UndefinedBehaviorSanitizer; then fuzzes every file reader for a bounded time
# (scripts/fuzz.sh). Installs the build tools, GoogleTest and clang with its fuzzing
# runtime when they are missing.
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v cmake >/dev/null 2>&1 || missing+=(cmake)
command -v g++ >/dev/null 2>&1 || missing+=(g++)
command -v make >/dev/null 2>&1 || missing+=(make)
[ -f /usr/include/gtest/gtest.h ] || missing+=(libgtest-dev)
command -v clang++ >/dev/null 2>&1 || missing+=(clang)
# libFuzzer comes with the compiler's runtime libraries, a package of its own.
if ! command -v clang++ >/dev/null 2>&1 ||
   [ ! -f "$(clang++ -print-resource-dir)/lib/linux/libclang_rt.fuzzer-x86_64.a" ]; then
  missing+=(libclang-rt-dev)
fi
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y "${missing[@]}"
fi

jobs=$(nproc)
echo "== plain build and tests"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVARNEL_SANITIZE=OFF -DVARNEL_TESTS=ON -DVARNEL_BENCH=ON
cmake --build build -j"$jobs"
(cd build && ctest -j"$jobs" --output-on-failure)

echo "== sanitized build and tests"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Release -DVARNEL_SANITIZE=ON -DVARNEL_TESTS=ON -DVARNEL_BENCH=OFF
cmake --build build-asan -j"$jobs"
(cd build-asan && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest -j"$jobs" --output-on-failure)

echo "== fuzzing"
./scripts/fuzz.sh
echo "== all tests passed"
