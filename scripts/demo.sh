#!/usr/bin/env bash
# Builds the back-end and runs it on the shipped example, in a scratch copy (the reduct
# command rewrites its table), then shows what it printed and wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DVARNEL_TESTS=OFF -DVARNEL_BENCH=OFF >/dev/null
cmake --build build-demo -j"$(nproc)" --target varnel >/dev/null
bin="$PWD/build-demo/varnel"
work=$(mktemp -d)
cp examples/* "$work"/
cd "$work"
echo "== configuration (examples/all_reducts.cfg)"
cat all_reducts.cfg
echo "== standard output"
set +e
"$bin" all_reducts.cfg
code=$?
set -e
echo "== exit code: $code"
for f in weather.log weather.red; do
  if [ -f "$f" ]; then echo "== $f"; cat "$f"; fi
done
echo "== files are in $work"
