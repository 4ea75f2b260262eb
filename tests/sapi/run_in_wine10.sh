#!/usr/bin/env bash
# run_in_wine10.sh win32|win64 FOLDER DLL PROGRAM [ARGS...]: runs the Windows PROGRAM under the
# Wine 10 of the Debian 13 tree that "./vx setup" makes (bookworm's Wine 8 has no ISpVoice::Speak),
# in a fresh prefix of that architecture inside FOLDER in which DLL is registered by regsvr32; the
# prefix is removed afterwards. FOLDER appears inside the tree at its own path, so DLL, PROGRAM and
# ARGS name the same files inside as outside (a Windows program reads them as Z:/...). Each
# architecture has its loader, as in tools/wine-run.sh: a win64 run starts only the 64-bit one.
#
# run_in_wine10.sh win32|win64 FOLDER --script SCRIPT [ARGS...]: runs the bash SCRIPT, which lies in
# FOLDER, inside the tree instead, with no prefix made: SCRIPT makes its own with WINE, the tree's
# loader of that architecture, and WINESERVER, its server (as tests/windows/installer_checks.sh
# does).
#
# The tree needs /proc and FOLDER bind-mounted into it. Both mounts are made in a mount
# namespace of this script's own, so they vanish with its last process however it ends, and no one
# outside ever sees them (nor can remove FOLDER through the tree). Inside a chroot whose root is no
# mount point (a fresh-machine check) the kernel cannot make such a namespace private: there the
# mounts are seen outside while the script runs and undone when it ends.
#
# Exits 77, the tests' skip code, where it cannot run here: not as root (chroot and mount need it),
# without the tree, or for win32 where the kernel cannot run 32-bit programs (no IA32 emulation).
#
# run_in_wine10.sh --check win32|win64: prints why runs of that architecture are skipped here, if
# they are, and nothing otherwise; exits 0 either way.
set -euo pipefail
tree=/var/tmp/vx-wine10 # wine10_tree of ./vx
skip_code=77
source "$(dirname "$0")/../../tools/wine-common.sh"

# skip_reason LOADER: prints why programs of LOADER's architecture cannot run here, if they cannot.
skip_reason() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "chroot and bind mounts need root"
  elif [ ! -f "$tree/vx-wine10.stamp" ]; then
    echo "no Debian 13 tree with Wine 10 in $tree (as root, ./vx setup makes it)"
  else
    wine_skip_reason chroot "$tree" "$1"
  fi
}

# loader_of ARCH: the tree's loader of that architecture.
loader_of() {
  case "$1" in
    win32) echo /usr/lib/wine/wine ;;
    win64) echo /usr/lib/wine/wine64 ;;
    *) echo "run_in_wine10: unknown architecture '$1' (win32 or win64)" >&2; exit 2 ;;
  esac
}

if [ "${1:-}" = --check ]; then
  reason=$(skip_reason "$(loader_of "${2:-}")")
  [ -z "$reason" ] || echo "run_in_wine10: $2 sapi tests are skipped: $reason"
  exit 0
fi

arch=$1 folder=$2
shift 2
loader=$(loader_of "$arch")
if [ -z "${VX_WINE10_NAMESPACE:-}" ]; then
  reason=$(skip_reason "$loader")
  if [ -n "$reason" ]; then
    echo "run_in_wine10: skipped: $reason"
    exit "$skip_code"
  fi
  if unshare --mount --propagation private true 2>/dev/null; then
    VX_WINE10_NAMESPACE=private exec unshare --mount --propagation private "$0" "$arch" "$folder" "$@"
  fi
  VX_WINE10_NAMESPACE=shared exec unshare --mount --propagation unchanged "$0" "$arch" "$folder" "$@"
fi

folder=$(cd "$folder" && pwd)
# unmount_shared: undoes the mounts where the namespace shares them with the system.
unmount_shared() {
  if [ "$VX_WINE10_NAMESPACE" = shared ]; then
    umount -l "$tree$folder" 2>/dev/null || true
    umount -l "$tree/proc" 2>/dev/null || true
  fi
}
trap unmount_shared EXIT
mount --bind /proc "$tree/proc"
mkdir -p "$tree$folder"
mount --bind "$folder" "$tree$folder"

# in_tree [NAME=VALUE...] COMMAND...: COMMAND inside the tree with these variables and nothing else
# of this environment (headless: no DISPLAY).
in_tree() {
  chroot "$tree" /usr/bin/env -i HOME=/root PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"
}
if [ "$1" = --script ]; then
  shift
  in_tree WINE="$loader" WINESERVER=/usr/lib/wine/wineserver /bin/bash "$@"
  exit
fi

dll=$1
shift
prefix=$(mktemp -d "$folder/wine10-prefix.XXXXXX")
# in_prefix COMMAND...: COMMAND inside the tree with the prefix's Wine settings.
in_prefix() {
  in_tree WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}
cleanup() {
  in_prefix /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
  unmount_shared
}
trap cleanup EXIT

if ! wine_make_prefix "$prefix/boot.log" in_prefix "$loader"; then
  echo "run_in_wine10: cannot make a Wine prefix" >&2
  exit 1
fi
# Wine's regsvr32 reports success on standard output even with /s.
if ! in_prefix "$loader" regsvr32 /s "Z:$dll" >"$prefix/regsvr32.log" 2>&1; then
  echo "run_in_wine10: regsvr32 cannot register Z:$dll:" >&2
  cat "$prefix/regsvr32.log" >&2
  exit 1
fi
in_prefix "$loader" "$@"
