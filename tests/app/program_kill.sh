#!/usr/bin/env bash
# Kills the real program with SIGKILL at random moments while it writes a
# large output (a pass over a big file with a rule that changes it) and while
# it writes its preferences file at quit, many times over. After every kill
# the target is the old file or the whole new one, and nothing but the
# user's files shows in a listing; a leftover temporary file is hidden, and
# the next write of that target removes it.
#
# TV_KILL_LOOPS sets the number of kills (40 by default), TV_KILL_MEGABYTES
# the size of the text (30 by default):
#   TV_KILL_LOOPS=1000 dbus-run-session -- tests/app/program_kill.sh build/bin/tesvora build
set -u
. "$(dirname "${BASH_SOURCE[0]}")/program_lib.sh"
program="$1"
work=$(mktemp -d "$(cd "$2" && pwd)/program_kill-XXXXXX")
loops="${TV_KILL_LOOPS:-40}"
megabytes="${TV_KILL_MEGABYTES:-30}"
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
now_ms() { date +%s%3N; }

mkdir -p "$work/app/Dictionary" "$work/config" "$work/in"
cp "$program" "$work/app/tesvora"
printf 'Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r' > "$work/app/Dictionary/技術.dict"
prefs="$work/config/Tesvora Prefs"
{
  printf '%s\r' 'TEXT,ttro' 'txt,text,html,htm' '[fixed]' ttxt sameplace '' none none none 技術.dict '' ''
  for _ in $(seq 10); do printf '\r'; done
  for _ in $(seq 4); do printf 'Osaka,12\r'; done
  printf 'NormalProof\rmanualWorkFrow\rnoLogging\r\r'
} > "$prefs"
cp "$prefs" "$work/prefs.old"
yes '明日は出来る。出来る限り、長い行を書いておく。' | head -c $((megabytes * 1000000)) > "$work/in/big.txt"
sed 's/出来る/できる/g' "$work/in/big.txt" > "$work/new"
printf 'the old output\n' > "$work/old"
target="$work/in/big[fixed].txt"
export XDG_CONFIG_HOME="$work/config"

start() { # documents...
  "$work/app/tesvora" "$@" >/dev/null 2>&1 &
  pid=$!
}
stop9() {
  kill -9 "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  pid=
  # The bus forgets the name once the connection is gone.
  for _ in $(seq 50); do running || break; sleep 0.05; done
}
# What a listing shows (hidden names left out) besides the user's files.
shown_extra() { # folder expected-names...
  local folder="$1"
  shift
  ls "$folder" | grep -vxF -f <(printf '%s\n' "$@") | tr '\n' ' '
}

# One run to the end: how long a whole write takes.
cp "$work/old" "$target"
t0=$(now_ms)
start "$work/in/big.txt"
for _ in $(seq 600); do cmp -s "$target" "$work/new" && break; sleep 0.1; done
span=$(( $(now_ms) - t0 ))
check "a whole run writes the new file" "new" "$(cmp -s "$target" "$work/new" && echo new)"
kill -TERM "$pid"; wait "$pid"; pid=
check "quit writes thirty lines" "30" "$(tr -cd '\r' < "$prefs" | wc -c)"
check "quit records the document" "big.txt" "$(tr '\r' '\n' < "$prefs" | sed -n 13p | cut -f1)"
echo "one pass over ${megabytes} MB with start and save: ${span} ms"

old_seen=0; new_seen=0; leftovers=0; prefs_kills=0
for i in $(seq "$loops"); do
  cp "$work/old" "$target"
  if [ $((i % 4)) -eq 0 ]; then
    # At quit: the preferences file.
    cp "$work/prefs.old" "$prefs"
    start
    for _ in $(seq 100); do running && break; sleep 0.05; done
    kill -TERM "$pid" 2>/dev/null
    sleep "0.$(printf '%03d' $((RANDOM % 400)))"
    stop9
    prefs_kills=$((prefs_kills + 1))
    if ! cmp -s "$prefs" "$work/prefs.old"; then
      check "kill $i: preferences whole" "30 技術.dict" \
        "$(tr -cd '\r' < "$prefs" | wc -c) $(tr '\r' '\n' < "$prefs" | sed -n 10p)"
    fi
    check "kill $i: nothing shown in the preferences folder" "" "$(shown_extra "$work/config" 'Tesvora Prefs')"
    ls -A "$work/config" | grep -q tvsave && leftovers=$((leftovers + 1))
  else
    start "$work/in/big.txt"
    delay=$(( RANDOM * 32768 + RANDOM ))
    delay=$(( delay % (span + span / 5 + 1) ))
    sleep "$((delay / 1000)).$(printf '%03d' $((delay % 1000)))"
    stop9
    if cmp -s "$target" "$work/old"; then old_seen=$((old_seen + 1))
    elif cmp -s "$target" "$work/new"; then new_seen=$((new_seen + 1))
    else check "kill $i after ${delay} ms: old or whole new" "old or new" "$(wc -c < "$target") bytes"; fi
    check "kill $i: inputs untouched" "$megabytes" "$(( $(wc -c < "$work/in/big.txt") / 1000000 ))"
    check "kill $i: nothing shown beside the files" "" "$(shown_extra "$work/in" big.txt 'big[fixed].txt')"
    ls -A "$work/in" | grep -q tvsave && leftovers=$((leftovers + 1))
  fi
done
echo "kills: $loops (preferences $prefs_kills); target old $old_seen, new $new_seen; leftovers hidden $leftovers"

# A leftover of each target, then one whole run and quit: the next writes
# remove them.
cp "$work/old" "$target"
head -c 1000 "$work/new" > "$work/in/.big[fixed].txt.tvsave"
head -c 10 "$prefs" > "$work/config/.Tesvora Prefs.tvsave"
start "$work/in/big.txt"
for _ in $(seq 600); do cmp -s "$target" "$work/new" && break; sleep 0.1; done
check "the run after the kills writes the new file" "new" "$(cmp -s "$target" "$work/new" && echo new)"
# The pass's end steps, then the quit that writes the preferences.
sleep 1
kill -TERM "$pid"; wait "$pid"; check "quits on SIGTERM" "0" "$?"; pid=
check "the output's leftover is gone" "" "$(ls -A "$work/in" | grep tvsave)"
check "the preferences' leftover is gone" "" "$(ls -A "$work/config" | grep tvsave)"
check "preferences whole after the kills" "30" "$(tr -cd '\r' < "$prefs" | wc -c)"

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
