#!/usr/bin/env bash
# install_test.sh BIN: tools/install-linux.sh into a folder standing for the root: the program's
# files, the links, Speech Dispatcher's module and its configuration (a changed one kept on a
# second install), and the installed vxtts, run through its link, finding its data and speaking;
# with a speechd.conf that names its modules, the line to add is printed.
set -euo pipefail
bin=$1
installer=$(cd "$(dirname "$0")/../.." && pwd)/tools/install-linux.sh
. "$(dirname "$0")/checks.sh"
root=$folder

"$installer" "$bin" --root "$root" >/dev/null
for path in usr/local/lib/vxtts/vxtts usr/local/lib/vxtts/sd_vxtts usr/local/lib/vxtts/data/voices.conf \
  usr/local/bin/vxtts usr/lib/speech-dispatcher-modules/sd_vxtts etc/speech-dispatcher/modules/vxtts.conf; do
  [ -e "$root/$path" ] || [ -L "$root/$path" ] || fail "no $path"
done
[ "$(readlink "$root/usr/lib/speech-dispatcher-modules/sd_vxtts")" = /usr/local/lib/vxtts/sd_vxtts ] ||
  fail "the module link points to $(readlink "$root/usr/lib/speech-dispatcher-modules/sd_vxtts")"

echo "DefaultVoice \"tembra_uk\"" >"$root/etc/speech-dispatcher/modules/vxtts.conf"
printf 'AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"\n' >"$root/etc/speech-dispatcher/speechd.conf"
said=$("$installer" "$bin" --root "$root")
grep -q tembra_uk "$root/etc/speech-dispatcher/modules/vxtts.conf" || fail "a second install replaces the changed vxtts.conf"
[[ $said == *'AddModule "vxtts" "sd_vxtts" "vxtts.conf"'* ]] || fail "the AddModule line is not shown: $said"

# The installed program, started through a link as a user would, with a fresh per-user folder.
ln -s "$root/usr/local/lib/vxtts/vxtts" "$root/vxtts-link"
XDG_CONFIG_HOME=$root/config "$root/vxtts-link" say -o "$root/said.wav" "Установлено." ||
  fail "the installed vxtts does not speak"
[ -s "$root/said.wav" ] || fail "the installed vxtts wrote no audio"

finish
