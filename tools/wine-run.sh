#!/usr/bin/env bash
# wine-run.sh win32|win64 COMMAND [ARGS...]: runs COMMAND with a fresh, private Wine prefix of
# that architecture (headless, quiet), and removes the prefix afterwards. COMMAND sees WINEPREFIX,
# WINEARCH and WINE, the Wine loader of that architecture: a script runs Windows programs as
# "$WINE" PROGRAM, and a Windows program (*.exe) given as COMMAND is run that way.
#
# A win64 run starts Wine's 64-bit loader only ("wine" and Debian's wineboot, winepath... start
# the 32-bit one), so it works where the kernel cannot run 32-bit programs (no IA32 emulation).
# There a win32 run cannot work at all: it prints why and exits 77, the tests' skip code.
#
# wine-run.sh --check win32|win64: prints why runs of that architecture are skipped here, if they
# are, and nothing otherwise; exits 0 either way.
set -euo pipefail
# Debian's Wine loaders, one per architecture.
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64
skip_code=77
source "$(dirname "$0")/wine-common.sh"

# loader_of ARCH: the loader of that architecture.
loader_of() {
  case "$1" in
    win32) echo "$wine32" ;;
    win64) echo "$wine64" ;;
    *) echo "wine-run: unknown architecture '$1' (win32 or win64)" >&2; exit 2 ;;
  esac
}

if [ "${1:-}" = --check ]; then
  reason=$(wine_skip_reason "$(loader_of "${2:-}")")
  [ -z "$reason" ] || echo "wine-run: $2 tests are skipped: $reason"
  exit 0
fi

arch=$1
shift
loader=$(loader_of "$arch")
reason=$(wine_skip_reason "$loader")
if [ -n "$reason" ]; then
  echo "wine-run: skipped: $reason"
  exit "$skip_code"
fi

prefix=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-wine.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=$arch WINE=$loader WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
# (A win64 prefix tries to set up its 32-bit side too; where 32-bit programs cannot run, that part
# fails and the prefix still serves 64-bit programs.)
if ! wine_make_prefix "$prefix/boot.log" "$WINE"; then
  echo "wine-run: cannot make a Wine prefix" >&2
  exit 1
fi
case "$1" in
  *.exe) "$WINE" "$@" ;;
  *) "$@" ;;
esac
