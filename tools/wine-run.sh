#!/usr/bin/env bash
# wine-run.sh win32|win64 COMMAND [ARGS...]: runs COMMAND with a fresh, private Wine prefix of
# that architecture (headless, quiet), and removes the prefix afterwards. COMMAND sees WINEPREFIX
# and WINEARCH, so it may call wine itself, or be a Windows program run through wine.
set -euo pipefail
arch=$1
shift
prefix=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-wine.XXXXXX")
export WINEPREFIX=$prefix WINEARCH=$arch WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT
wineboot --init >/dev/null 2>&1
case "$1" in
  *.exe) wine "$@" ;;
  *) "$@" ;;
esac
