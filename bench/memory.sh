#!/usr/bin/env bash
# Peak memory of the real program proofreading large inputs: a 20,000-rule
# dictionary over a 1 MB text, a 200 MB text, and a 50 MB single line (one
# rule each for the last two). Prints the peak resident size (VmHWM) of each
# run beside the text's size. Run by hand, never by the test suite:
#
#   QT_QPA_PLATFORM=offscreen dbus-run-session -- bench/memory.sh build/bin/tesvora [work folder]
set -u
program="$1"
base="${2:-$(dirname "$program")/..}"
work=$(mktemp -d "$(cd "$base" && pwd)/bench-memory-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app/Dictionary" "$work/config" "$work/in"
cp "$program" "$work/app/tesvora"
export XDG_CONFIG_HOME="$work/config"

prefs() { # dictionary
  {
    printf '%s\r' 'TEXT,ttro' 'txt,text,html,htm' '[fixed]' ttxt sameplace '' none none none "$1" '' ''
    for _ in $(seq 10); do printf '\r'; done
    for _ in $(seq 4); do printf 'Osaka,12\r'; done
    printf 'NormalProof\rmanualWorkFrow\rnoLogging\r\r'
  } > "$work/config/Tesvora Prefs"
}

printf 'Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r' > "$work/app/Dictionary/one.dict"
{
  printf 'Tesvora Dictionary,10,10,400,300,UTF8\r'
  for i in $(seq -w 1 20000); do printf '語%s\t言%s\t--------\t\r' "$i" "$i"; done
} > "$work/app/Dictionary/many.dict"

# About that many bytes of the line repeated, in whole lines (a character
# cut in two would make the text undecodable).
lines() { # line bytes
  yes "$1" | head -n $(( $2 / $(printf '%s\n' "$1" | wc -c) ))
}

run() { # label dictionary input
  local label="$1" dict="$2" input="$3"
  local out="${input%.txt}[fixed].txt"
  rm -f "$out"
  prefs "$dict"
  local t0 t1 peak
  t0=$(date +%s%3N)
  "$work/app/tesvora" "$input" >/dev/null 2>&1 &
  local pid=$!
  until [ -e "$out" ] || ! kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  t1=$(date +%s%3N)
  sleep 1
  peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
  kill -TERM "$pid"; wait "$pid"
  local bytes
  bytes=$(stat -c %s "$input")
  printf '%-20s text %7.1f MB  peak %6d MB  (%.1f x the text)  %6d ms\n' "$label" \
    "$(echo "$bytes / 1000000" | bc -l)" $((peak / 1024)) "$(echo "$peak * 1024 / $bytes" | bc -l)" $((t1 - t0))
}

lines '明日は語00001も語19999も出来る。長い行を書いておく。' 1000000 > "$work/in/rules.txt"
run "20,000 rules" many.dict "$work/in/rules.txt"
rm -f "$work/in/rules"*
lines '明日は出来る。長い行を書いておく。' 200000000 > "$work/in/big.txt"
run "200 MB text" one.dict "$work/in/big.txt"
rm -f "$work/in/big"*
lines '明日は出来る。長い行を書いておく。' 50000000 | tr -d '\n' > "$work/in/line.txt"
run "50 MB single line" one.dict "$work/in/line.txt"
