#!/usr/bin/env bash
# signals_test.sh VXTTS: SIGINT, SIGTERM and SIGHUP while vxtts writes a long text to a WAV file
# end it through its failure path: the shell's code for the signal (130, 143, 129), and neither
# the file nor its hidden temporary copy left in the folder.
set -euo pipefail
# Job control: a background job of a script without it starts with SIGINT ignored.
set -m
vxtts=$1
folder=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-signals.XXXXXX")
trap 'rm -rf "$folder"' EXIT
export XDG_CONFIG_HOME=$folder/config
python3 -c "print('Вышел зайчик погулять, вдруг охотник выбегает. ' * 50000)" >"$folder/long.txt"
mkdir "$folder/out"
failures=0
for signal in INT:130 TERM:143 HUP:129; do
  name=${signal%:*} code=${signal#*:}
  "$vxtts" say -o "$folder/out/said.wav" -f "$folder/long.txt" 2>"$folder/error" &
  speaker=$!
  sleep 1
  kill -s "$name" "$speaker"
  status=0
  wait "$speaker" || status=$?
  [ "$status" -eq "$code" ] || { echo "FAIL: SIG$name: exit code $status, not $code"; failures=$((failures + 1)); }
  # Said by vxtts itself: it went through its failure path rather than dying of the signal.
  grep -qx "vxtts: interrupted" "$folder/error" || { echo "FAIL: SIG$name: $(cat "$folder/error")"; failures=$((failures + 1)); }
  left=$(ls -A "$folder/out")
  [ -z "$left" ] || { echo "FAIL: SIG$name left: $left"; failures=$((failures + 1)); rm -f "$folder"/out/.??* "$folder"/out/*; }
done
echo "signals_test: $failures failure(s)"
[ "$failures" -eq 0 ]
