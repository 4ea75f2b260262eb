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
# Making a prefix now and then fails on a busy machine; a second try settles it. What it said
# is shown when both fail.
boot_log=$prefix/boot.log
if ! wineboot --init >"$boot_log" 2>&1 && ! { sleep 2; wineboot --init >>"$boot_log" 2>&1; }; then
  echo "wine-run: cannot make a Wine prefix:" >&2
  cat "$boot_log" >&2
  exit 1
fi
case "$1" in
  *.exe) wine "$@" ;;
  *) "$@" ;;
esac
