#!/usr/bin/env bash
# The real program proofreads a folder of 10,000 files in nested folders,
# with link loops, unreadable files and files that disappear during the
# walk: it keeps answering on the session bus, ends the pass, writes the
# output of every file it could read, and changes no input.
#
# It runs on a real display (tests/support/with-display.sh): a file that
# cannot be read ends the pass with its message, which the test answers with
# Return, as a person would. Unreadable files need a user other than root
# (chmod does not stop root from reading); run as root, that part is left
# out with a message.
set -u
. "$(dirname "${BASH_SOURCE[0]}")/program_lib.sh"
program="$1"
work=$(mktemp -d "$(cd "$2" && pwd)/program_stress-XXXXXX")
pid=
trap '[ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; chmod -R u+rwX "$work" 2>/dev/null; rm -rf "$work"' EXIT
call() {
  timeout 30 gdbus call --session --dest org.tesvora.Tesvora --object-path /org/tesvora/Tesvora \
    --method "org.tesvora.Tesvora.$1" "${@:2}" 2>&1
}

mkdir -p "$work/app/Dictionary" "$work/config" "$work/in"
cp "$program" "$work/app/tesvora"
printf 'Tesvora Dictionary,10,10,400,300,UTF8\r出来る\tできる\t--------\t\r' > "$work/app/Dictionary/技術.dict"
{
  printf '%s\r' 'TEXT,ttro' 'txt,text,html,htm' '[fixed]' ttxt sameplace '' none none none 技術.dict '' ''
  for _ in $(seq 10); do printf '\r'; done
  for _ in $(seq 4); do printf 'Osaka,12\r'; done
  printf 'NormalProof\rmanualWorkFrow\rnoLogging\r\r'
} > "$work/config/Tesvora Prefs"

# 10 x 10 folders of 100 files, two levels down, each with links back up and
# to itself, and two links that point at each other.
for a in $(seq 10); do
  for b in $(seq 10); do
    d="$work/in/a$a/b$b"
    mkdir -p "$d"
    for f in $(seq 100); do printf '出来る %s %s %s\n' "$a" "$b" "$f" > "$d/f$f.txt"; done
    ln -s .. "$d/up"
    ln -s . "$d/self"
  done
  ln -s "$work/in" "$work/in/a$a/top"
  ln -s "$work/in/a$a/x" "$work/in/a$a/y"
  ln -s "$work/in/a$a/y" "$work/in/a$a/x"
done
ln -s /nonexistent/file.txt "$work/in/dangling.txt"
unreadable=0
if [ "$(id -u)" = 0 ]; then
  echo "SKIP: unreadable files: running as root, where chmod 000 does not stop reading"
else
  for a in 2 5 9; do chmod 000 "$work/in/a$a/b3/f7.txt" "$work/in/a$a/b8/f50.txt"; unreadable=$((unreadable + 2)); done
  chmod 000 "$work/in/a4/b4"
  unreadable=$((unreadable + 100))
fi
files=$(find "$work/in" -name '*.txt' -type f | wc -l)
check "ten thousand files" "10000" "$files"
snapshot() { find "$work/in" -name '*.txt' ! -name '*\[fixed\]*' ! -path '*/b10/f9[89].txt' ! -path '*/b10/f100.txt' -type f -perm -u+r 2>/dev/null | sort; }
(cd "$work/in" && cat $(snapshot) 2>/dev/null | md5sum) > "$work/sum.before"

export XDG_CONFIG_HOME="$work/config"
"$work/app/tesvora" >/dev/null 2>&1 &
pid=$!
for _ in $(seq 100); do call HandleEvent Tv9x used 技術.dict '' | grep -q true && break; sleep 0.1; done
check "prof is answered at once" "(true,)" "$(call HandleEvent Tv9x prof 技術.dict "$work/in")"
gone=0

# Answering all along. Once the pass is well on, files it has not reached
# yet go. A file it cannot read ends it with a message, answered here; the
# pass is over when no window says "校正中" and the outputs stop coming.
slow=0
last=-1
stable=0
messages=0
for _ in $(seq 300); do
  answer=$(call HandleEvent Tv9x used 技術.dict '')
  [ "$answer" = "(true,)" ] || slow=$((slow + 1))
  n=$(find "$work/in" -name '*\[fixed\].txt' -type f | wc -l)
  if [ "$gone" = 0 ] && [ "$n" -gt 2000 ]; then
    for a in $(seq 10); do
      for f in 98 99 100; do
        [ -e "$work/in/a$a/b10/f$f[fixed].txt" ] || { rm -f "$work/in/a$a/b10/f$f.txt"; gone=$((gone + 1)); }
      done
    done
  fi
  if [ "$n" = "$last" ]; then stable=$((stable + 1)); else stable=0; fi
  last=$n
  if [ "$stable" -ge 3 ]; then
    for id in $(xdotool search --onlyvisible --name '^Tesvora$' 2>/dev/null); do
      xdotool windowactivate --sync "$id" key Return 2>/dev/null && messages=$((messages + 1))
    done
  fi
  working=$(xdotool search --onlyvisible --name '校正中' 2>/dev/null | head -1)
  [ "$n" -gt 0 ] && [ -z "$working" ] && [ "$stable" -ge 5 ] && break
  sleep 0.2
done
echo "outputs $last; files gone during the pass $gone; unreadable $unreadable; windows answered $messages"
check "every call during the pass answered" "0" "$slow"
kill -0 "$pid" 2>/dev/null; check "still running" "0" "$?"

# Every output is right; without a file that could not be read, every
# readable file has one.
if [ "$gone" = 0 ] && [ "$unreadable" = 0 ]; then
  check "an output for every file" "10000" "$last"
else
  check "the pass went on over most files" "yes" "$([ "$last" -ge 2000 ] && echo yes)"
fi
wrong=0
while IFS= read -r f; do
  out="${f%.txt}[fixed].txt"
  [ "$(cat "$out" 2>/dev/null)" = "$(sed 's/出来る/できる/' "$f")" ] || wrong=$((wrong + 1))
done < <(find "$work/in" -name '*\[fixed\].txt' -type f | sed 's/\[fixed\]\.txt$/.txt/' | grep -v -f <(printf '%s\n' /b10/f98.txt /b10/f99.txt /b10/f100.txt) | head -3000)
check "outputs as the rule says" "0" "$wrong"
(cd "$work/in" && cat $(snapshot) 2>/dev/null | md5sum) > "$work/sum.after"
check "inputs unchanged" "$(cat "$work/sum.before")" "$(cat "$work/sum.after")"
check "no output through a link loop" "" "$(find "$work/in" -path '*/up/*' -o -path '*/self/*' -o -path '*/top/*' | head -1)"
check "no output for the unreadable" "" "$(find "$work/in" -name 'f7\[fixed\].txt' -path '*/a2/b3/*' ! -perm -u+r | head -1)"
check "a second pass is answered" "(true,)" "$(call HandleEvent Tv9x used 技術.dict '')"

kill -TERM "$pid"
wait "$pid"; check "quits on SIGTERM" "0" "$?"
pid=
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
