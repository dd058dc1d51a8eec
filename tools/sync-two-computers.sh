#!/usr/bin/env bash
# One notebook on two computers, with a real sync program in between.
#
# Two Syncthing instances run on this machine ("desktop" A and "laptop" B),
# each with its own home and notebook folder, talking only over 127.0.0.1
# (no GUI, no discovery, no relays, no NAT, no reporting). The program on
# each computer is yurimoka_sync_driver, which opens, changes and saves the
# folder through the notebook code itself.
#
# What happens, twice (the second time B adds a haiku of its own before
# quitting, and both computers hand out the same memo number):
#   1. both folders hold the same notebook, and Syncthing has them in sync
#      (the first time, both start as a copy of tests/data/notebook);
#   2. B opens the notebook and stays open (the program left open on the laptop);
#   3. A adds a haiku and saves (the desktop);
#   4. wait until A's files have arrived in B's folder;
#   5. B quits: it must leave A's haiku.dat (and memo) alone and put its own
#      version beside it as haiku.dat.conflict-*, reported to the poet;
#   6. wait until that has synced back: both folders hold A's haiku.dat byte for
#      byte and the same conflict copy, and Syncthing itself saw no conflict.
# Then each side opens the notebook once more: A's haiku, nothing written.
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
limit=${YURIMOKA_SYNC_LIMIT:-120} # seconds for the whole run, Syncthing start-up included
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

started=$SECONDS # the limit is for the run itself, not for the install
tmp="$(mktemp -d /tmp/yurimoka-sync.XXXXXX)"
pids=()
watchdog=""
cleanup() {
  local status=$?
  trap '' TERM INT # nothing interrupts the cleaning up
  [ -n "$watchdog" ] && kill "$watchdog" 2>/dev/null && wait "$watchdog" 2>/dev/null || true
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
  if [ "${KEEP:-}" = "1" ]; then echo "kept: $tmp"; else rm -rf "$tmp"; fi
  exit $status
}
trap cleanup EXIT
trap 'echo "FAIL: stopped after $((SECONDS - started)) s"; exit 1' TERM INT
# The hard bound: whatever hangs, the run ends a few seconds after the limit
# and Syncthing is stopped. Waits give up at the limit itself.
(
  trap 'kill $sleeper 2>/dev/null; exit 0' TERM
  sleep $((limit + 5)) &
  sleeper=$!
  wait $sleeper && kill -TERM $$
) 2>/dev/null &
watchdog=$!

# Seconds left before the limit (at least 1: "timeout 0" would wait forever).
left() {
  local n=$((limit - (SECONDS - started)))
  echo $((n > 0 ? n : 1))
}

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
  pids+=("$!")
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

# The conflict copies of $1 in B's folder, one a line.
copies_of() { (cd "$laptop" && ls -1d -- "$1".conflict-* 2>/dev/null) || true; }
sjis() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }

