#!/usr/bin/env bash
# Prints the folder of the real-file corpus, as the tests look for it:
# $TABULO_TESTDATA (a relative name is read from the project root), else
# ../shared/testdata beside the project. Fails with a message saying what to
# set when it holds no corpus.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
folder=${TABULO_TESTDATA:-../shared/testdata}
case $folder in
  /*) ;;
  *) folder=$root/$folder ;;
esac
if [ ! -f "$folder/northwind.mdb" ]; then
  echo "the real-file corpus is not at $folder: set TABULO_TESTDATA to the folder holding northwind.mdb and the other test files" >&2
  exit 1
fi
echo "$folder"
