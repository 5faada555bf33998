#!/usr/bin/env bash
# End to end on a private X server and a private port map:
#   with the simulated unit linked as COM0 the program greets the user and ends with code 0 on its
#   close box; without any unit it shows "Hardware not present!" and ends with code 0 after OK.
# Usage: startup.sh BIN_DIR [runs]   (runs > 1 also prints the start-up times and their median)
set -euo pipefail
bin=$(cd "$1" && pwd)
runs=${2:-1}
here=$(cd "$(dirname "$0")" && pwd)

work=$(mktemp -d /tmp/vostrel-e2e-XXXXXX)
export XDG_RUNTIME_DIR=$work/run
export XDG_CONFIG_HOME=$work/config
mkdir -p -m 700 "$XDG_RUNTIME_DIR"
# An empty port map: the program must never fall back to the machine's own serial devices.
mkdir -p "$XDG_RUNTIME_DIR/vostrel/ports"
unset QT_QPA_PLATFORM

pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
now_ms() { date +%s%3N; }

# -noreset: the server would otherwise reset when the first program leaves, refusing the next one.
Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp -noreset 5>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
# The number is written once the server listens; still, a loaded machine has been seen to refuse
# the first connection, so the program only starts once a client gets through.
for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.05; done
xdpyinfo >/dev/null 2>&1 || fail "Xvfb on $DISPLAY takes no connection"

# Windows titled exactly "Vostrel" (the main window and, at start-up, the box share the title).
windows() { xdotool search --onlyvisible --name '^Vostrel$' 2>/dev/null || true; }

# The log pane's text, as a user gets it: click into the pane, select all, copy.
read_log() {
  local win=$1 h
  h=$(xdotool getwindowgeometry "$win" | sed -n 's/.*Geometry: [0-9]*x\([0-9]*\).*/\1/p')
  xdotool mousemove --window "$win" 100 $((h * 3 / 4)) click 1 key ctrl+a ctrl+c 2>/dev/null || return 0
  xclip -o -selection clipboard 2>/dev/null || true
}

rc=0
wait_exit() {  # pid seconds; sets rc to the exit code
  local pid=$1 left=$(( $2 * 20 ))
  while kill -0 "$pid" 2>/dev/null && ((left-- > 0)); do sleep 0.05; done
  kill -0 "$pid" 2>/dev/null && fail "program still running"
  rc=0
  wait "$pid" || rc=$?
}

# --- without a unit -------------------------------------------------------------------------------
"$bin/vostrel" &
prog=$!
pids+=($prog)
box=""
for _ in $(seq 400); do
  for w in $(windows); do
    [ "$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')" != 650 ] && box=$w
  done
  [ -n "$box" ] && break
  sleep 0.05
done
[ -n "$box" ] || fail "no box without a unit"
python3 "$here/x11.py" close "$box"
wait_exit "$prog" 10
[ "$rc" = 0 ] || fail "exit code $rc without a unit"
echo "ok: no unit -> box, exit code 0"

# --- with the simulated unit on COM0 --------------------------------------------------------------
"$bin/vostrel-unit" 2>"$work/unit.err" &
unit=$!
pids+=($unit)
for _ in $(seq 200); do grep -q "on COM0" "$work/unit.err" 2>/dev/null && break; sleep 0.05; done
grep -q "on COM0" "$work/unit.err" || fail "vostrel-unit not ready: $(cat "$work/unit.err")"

# The box among the windows titled "Vostrel", if one shows.
box_window() {
  local w
  for w in $(windows); do
    [ "$(xdotool getwindowgeometry "$w" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')" != 650 ] && echo "$w"
  done | head -n 1
}

times=()
missed=0
for run in $(seq "$runs"); do
  start=$(now_ms)
  "$bin/vostrel" &
  prog=$!
  pids+=($prog)
  log=""
  box=""
  for _ in $(seq 400); do
    box=$(box_window || true)
    [ -n "$box" ] && break
    main=$(windows | head -n 1)
    if [ -n "$main" ]; then
      log=$(read_log "$main")
      [[ $log == *"Welcome Vostrel user"* ]] && break
    fi
    sleep 0.02
  done
  if [ -n "$box" ]; then
    # The banner has to be waiting 40 ms after the pulses; a machine too busy to schedule the unit
    # in time makes the program give up. Allowed twice, never as the normal outcome.
    python3 "$here/x11.py" close "$box"
    wait_exit "$prog" 10
    [ "$rc" = 0 ] || fail "exit code $rc after the box"
    ((++missed <= 2)) || fail "the unit was not found $missed times"
    echo "note: the unit missed the banner window (busy machine); starting again"
    continue
  fi
  times+=($(( $(now_ms) - start )))
  [[ $log == *"Welcome Vostrel user"* ]] || fail "no welcome line; log: $log"
  [ "$log" = $'Vostrel_V1.0 found @ COM0\nWelcome Vostrel user' ] || fail "unexpected log: $log"
  python3 "$here/x11.py" close "$main"
  wait_exit "$prog" 10
  [ "$rc" = 0 ] || fail "exit code $rc after the close box"
done
((${#times[@]} > 0)) || fail "the program never found the unit"
echo "ok: unit on COM0 -> welcome, close box -> exit code 0"
if ((runs > 1)); then
  sorted=($(printf '%s\n' "${times[@]}" | sort -n))
  echo "start-up to readable welcome (ms): ${times[*]}; median ${sorted[$((${#sorted[@]} / 2))]}"
fi
