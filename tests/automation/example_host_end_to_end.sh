#!/usr/bin/env bash
# The example host as a user meets it: --help without a display, a clear
# error for a database that cannot be opened, and, in a virtual display, the
# sample fruit.mdb handed to the wizard, which starts on its second page and
# whose module the host prints after Finish. Without the sample (which
# `make test` fetches) the test is skipped (status 77), or fails when
# TABULO_TESTDATA_REQUIRED is set.
#   example_host_end_to_end.sh BUILD_DIR
set -euo pipefail
build=$1
host=$build/bin/tabulo-example-host
source=$build/sample/fruit.mdb
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  cat "$work/err" >&2 2>/dev/null || true
  [ -n "${running:-}" ] && kill "$running" 2>/dev/null
  exit 1
}

if [ -z "${TABULO_E2E_IN_XVFB:-}" ]; then
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$host" --help > "$work/out" || fail "--help needs a display"
  grep -q '^Usage: tabulo-example-host \[DATABASE\]' "$work/out" || fail "--help shows no usage"
  status=0
  QT_QPA_PLATFORM=offscreen "$host" "$work/none.mdb" > "$work/out" 2> "$work/err" || status=$?
  [ "$status" = 1 ] && grep -q "none.mdb" "$work/err" || fail "a missing database is not named (status $status)"
  if [ ! -f "$source" ]; then
    echo "needs the sample database $source, which \`make test\` fetches: run scripts/fetch-sample.sh $build" >&2
    [ -n "${TABULO_TESTDATA_REQUIRED:-}" ] && exit 1
    exit 77
  fi
  export TABULO_E2E_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

export HOME=$work XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb
unset TABULO_PLUGIN_PATH
"$host" "$source" > "$work/out" 2> "$work/err" &
running=$!
window=$(timeout 60 xdotool search --sync --name 'Tabulo Wizard' | head -n 1) || fail "no wizard window"
xdotool windowfocus --sync "$window" 2>/dev/null || true
step() { sleep 0.7; }
# Page 1 straight away: the new database's path is a run-time variable.
step; xdotool key alt+r
step; xdotool key Return
# Page 2: the code file; page 3: every table, then Finish.
step; xdotool key ctrl+a
xdotool type --delay 5 "$work/CreateFruit.bas"
step; xdotool key Return
step; xdotool key Tab space
step; xdotool key alt+f
# OK the closing message; the host closes the wizard after Finish.
timeout 60 bash -c "until [ -s '$work/CreateFruit.bas' ]; do sleep 0.5; done" || fail "no code file written"
step; xdotool key Return
timeout 30 bash -c "while kill -0 $running 2>/dev/null; do sleep 0.5; done" || fail "the host did not end after Finish"
wait "$running" || fail "the host ended with status $?"
running=
grep -q '^Succeeded: 1' "$work/out" || fail "the host printed no success"
grep -q 'Public Sub CreateNewDatabase(strNewDBPath As String)' "$work/out" || fail "the host printed no module"
echo "1 passed, 0 failed"
