#!/usr/bin/env bash
# Fails when display-free code includes a header of Qt Gui, Qt Widgets or a
# window-layer header of the program.
root="$1"
hits=$(grep -rnE '#include *[<"](Qt(Gui|Widgets)/|Q(Widget|Application|MainWindow|Dialog|MessageBox|Clipboard|Gui[A-Za-z]*|Action|Menu)[>"]|[a-z]+/ui/)' \
  "$root"/*/core 2>/dev/null)
if [ -n "$hits" ]; then
  echo "display-free code includes window code:"
  echo "$hits"
  exit 1
fi
echo "layering ok"
