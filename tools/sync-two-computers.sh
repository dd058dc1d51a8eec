#!/usr/bin/env bash
# One notebook on two computers, with a real sync program in between.
#
# Two Syncthing instances run on this machine ("desktop" A and "laptop" B),
# each with its own home and notebook folder, talking only over 127.0.0.1
# (no GUI, no discovery, no relays, no NAT, no reporting). The program on
# each computer is yurimoka_sync_driver, which opens, changes and saves the
# folder through the notebook code itself.
#
# What happens:
#   1. both folders start with the same notebook; wait until they are in sync;
#   2. B opens the notebook and stays open (the program left open on the laptop);
#   3. A adds a haiku and saves (the desktop);
#   4. wait until A's files have arrived in B's folder;
#   5. B quits: it must leave A's haiku.dat alone and put its own version beside
#      it as haiku.dat.conflict-*;
#   6. wait until that has synced back: both folders hold A's haiku.dat byte for
#      byte and the same conflict copy, and Syncthing itself saw no conflict.
#
# Usage: tools/sync-two-computers.sh [--ctest] [DRIVER]
#   DRIVER   the yurimoka_sync_driver executable (default build/tests/...)
#   --ctest  exit 77 (skipped) unless YURIMOKA_SYNCTHING_TEST=1
# Set KEEP=1 to keep the temporary folder for a look afterwards.
# Prints PASS or FAIL with what was seen; exits 0 only on PASS.
set -euo pipefail

here="$(cd "$(dirname "$0")/.." && pwd)"
if [ "${1:-}" = "--ctest" ]; then
  shift
  if [ "${YURIMOKA_SYNCTHING_TEST:-}" != "1" ]; then
    echo "skipped: set YURIMOKA_SYNCTHING_TEST=1 to run two Syncthing instances"
    exit 77
  fi
fi
driver="${1:-$here/build/tests/yurimoka_sync_driver}"
limit=120 # seconds for the whole run, Syncthing start-up included
started=$SECONDS
export LC_ALL=C.UTF-8

fail() {
  echo "FAIL: $*"
  exit 1
}
note() { printf '[%3ds] %s\n' $((SECONDS - started)) "$*"; }

[ -x "$driver" ] || fail "no driver at $driver (build first: cmake --build build)"

if ! command -v syncthing >/dev/null; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  note "installing syncthing"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq && $SUDO apt-get install -y -qq --no-install-recommends syncthing >/dev/null ||
    fail "syncthing is not installed and could not be installed"
fi

tmp="$(mktemp -d /tmp/yurimoka-sync.XXXXXX)"
pids=()
watchdog=""
cleanup() {
  local status=$?
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null && wait "$watchdog" 2>/dev/null
  if [ "${KEEP:-}" = "1" ]; then echo "kept: $tmp"; else rm -rf "$tmp"; fi
  exit $status
}
trap cleanup EXIT
trap 'echo "FAIL: stopped after ${limit} s"; exit 1' TERM INT
# The hard bound: whatever hangs, the run ends and Syncthing is stopped.
(
  trap 'kill $sleeper 2>/dev/null; exit 0' TERM
  sleep "$limit" &
  sleeper=$!
  wait $sleeper && kill -TERM $$
) 2>/dev/null &
watchdog=$!

# Waits until the command succeeds, at most until the overall limit.
wait_for() {
  local what="$1"
  shift
  until "$@"; do
    [ $((SECONDS - started)) -lt "$limit" ] || fail "timed out waiting for: $what"
    sleep 0.2
  done
  note "$what"
}

# Two free loopback ports for listening: nothing answers there now.
free_port() {
  local p
  while :; do
    p=$((20000 + RANDOM % 40000))
    if [ "$p" != "${1:-}" ] && ! (exec 3<>"/dev/tcp/127.0.0.1/$p") 2>/dev/null; then
      echo "$p"
      return
    fi
  done
}
port_a=$(free_port)
port_b=$(free_port "$port_a")

desktop="$tmp/desktop"
laptop="$tmp/laptop"
for f in "$desktop" "$laptop"; do
  mkdir -p "$f"
  cp -a "$here/tests/data/notebook/." "$f/"
  mkdir -p "$f/.stfolder" # Syncthing's marker: this folder is the one it shares
