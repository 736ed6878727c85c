#!/usr/bin/env bash
# The end of a session (SIGTERM) while a pass waits for the user: the real
# program ends the pass, writes its preferences file and is gone. One round
# for each kind of wait: a confirmation, a notice, the missing-script notice
# that comes back until the script is there.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/program_lib.sh"
program="$1"
work=$(mktemp -d "$2/program_quit-XXXXXX")
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"' EXIT
# Preferences: the defaults, with the notice kind of line 9 and the save
# place of lines 5 and 6 as given.
prefs() { # alarmType saveType savePlace
  printf 'TEXT,ttro\rtxt\r[fixed]\rttxt\r%s\r%s\rboth\rboth\r%s\r辞書.dict\r\r\r' "$2" "$3" "$1"
  printf '\r%.0s' $(seq 10)
  printf 'Osaka,12\r%.0s' 1 2 3 4
  printf 'NormalProof\rmanualWorkFrow\rnoLogging\r\r'
}

round() { # name rule alarmType saveType savePlace
  local name="$1" dir="$work/$1"
  mkdir -p "$dir/app/Dictionary" "$dir/config" "$dir/in"
  cp "$program" "$dir/app/tesvora"
  printf 'Tesvora Dictionary,10,10,400,300,UTF8\r%s\r' "$2" > "$dir/app/Dictionary/辞書.dict"
  printf '明日は出来る。\n' > "$dir/in/memo.txt"
  prefs "$3" "$4" "$5" > "$dir/config/Tesvora Prefs"
  XDG_CONFIG_HOME="$dir/config" "$dir/app/tesvora" &
  pid=$!
  for _ in $(seq 100); do
    gdbus introspect --session --dest org.tesvora.Tesvora --object-path /org/tesvora/Tesvora >/dev/null 2>&1 && break
    sleep 0.1
  done
  check "$name: prof answered" "(true,)" "$(call HandleEvent Tv9x prof '' "$dir/in/memo.txt")"
  sleep 1.5
  kill -0 "$pid" 2>/dev/null; check "$name: the pass waits" "0" "$?"
  kill -TERM "$pid"
  local status=timeout
  for _ in $(seq 100); do
    if ! kill -0 "$pid" 2>/dev/null; then wait "$pid"; status=$?; break; fi
    sleep 0.1
  done
  [ "$status" = timeout ] && kill -9 "$pid" 2>/dev/null
  pid=
  check "$name: gone after SIGTERM" "0" "$status"
  check "$name: preferences written, thirty lines" "30" "$(tr -cd '\r' < "$dir/config/Tesvora Prefs" | wc -c)"
  check "$name: the pass recorded its file" "memo.txt"$'\t'"$dir/in/memo.txt" \
    "$(tr '\r' '\n' < "$dir/config/Tesvora Prefs" | sed -n 13p)"
  check "$name: input untouched" "明日は出来る。" "$(cat "$dir/in/memo.txt")"
}

round confirmation $'出来る\tできる\t--*-----\t' none sameplace ''
round notice $'出来る\tできる\t--------\t' dialog absolutepath "$work/no-such-folder/"
round missing-script $'出来る\tnone.sh\t---*----\t' none sameplace ''

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
