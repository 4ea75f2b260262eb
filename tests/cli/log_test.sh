#!/usr/bin/env bash
# log_test.sh VXTTS: where vxtts writes its log. With XDG_RUNTIME_DIR set, there; a log file in the
# temporary folder that is a second name of a file of the user's is not written (that file keeps
# its bytes), vxtts says so on standard error and speaks anyway.
set -euo pipefail
vxtts=$1
. "$(dirname "$0")/checks.sh"
mkdir -m 700 "$folder/run" "$folder/tmp"
export XDG_CONFIG_HOME=$folder/config TMPDIR=$folder/tmp

XDG_RUNTIME_DIR=$folder/run "$vxtts" say -o "$folder/a.wav" "Да"
[ -f "$folder/run/vxtts.log" ] || fail "no log in XDG_RUNTIME_DIR"
[ ! -e "$folder/tmp/vxtts.log" ] || fail "a log in the temporary folder although XDG_RUNTIME_DIR is set"

head -c 2000000 /dev/urandom >"$folder/mine"
cp "$folder/mine" "$folder/mine.copy"
ln "$folder/mine" "$folder/tmp/vxtts.log"
said=$(unset XDG_RUNTIME_DIR; "$vxtts" say -o "$folder/b.wav" "Да" 2>&1) || fail "vxtts fails without its log"
[[ $said == *"not writing the log '$folder/tmp/vxtts.log'"* ]] || fail "nothing said of the log: $said"
cmp -s "$folder/mine" "$folder/mine.copy" || fail "the file behind the second name was written"
[ -s "$folder/b.wav" ] || fail "no speech without the log"

finish