done

syncthing generate --home="$tmp/a-home" --no-default-folder >/dev/null 2>&1 || fail "syncthing generate (A)"
syncthing generate --home="$tmp/b-home" --no-default-folder >/dev/null 2>&1 || fail "syncthing generate (B)"
id_a=$(syncthing serve --home="$tmp/a-home" --device-id)
id_b=$(syncthing serve --home="$tmp/b-home" --device-id)

# config.xml for one side: $1 home, $2 own port, $3 folder path, $4 and $5
# where it finds A and B. Only A dials: two instances dialling each other at
# the same moment wait 20 s for a Hello that never comes. Anything left out
# takes Syncthing's default.
write_config() {
  cat >"$1/config.xml" <<EOF
<configuration version="36">
    <folder id="yurimoka" label="yurimoka" path="$3" type="sendreceive" rescanIntervalS="2" fsWatcherEnabled="true" fsWatcherDelayS="1" ignorePerms="false" autoNormalize="true">
        <filesystemType>basic</filesystemType>
        <device id="$id_a"></device>
        <device id="$id_b"></device>
        <minDiskFree unit="%">0</minDiskFree>
        <markerName>.stfolder</markerName>
    </folder>
    <device id="$id_a" name="desktop" compression="metadata" introducer="false">
        <address>$4</address>
    </device>
    <device id="$id_b" name="laptop" compression="metadata" introducer="false">
        <address>$5</address>
    </device>
    <gui enabled="false" tls="false">
        <address>127.0.0.1:0</address>
    </gui>
    <options>
        <listenAddress>tcp://127.0.0.1:$2</listenAddress>
        <globalAnnounceEnabled>false</globalAnnounceEnabled>
        <localAnnounceEnabled>false</localAnnounceEnabled>
        <relaysEnabled>false</relaysEnabled>
        <natEnabled>false</natEnabled>
        <stunKeepaliveStartS>0</stunKeepaliveStartS>
        <urAccepted>-1</urAccepted>
        <urSeen>3</urSeen>
        <crashReportingEnabled>false</crashReportingEnabled>
        <startBrowser>false</startBrowser>
        <autoUpgradeIntervalH>0</autoUpgradeIntervalH>
        <reconnectionIntervalS>1</reconnectionIntervalS>
        <minHomeDiskFree unit="%">0</minHomeDiskFree>
    </options>
</configuration>
EOF
}
write_config "$tmp/a-home" "$port_a" "$desktop" dynamic "tcp://127.0.0.1:$port_b"
write_config "$tmp/b-home" "$port_b" "$laptop" dynamic dynamic

# Events go to an audit file, one JSON object a line: with the GUI off there
# is no REST interface to ask.
for side in a b; do
  STNORESTART=1 STNOUPGRADE=1 syncthing serve --home="$tmp/$side-home" --no-browser --no-restart \
    --no-upgrade --no-default-folder --skip-port-probing --audit --auditfile="$tmp/$side-audit.log" \
    --logflags=3 >"$tmp/$side-syncthing.log" 2>&1 &
  pids+=($!)
done
note "Syncthing A on 127.0.0.1:$port_a, B on 127.0.0.1:$port_b ($(syncthing --version | cut -d' ' -f2))"

connected() { grep -q '"type":"DeviceConnected"' "$tmp/a-audit.log" 2>/dev/null &&
  grep -q '"type":"DeviceConnected"' "$tmp/b-audit.log" 2>/dev/null; }
