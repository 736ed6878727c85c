#!/usr/bin/env bash
# Starts the real program in its own application and preferences folders,
# sends it application events over the session bus as another program would,
# and checks the answers and what they changed.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/program_lib.sh"
program="$1"
work=$(mktemp -d "$2/program_events-XXXXXX")
trap 'kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

mkdir -p "$work/app/Dictionary" "$work/config"
cp "$program" "$work/app/tesvora"
: > "$work/app/Dictionary/一般.dict"
printf 'Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r' > "$work/app/Dictionary/技術.dict"
mkdir -p "$work/in/sub"
printf '明日は出来る。\r\n' > "$work/in/memo.txt"
printf '出来る限り\n' > "$work/in/sub/note.txt"
export XDG_CONFIG_HOME="$work/config"
"$work/app/tesvora" &
pid=$!
for _ in $(seq 100); do
  gdbus introspect --session --dest org.tesvora.Tesvora --object-path /org/tesvora/Tesvora >/dev/null 2>&1 && break
  sleep 0.1
done

check "used names a listed dictionary" "(true,)" "$(call HandleEvent Tv9x used 技術.dict '')"
check "used with an unknown name" "(false,)" "$(call HandleEvent Tv9x used 無い.dict '')"
check "used without dict" "(false,)" "$(call HandleEvent Tv9x used '' '')"
check "another class" "(false,)" "$(call HandleEvent XXXX used 一般.dict '')"
check "unknown ID still selects" "(false,)" "$(call HandleEvent Tv9x zzzz 一般.dict '')"
check "quit only answers" "(true,)" "$(call HandleEvent Tv9x quit '' '')"
kill -0 "$pid" 2>/dev/null; check "still running after quit event" "0" "$?"

# A pass over a folder with the dictionary the event names.
check "prof is answered at once" "(true,)" "$(call HandleEvent Tv9x prof 技術.dict "$work/in")"
for _ in $(seq 100); do
  [ -f "$work/in/sub/note[fixed].txt" ] && break
  sleep 0.1
done
check "first output, CR LF kept" "明日はできる。"$'\r' "$(cat "$work/in/memo[fixed].txt")"
check "second output, LF kept" "できる限り" "$(cat "$work/in/sub/note[fixed].txt")"
check "inputs untouched" "明日は出来る。"$'\r' "$(cat "$work/in/memo.txt")"

# A second start hands its documents over and ends at once.
(cd "$work" && timeout 20 "$work/app/tesvora" no-such-document.txt); check "second start exits" "0" "$?"
timeout 20 "$work/app/tesvora"; check "second start without documents exits" "0" "$?"

kill -TERM "$pid"
wait "$pid"; check "quits on SIGTERM" "0" "$?"
prefs="$work/config/Tesvora Prefs"
check "thirty lines" "30" "$(tr -cd '\r' < "$prefs" | wc -c)"
check "current dictionary written" "技術.dict" "$(tr '\r' '\n' < "$prefs" | sed -n 10p)"
check "recent documents recorded" "note.txt"$'\t'"$work/in/sub/note.txt" "$(tr '\r' '\n' < "$prefs" | sed -n 13p)"
check "Script created" "yes" "$([ -d "$work/app/Script" ] && echo yes)"

echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