# One round: B opens the notebook and stays open; A adds a haiku and saves;
# once A's files have arrived, B quits, with a haiku of its own when given.
# $1 A's poem, $2 B's poem or "", $3 how many haiku B finds on opening.
round=0
run_round() {
  local a_poem=$1 b_poem=$2 count=$3 r b_pid a_memo b_memo before copy size a_seen carried
  round=$((round + 1))
  r="round $round:"
  cp "$laptop/haiku.dat" "$tmp/b-opened.dat"
  before=$(copies_of haiku.dat)

  # B: the program left open on the laptop, waiting for the poet to close it.
  rm -f "$tmp/b.in"
  mkfifo "$tmp/b.in"
  timeout "$(left)" "$driver" load-and-hold "$laptop" ${b_poem:+"$b_poem"} \
    <"$tmp/b.in" >"$tmp/b$round.out" 2>&1 &
  b_pid=$!
  pids+=("$b_pid")
  exec 3>"$tmp/b.in"
  wait_for "$r B has the notebook open with $count haiku" grep -q "^ready haiku=$count\$" "$tmp/b$round.out"

  # A: the desktop adds a haiku and saves.
  timeout "$(left)" "$driver" add-haiku "$desktop" "$a_poem" >"$tmp/a$round.out" 2>&1 ||
    fail "$r A could not save: $(cat "$tmp/a$round.out")"
  ! grep -q '^problem' "$tmp/a$round.out" || fail "$r A's save reported: $(cat "$tmp/a$round.out")"
  grep -q "^saved haiku=$((count + 1))\$" "$tmp/a$round.out" || fail "$r A's save: $(cat "$tmp/a$round.out")"
  a_memo=$(sed -n 's/^added memo=[0-9]* file=//p' "$tmp/a$round.out")
  cp "$desktop/haiku.dat" "$tmp/a-haiku.dat"
  cp "$desktop/$a_memo" "$tmp/a-memo"
  note "$r A saved haiku no. $((count + 1)) with its memo $a_memo: $a_poem"
  arrived() { same haiku.dat && same haiku.ini && same "$a_memo"; }
  wait_for "$r A's haiku.dat, haiku.ini and $a_memo have arrived in B's folder" arrived

  # B quits.
  a_seen=$(grep -c '"type":"ItemFinished"' "$tmp/a-audit.log" || true)
  echo >&3
  exec 3>&-
  wait "$b_pid" || fail "$r B's save failed: $(cat "$tmp/b$round.out")"
  note "$r B quit${b_poem:+ after adding its own haiku $b_poem}; it said:"
  sed 's/^/      /' "$tmp/b$round.out"

  cmp -s "$laptop/haiku.dat" "$tmp/a-haiku.dat" || fail "$r B overwrote A's haiku.dat"
  copy=$(comm -13 <(echo "$before") <(copies_of haiku.dat))
  [ -n "$copy" ] || fail "$r B left no haiku.dat.conflict-* beside A's file"
  [ "$(echo "$copy" | wc -l)" -eq 1 ] || fail "$r B left more than one new copy: $copy"
  grep -q "^problem haiku.dat savedAs=$copy " "$tmp/b$round.out" || fail "$r B did not report $copy"
  if [ -z "$b_poem" ]; then
    cmp -s "$laptop/$copy" "$tmp/b-opened.dat" || fail "$r $copy is not the haiku.dat B had opened"
  else
    # B's haiku at the head, then every haiku B had opened, unchanged.
    size=$(stat -c %s "$tmp/b-opened.dat")
    cmp -s <(tail -c "$size" "$laptop/$copy") "$tmp/b-opened.dat" || fail "$r $copy lost haiku B had opened"
    head -c $(($(stat -c %s "$laptop/$copy") - size)) "$laptop/$copy" | LC_ALL=C grep -qF -- "$(sjis "$b_poem")" ||
      fail "$r $copy does not begin with B's haiku"
    b_memo=$(sed -n 's/^added memo=[0-9]* file=//p' "$tmp/b$round.out")
    if [ "$b_memo" = "$a_memo" ]; then
      # Both computers handed out the same memo number: A's memo stays, B's goes beside it.
      cmp -s "$laptop/$a_memo" "$tmp/a-memo" || fail "$r B overwrote A's memo $a_memo"
      local memo_copy
      memo_copy=$(copies_of "$a_memo")
      [ -n "$memo_copy" ] && cmp -s "$laptop/$memo_copy" <(sjis "$b_poem のメモ"$'\r\n') ||
        fail "$r B's memo is not beside A's $a_memo"
      grep -q "^problem $a_memo savedAs=$memo_copy " "$tmp/b$round.out" ||
        fail "$r B did not report $memo_copy"
      note "$r both computers used $a_memo: A's kept, B's beside it as $memo_copy"
    fi
  fi

  wait_for "$r B's copies have arrived in A's folder" same "$copy"
  wait_for "$r Syncthing reports both folders in sync again" in_sync
  cmp -s "$desktop/haiku.dat" "$tmp/a-haiku.dat" || fail "$r A's haiku.dat changed after B quit"
  cmp -s "$desktop/$a_memo" "$tmp/a-memo" || fail "$r A's memo changed after B quit"
  # B's quit gave the sync program nothing to carry but the copies beside A's
  # files, the memo of the haiku B entered itself (under a number of its own:
  # a memo file already there is never written over) and the day's kept
  # states of the haiku file in 履歴/.
  carried=$(grep '"type":"ItemFinished"' "$tmp/a-audit.log" | tail -n +$((a_seen + 1)) |
    sed -n 's/.*"item":"\([^"]*\)".*/\1/p' | grep -v '\.conflict-' | grep -v '^履歴/' | grep -vxF -- "${b_memo:-/}" |
    sort -u | tr '\n' ' ' || true)
  [ -z "$carried" ] || fail "$r B's quit changed more than its copies; A received: $carried"
  theirs=$(find "$desktop" "$laptop" -name '*sync-conflict*' -printf '%P ')
  [ -z "$theirs" ] || fail "$r Syncthing saw a conflict of its own: $theirs"
  copies+=("$copy")
}

copies=()
# The poet left the laptop open and wrote on the desktop.
run_round "机より届きし句なり冬の朝" "" 3
# The same, and this time the laptop's poet wrote a haiku too before closing.
run_round "二つ目も机で詠みし時雨かな" "膝の上ノートに一句小春かな" 4

# Each computer opens the notebook once more and closes it: A's five haiku
# load from haiku.dat alone, and a close with nothing changed writes nothing.
state() { (cd "$1" && find . -path ./.stfolder -prune -o -type f -printf '%P %s %T@\n' -exec md5sum {} + | sort); }
for side in desktop laptop; do
  before=$(state "$tmp/$side")
  timeout "$(left)" "$driver" load-and-hold "$tmp/$side" </dev/null >"$tmp/$side-again.out" 2>&1 ||
    fail "$side could not open again: $(cat "$tmp/$side-again.out")"
  grep -q '^ready haiku=5$' "$tmp/$side-again.out" && grep -q '^saved haiku=5$' "$tmp/$side-again.out" &&
    ! grep -q '^problem' "$tmp/$side-again.out" || fail "$side opened again: $(cat "$tmp/$side-again.out")"
  [ "$(state "$tmp/$side")" = "$before" ] || fail "$side wrote files on a close with nothing changed"
  note "$side opens the notebook again: 5 haiku, nothing written$(grep -c '^notice' "$tmp/$side-again.out" |
    sed 's/^0$//; s/^[0-9][0-9]*$/, & notices/')"
done

listing() { (cd "$1" && find . -path ./.stfolder -prune -o -type f -printf '%P\n' | sort); }
[ "$(listing "$desktop")" = "$(listing "$laptop")" ] ||
  fail "the folders differ: $(diff <(listing "$desktop") <(listing "$laptop"))"
note "both folders hold:"
listing "$desktop" | sed 's/^/      /'
echo "PASS: A's haiku.dat kept byte for byte in both folders both times; B's versions beside it as" \
  "${copies[*]} ($((SECONDS - started)) s)"
