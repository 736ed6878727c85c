# Shared by the tests that drive the real program from the shell: checks
# counted for the closing line, calls over the session bus, and whether the
# program answers there. Sourced, not run.
failures=0
passed=0
check() { # description expected actual
  if [ "$2" = "$3" ]; then passed=$((passed + 1)); else echo "FAIL: $1: expected [$2], got [$3]"; failures=$((failures + 1)); fi
}
call() {
  gdbus call --session --dest org.tesvora.Tesvora --object-path /org/tesvora/Tesvora \
    --method "org.tesvora.Tesvora.$1" "${@:2}" 2>&1
}
running() {
  gdbus introspect --session --dest org.tesvora.Tesvora --object-path /org/tesvora/Tesvora >/dev/null 2>&1
}
