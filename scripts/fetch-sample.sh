#!/usr/bin/env bash
# Fetches the sample database fruit.mdb into BUILD/sample, once: it comes
# from the npm package mdb@0.1.0 (its test folder). `make run` shows the
# module written for it; `make test` reads it in a real-file round trip.
#   fetch-sample.sh [BUILD]    prints the path of fruit.mdb
set -euo pipefail
build=${1:-build}
sample="$build/sample"
mkdir -p "$sample"

if [ ! -f "$sample/fruit.mdb" ]; then
  echo "Fetching the sample database fruit.mdb (npm package mdb@0.1.0) ..." >&2
  work=$(mktemp -d "$sample/fetch.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  tarball=$(cd "$work" && npm pack --silent mdb@0.1.0 | tail -n 1)
  tar -xzf "$work/$tarball" -C "$work" package/test/fruit.mdb
  mv "$work/package/test/fruit.mdb" "$sample/fruit.mdb"
fi
echo "$sample/fruit.mdb"
