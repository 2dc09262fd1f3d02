#!/usr/bin/env bash
# The launcher as a user meets it: started in a virtual display, the wizard
# is driven with the keyboard to Finish on a real database, and must write
# the code file and end when its window closes. The database is the sample
# fruit.mdb that `make test` fetches into the build folder; without it the
# test is skipped (status 77), or fails when TABULO_TESTDATA_REQUIRED is set.
#   launcher_end_to_end.sh BUILD_DIR
set -euo pipefail
build=$1
source=$build/sample/fruit.mdb
if [ ! -f "$source" ]; then
  echo "needs the sample database $source, which \`make test\` fetches: run scripts/fetch-sample.sh $build" >&2
  [ -n "${TABULO_TESTDATA_REQUIRED:-}" ] && exit 1
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

if [ -z "${TABULO_E2E_IN_XVFB:-}" ]; then
  export TABULO_E2E_IN_XVFB=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi

export HOME=$work XDG_STATE_HOME=$work/state QT_QPA_PLATFORM=xcb
unset TABULO_PLUGIN_PATH
code=$work/CreateFruit.bas

fail() {
  echo "FAILED: $*" >&2
  xdotool search --name '.' getwindowname %@ 2>/dev/null | sed 's/^/  window: /' >&2 || true
  cat "$work/launcher.log" >&2 || true
  kill "$launcher" 2>/dev/null || true
  exit 1
}

# A copy of the launcher finds the plugins beside it, in ../lib/tabulo, laid
# out as installed: the plugins find Pembry31 (and it its desktop plugin) in
# the folder above theirs. Without any: the two-line message titled
# TabuloEXE, then the end.
mkdir -p "$work/alone/bin" "$work/alone/lib/tabulo"
cp "$build/bin/tabulo" "$work/alone/bin/"
cp -a "$build"/lib/libPembry31.so* "$build/lib/pembry31" "$work/alone/lib/"
"$work/alone/bin/tabulo" >> "$work/launcher.log" 2>&1 &
alone=$!
timeout 60 xdotool search --sync --name '^TabuloEXE$' > /dev/null || { launcher=$alone; fail "no TabuloEXE message"; }
sleep 0.7; xdotool key Return
timeout 30 bash -c "while kill -0 $alone 2>/dev/null; do sleep 0.3; done" || { launcher=$alone; fail "the launcher did not end after its message"; }
# Only the Jet 3.5 build: it is used, silently.
cp "$build/lib/tabulo/Tabulo35.so" "$work/alone/lib/tabulo/"
"$work/alone/bin/tabulo" >> "$work/launcher.log" 2>&1 &
alone=$!
timeout 60 xdotool search --sync --name 'Morvane Tabulo Wizard \(Jet 3.5\)$' > /dev/null || { launcher=$alone; fail "the Jet 3.5 build was not shown"; }
sleep 0.7; xdotool key Escape; sleep 0.7; xdotool key Return
timeout 30 bash -c "while kill -0 $alone 2>/dev/null; do sleep 0.3; done" || { launcher=$alone; fail "the Jet 3.5 wizard did not close"; }

# Every build in the build tree: the ACE build, the newest, is used.
"$build/bin/tabulo" >> "$work/launcher.log" 2>&1 &
launcher=$!
window=$(timeout 60 xdotool search --sync --name 'Morvane Tabulo Wizard \(ACE 12.0\)$' | head -n 1) || fail "no wizard window"
xdotool windowfocus --sync "$window" 2>/dev/null || true
step() { sleep 0.7; }

# Page 0: the source database (the focus starts in its box), then Next.
step; xdotool type --delay 5 "$source"
step; xdotool key Return
# Page 1: the new database's path is a run-time variable.
step; xdotool key alt+r
step; xdotool key Return
# Page 2: the code file (its box has the focus).
step; xdotool key ctrl+a
xdotool type --delay 5 "$code"
step; xdotool key Return
# Page 3: every table (">>" follows ">" in the tab order), then Finish.
step; xdotool key Tab space
step; xdotool key alt+f

# The closing message names the code file; OK it.
timeout 60 bash -c "until [ -s '$code' ]; do sleep 0.5; done" || fail "no code file written"
step; xdotool key Return
# Close, and answer Yes to the question.
step; xdotool search --name 'Morvane Tabulo Wizard' windowfocus --sync 2>/dev/null || true
step; xdotool key Escape
step; xdotool key Return

timeout 30 bash -c "while kill -0 $launcher 2>/dev/null; do sleep 0.5; done" || fail "the launcher did not end with its window"

head -c 200 "$code" | grep -q '^Option Explicit' || fail "code file does not start with Option Explicit"
grep -q 'Public Sub CreateNewDatabase(strNewDBPath As String)' "$code" || fail "no wrapper for a run-time path"
grep -q 'CreateTableDef(' "$code" || fail "no table written"
echo "1 passed, 0 failed"
