#!/usr/bin/env bash
# leaks_test.sh VXTTS: vxtts under valgrind's memcheck loses no memory for good ("definitely
# lost") and makes no invalid access, on the ways a user takes: a short text, a long text from a
# file, spelling, the eSpeak NG voice, SAPI XML, and a command that fails (an unknown voice).
set -euo pipefail
vxtts=$1
. "$(dirname "$0")/checks.sh"
export XDG_CONFIG_HOME=$folder/config
python3 -c "print('Вышел зайчик погулять, 25 км, 3 рубля, John. ' * 60)" >"$folder/long.txt"
# run EXPECTED-EXIT ARGS...: vxtts ARGS under memcheck; its own exit code must be EXPECTED-EXIT,
# and memcheck's report (exit code 99) must be empty.
run() {
  local expected=$1 status=0
  shift
  valgrind --quiet --leak-check=full --show-leak-kinds=definite --errors-for-leak-kinds=definite --error-exitcode=99 \
    --log-file="$folder/memcheck.log" "$vxtts" "$@" >/dev/null 2>"$folder/error" || status=$?
  if [ "$status" -ne "$expected" ] || [ -s "$folder/memcheck.log" ]; then
    fail "vxtts $* (exit code $status, not $expected):"
    cat "$folder/memcheck.log" "$folder/error"
  fi
}
run 0 say -o "$folder/a.wav" "Привет, мир. 25 км."
run 0 say -o "$folder/b.wav" -f "$folder/long.txt"
run 0 say --spell -o "$folder/c.wav" "абв 12"
run 0 say -v espeak_ru -o "$folder/d.wav" "Да, world."
run 0 say --xml -o "$folder/e.wav" '<rate speed="3">Раз</rate> <bookmark mark="1"/>два'
run 1 say -v nobody -o "$folder/f.wav" "Да"
finish
