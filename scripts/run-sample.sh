#!/usr/bin/env bash
# The main job of `make run`: write the Basic module for a real sample
# database (fruit.mdb, fetched by fetch-sample.sh) and show it.
set -euo pipefail
build=${1:-build}
cli="$build/bin/tabulo-cli"
fruit=$("$(dirname "$0")/fetch-sample.sh" "$build")
sample=$(dirname "$fruit")

echo "Tables of fruit.mdb:"
"$cli" "$fruit" --list-tables | sed 's/^/  /'
"$cli" "$fruit" --output "$sample/fruit.bas" --vb-header
echo
echo "The module tabulo-cli wrote to $sample/fruit.bas:"
echo
# The code file is in Windows-1252 with CR LF line ends, as Basic reads it.
iconv -f WINDOWS-1252 -t UTF-8 "$sample/fruit.bas" | tr -d '\r'
