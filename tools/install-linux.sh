#!/usr/bin/env bash
# install-linux.sh BIN [--prefix PREFIX] [--root ROOT]: installs the Linux build whose bin folder
# is BIN (vxtts, sd_vxtts and the data folder beside them) into PREFIX/lib/vxtts (PREFIX
# /usr/local by default), with PREFIX/bin/vxtts, and makes sd_vxtts Speech Dispatcher's module
# "vxtts": a link in its modules folder and its configuration vxtts.conf, which an earlier install
# or the user may have changed and is then kept. Speech Dispatcher loads every module of that
# folder unless its speechd.conf names modules with AddModule lines; then it needs one more:
#   AddModule "vxtts" "sd_vxtts" "vxtts.conf"
# which this script prints in that case. ROOT (default /) is put before every path, for packaging
# and for the test. An install over an earlier one replaces its files.
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/.." && pwd)
bin=$1
shift
prefix=/usr/local root=
while [ $# -gt 0 ]; do
  case "$1" in
    --prefix) prefix=$2; shift 2 ;;
    --root) root=${2%/}; shift 2 ;;
    *) echo "install-linux: unknown option '$1'" >&2; exit 2 ;;
  esac
done
for file in vxtts sd_vxtts data/voices.conf; do
  [ -e "$bin/$file" ] || { echo "install-linux: $bin has no $file: build the linux preset first" >&2; exit 1; }
done

# Debian's folders of Speech Dispatcher.
modules=/usr/lib/speech-dispatcher-modules
config=/etc/speech-dispatcher
program=$prefix/lib/vxtts

# The program's folder is replaced whole, so that files an older version had do not linger; the
# engine finds its data beside the program it runs in, through the links.
rm -rf "$root$program"
mkdir -p "$root$program" "$root$prefix/bin" "$root$modules" "$root$config/modules"
cp -r "$bin/vxtts" "$bin/sd_vxtts" "$bin/data" "$root$program/"
ln -sfn "$program/vxtts" "$root$prefix/bin/vxtts"
ln -sfn "$program/sd_vxtts" "$root$modules/sd_vxtts"
if [ ! -e "$root$config/modules/vxtts.conf" ]; then
  cp "$source_dir/speechd/vxtts.conf" "$root$config/modules/vxtts.conf"
fi
echo "install-linux: vxtts in $prefix/bin, its files in $program; Speech Dispatcher's module vxtts"
if grep -Eq '^[[:space:]]*AddModule' "$root$config/speechd.conf" 2>/dev/null &&
  ! grep -Eq '^[[:space:]]*AddModule[[:space:]]+"vxtts"' "$root$config/speechd.conf"; then
  echo "install-linux: $config/speechd.conf names its modules; add this line to it:"
  echo '  AddModule "vxtts" "sd_vxtts" "vxtts.conf"'
fi
echo "install-linux: restart Speech Dispatcher (or log in again), then: spd-say -o vxtts -l ru \"Привет\""
