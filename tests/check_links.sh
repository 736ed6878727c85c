#!/usr/bin/env bash
# Reads the link lines back from CMake (a fresh configure of the source tree
# with --graphviz) and fails when they break the layering:
# - the display-free libraries reach no Qt Gui, Widgets or D-Bus and no
#   window library;
# - the subsystems' window libraries reach the shell only through
#   tv_app_shell, never the application object's library tv_app_ui;
# - the application object's library reaches no subsystem's windows (it
#   opens them through the factories they register);
# - the engine library tv_proofing does not reach the shell's core.
set -euo pipefail
src="$1"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake -S "$src" -B "$work" -DBUILD_TESTING=OFF --graphviz="$work/deps.dot" >"$work/configure.log" 2>&1 || {
  cat "$work/configure.log"; exit 1; }

# "from to" pairs, one a line, from the edges' comments.
sed -n 's|.*// \(.*\) -> \(.*\)$|\1 \2|p' "$work/deps.dot" | sort -u >"$work/edges"
declare -A next
while read -r from to; do next[$from]+=" $to"; done <"$work/edges"

# Everything a target reaches through its link lines.
reach() {
  local -A seen=()
  local stack=("$1") t n
  while [ ${#stack[@]} -gt 0 ]; do
    t=${stack[-1]}; unset 'stack[-1]'
    for n in ${next[$t]:-}; do
      [ -n "${seen[$n]:-}" ] && continue
      seen[$n]=1; stack+=("$n")
    done
  done
  printf '%s\n' "${!seen[@]}"
}

fail=0
violation() { echo "$1"; fail=1; }

core=(tv_platform tv_encoding tv_dictionary tv_proofing tv_pass tv_app_core)
for t in tv_workspace tv_preferences tv_trial; do
  grep -q "^$t " "$work/edges" && core+=("$t")
done
windows=(tv_dictionary_ui tv_pass_ui tv_workspace_ui tv_preferences_ui tv_trial_ui)

for t in "${core[@]}"; do
  grep -q "^$t " "$work/edges" || violation "no library $t"
  for r in $(reach "$t"); do
    case "$r" in
      Qt6::Gui|Qt6::Widgets|Qt6::DBus|*_ui|tv_app_shell|tv_windows) violation "$t (display-free) reaches $r" ;;
    esac
  done
done
for t in "${windows[@]}"; do
  grep -q "^$t " "$work/edges" || violation "no library $t"
  r=$(reach "$t")
  grep -qx tv_app_shell <<<"$r" || violation "$t does not reach the shell's interface"
  grep -qx tv_app_ui <<<"$r" && violation "$t reaches the application object (tv_app_ui)"
  for w in "${windows[@]}"; do
    [ "$w" != "$t" ] && grep -qx "$w" <<<"$r" && violation "$t reaches $w"
  done
done
for r in $(reach tv_app_ui); do
  for w in "${windows[@]}"; do
    [ "$r" = "$w" ] && violation "tv_app_ui reaches $w"
  done
done
reach tv_proofing | grep -qx tv_app_core && violation "tv_proofing reaches tv_app_core"

# No window file includes the application object.
hits=$(grep -rln '#include *"app/ui/App.h"' "$src"/{dictionary,proofing,workspace,preferences,trial}/ui \
  "$src"/app/ui/{Shell,DocumentWindow,SharedDialogs,MenuItems,Pictures,AboutBox}.* 2>/dev/null || true)
[ -n "$hits" ] && violation "window files include app/ui/App.h: $hits"

[ $fail -eq 0 ] && echo "link lines ok"
exit $fail