# With the GUI off there is no REST interface to ask, so "in sync" is read
# from the events: each side has had an index from the other since the
# other's last local change, has finished every item it started and is not
# pulling; and the two folders hold the same files, byte for byte.
event_time() { # $1 side, $2 event type: nanoseconds of the last one, 0 if none
  local t
  t=$(grep "\"type\":\"$2\"" "$tmp/$1-audit.log" 2>/dev/null | tail -n 1 | sed -n 's/.*"time":"\([^"]*\)".*/\1/p')
  if [ -n "$t" ]; then date -d "$t" +%s%N; else echo 0; fi
}
heard_from() { [ "$(event_time "$1" RemoteIndexUpdated)" -gt "$(event_time "$2" LocalIndexUpdated)" ]; }
settled() {
  local log="$tmp/$1-audit.log"
  if grep '"type":"ItemFinished"' "$log" | grep -v '"error":null' | grep -q .; then
    fail "Syncthing $1 could not sync an item: $(grep '"type":"ItemFinished"' "$log" | grep -v '"error":null' | head -n 3)"
  fi
  [ "$(grep -c '"type":"ItemStarted"' "$log")" = "$(grep -c '"type":"ItemFinished"' "$log")" ] &&
    ! grep '"type":"StateChanged"' "$log" | tail -n 1 | grep -q '"to":"sync'
}
same_trees() { diff -r --exclude=.stfolder "$desktop" "$laptop" >/dev/null 2>&1; }
in_sync() { connected && settled a && settled b && heard_from a b && heard_from b a && same_trees; }
same() { cmp -s "$desktop/$1" "$laptop/$1"; }

wait_for "both instances connected" connected
wait_for "Syncthing reports both folders in sync" in_sync

# B: the program open on the laptop, waiting for the poet to close it.
mkfifo "$tmp/b.in"
timeout $((limit - (SECONDS - started))) "$driver" load-and-hold "$laptop" <"$tmp/b.in" >"$tmp/b.out" 2>&1 &
b_pid=$!
pids+=($b_pid)
exec 3>"$tmp/b.in"
wait_for "B has the notebook open" grep -q '^ready haiku=3$' "$tmp/b.out"

# A: the desktop adds a haiku and saves.
poem="机より届きし句なり冬の朝"
timeout 30 "$driver" add-haiku "$desktop" "$poem" >"$tmp/a.out" 2>&1 || fail "A could not save: $(cat "$tmp/a.out")"
grep -q '^problem' "$tmp/a.out" && fail "A's save reported: $(cat "$tmp/a.out")"
grep -q '^saved haiku=4$' "$tmp/a.out" || fail "A's save: $(cat "$tmp/a.out")"
cp "$desktop/haiku.dat" "$tmp/a-haiku.dat"
note "A saved a fourth haiku: $poem"

arrived() { same haiku.dat && same haiku.ini && same memo1/m1000013.txt; }
wait_for "A's haiku.dat, haiku.ini and memo have arrived in B's folder" arrived

# B quits with nothing changed of its own.
echo >&3
exec 3>&-
wait "$b_pid" || fail "B's save failed: $(cat "$tmp/b.out")"
note "B quit and saved; it said:"
sed 's/^/      /' "$tmp/b.out"

cmp -s "$laptop/haiku.dat" "$tmp/a-haiku.dat" || fail "B overwrote A's haiku.dat in its own folder"
copies=("$laptop"/haiku.dat.conflict-*)
[ -e "${copies[0]}" ] || fail "B left no haiku.dat.conflict-* beside A's file"
[ ${#copies[@]} -eq 1 ] || fail "B left ${#copies[@]} conflict copies of haiku.dat"
copy="$(basename "${copies[0]}")"
cmp -s "$laptop/$copy" "$here/tests/data/notebook/haiku.dat" || fail "$copy does not hold B's version"
grep -q "^problem haiku.dat savedAs=$copy " "$tmp/b.out" || fail "B did not report $copy"

wait_for "B's conflict copy has arrived in A's folder" same "$copy"
wait_for "Syncthing reports both folders in sync again" in_sync
cmp -s "$desktop/haiku.dat" "$tmp/a-haiku.dat" || fail "A's haiku.dat changed after B quit"
same haiku.dat || fail "the two folders hold different haiku.dat"
theirs=$(find "$desktop" "$laptop" -name '*sync-conflict*' -printf '%P ')
[ -z "$theirs" ] || fail "Syncthing saw a conflict: $theirs"

listing() { (cd "$1" && find . -path ./.stfolder -prune -o -type f -printf '%P\n' | sort); }
[ "$(listing "$desktop")" = "$(listing "$laptop")" ] || fail "the folders differ: $(diff <(listing "$desktop") <(listing "$laptop"))"
note "both folders hold:"
listing "$desktop" | sed 's/^/      /'
echo "PASS: A's haiku.dat kept byte for byte in both folders, B's version beside it as $copy" \
  "($((SECONDS - started)) s)"
