#!/usr/bin/env bash
# Start-up of the paths a script hits most: "-version" and a refused command line, measured
# with hyperfine against `openssl version` (a small program linked to libcrypto) for scale.
# Give it build-portable to measure the release build beside the ordinary one.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
top=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/Sample"
bundle=$("$top/tools/make-bundle" --executable "$build/Moorstep/moorstep" --app "$work/Sample" \
  --name "Install Sample" --version 1.0 --out "$work")
exe="$bundle/Contents/MacOS/Install Sample"
# What the loader has to map before main runs: the file and the libraries it pulls in.
echo "executable: $(stat -c %s "$exe") bytes, $(LD_TRACE_LOADED_OBJECTS=1 "$exe" | wc -l) objects loaded"
hyperfine -N --warmup 50 --runs 500 -i \
  "'$exe' -version" \
  "'$exe' -bogus" \
  "openssl version"
