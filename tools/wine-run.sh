#!/usr/bin/env bash
# wine-run.sh win32|win64 COMMAND [ARGS...]: runs COMMAND with a fresh, private Wine prefix of
# that architecture (headless, quiet), and removes the prefix afterwards. COMMAND sees WINEPREFIX,
# WINEARCH and WINE, the Wine loader of that architecture: a script runs Windows programs as
# "$WINE" PROGRAM, and a Windows program (*.exe) given as COMMAND is run that way.
#
# A win64 run starts Wine's 64-bit loader only ("wine" and Debian's wineboot, winepath... start
# the 32-bit one), so it works where the kernel cannot run 32-bit programs (no IA32 emulation).
set -euo pipefail
# Debian's Wine loaders, one per architecture.
wine32=/usr/lib/wine/wine
wine64=/usr/lib/wine/wine64

arch=$1
shift
case "$arch" in
  win32) loader=$wine32 ;;
  win64) loader=$wine64 ;;
  *) echo "wine-run: unknown architecture '$arch' (win32 or win64)" >&2; exit 2 ;;
esac

prefix=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-wine.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=$arch WINE=$loader WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
# Making a prefix now and then fails on a busy machine; a second try settles it. What it said
# is shown when both fail. (A win64 prefix tries to set up its 32-bit side too; where 32-bit
# programs cannot run, that part fails and the prefix still serves 64-bit programs.)
boot_log=$prefix/boot.log
if ! "$WINE" wineboot --init >"$boot_log" 2>&1 && ! { sleep 2; "$WINE" wineboot --init >>"$boot_log" 2>&1; }; then
  echo "wine-run: cannot make a Wine prefix:" >&2
  cat "$boot_log" >&2
  exit 1
fi
case "$1" in
  *.exe) "$WINE" "$@" ;;
  *) "$@" ;;
esac
