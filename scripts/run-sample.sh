#!/usr/bin/env bash
# The main job of `make run`: generate the Basic module for a real sample
# database and show it.
set -euo pipefail
build=${1:-build}
echo "Tabulo is built in $build."
