#!/usr/bin/env bash
# The main job of `make run`: write the Basic module for a real sample
# database and show it. The sample is fruit.mdb from the npm package
# mdb@0.1.0 (its test folder), fetched once into the build folder.
set -euo pipefail
build=${1:-build}
cli="$build/bin/tabulo-cli"
sample="$build/sample"
mkdir -p "$sample"

if [ ! -f "$sample/fruit.mdb" ]; then
  echo "Fetching the sample database fruit.mdb (npm package mdb@0.1.0) ..."
  work=$(mktemp -d "$sample/fetch.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  tarball=$(cd "$work" && npm pack --silent mdb@0.1.0 | tail -n 1)
  tar -xzf "$work/$tarball" -C "$work" package/test/fruit.mdb
  mv "$work/package/test/fruit.mdb" "$sample/fruit.mdb"
fi

echo "Tables of fruit.mdb:"
"$cli" "$sample/fruit.mdb" --list-tables | sed 's/^/  /'
"$cli" "$sample/fruit.mdb" --output "$sample/fruit.bas" --vb-header
echo
echo "The module tabulo-cli wrote to $sample/fruit.bas:"
echo
# The code file is in Windows-1252 with CR LF line ends, as Basic reads it.
iconv -f WINDOWS-1252 -t UTF-8 "$sample/fruit.bas" | tr -d '\r'
