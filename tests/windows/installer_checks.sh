#!/usr/bin/env bash
# installer_checks.sh PREFIX INSTALLER X64-BIN CHECK64.EXE X86-BIN CHECK32.EXE [ARG...]
# The Windows installer under Wine, in a fresh 64-bit prefix made in PREFIX (removed when every
# check passed, kept to look at when one failed). A silent install puts each build's data and
# modules (as in X64-BIN and X86-BIN) with its vxtts.dll into its Program Files folder, registers
# each DLL in the registry view of its width and adds the entry of Programs and Features; each
# installed DLL speaks through its view to the program of its width, run as "CHECK.EXE
# INSTALLED-DLL ARG..." (InstalledEngineCheck with the Linux build's WAV, or tests/sapi's
# SapiClient through Wine's SAPI with its folder); the silent uninstall that the entry names leaves
# the registry as it was (Wine's own keys aside) and no file of the installer's, but keeps the
# per-user data and the log that the engine made.
#
# WINE is the command that runs a Windows program (default: wine) and WINESERVER its server
# (default: wineserver), so that another Wine can run the same checks.
# The installer is a 32-bit program: where WINE cannot run at all because the kernel refuses
# 32-bit programs (no IA32 emulation; Debian's "wine" is Wine's 32-bit loader), every check is
# skipped, saying why (exit 77).
# Prints one line per failed check; exits 1 if any failed.
#
# installer_checks.sh --check: prints why the checks are skipped here, if they are, and nothing
# otherwise; exits 0 either way.
set -euo pipefail
WINE=${WINE:-wine}
WINESERVER=${WINESERVER:-wineserver}

source "$(dirname "$0")/../../tools/wine-common.sh"

reason=$(wine_skip_reason "$WINE")
[ -z "$reason" ] || reason="the installer is a 32-bit program, and $reason"
if [ "${1:-}" = --check ]; then
  [ -z "$reason" ] || echo "installer_checks: the installer tests are skipped: $reason"
  exit 0
fi
if [ -n "$reason" ]; then
  echo "installer_checks: skipped: $reason"
  exit 77
fi

prefix=$1 installer=$2 bin64=$3 check64=$4 bin32=$5 check32=$6
shift 6
version=${installer##*vxtts-setup-}
version=${version%.exe}

failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# A fresh prefix. What PREFIX names is removed first, so it must be a prefix of an earlier run.
if [ -e "$prefix" ] && [ ! -f "$prefix/system.reg" ]; then
  echo "installer_checks: $prefix is no Wine prefix: not removing it" >&2
  exit 2
fi
export WINEPREFIX=$prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$prefix"
trap '"$WINESERVER" -k >/dev/null 2>&1 || true' EXIT
mkdir -p "$prefix"
if ! wine_make_prefix "$prefix/boot.log" "$WINE"; then
  echo "installer_checks: cannot make a Wine prefix in $prefix" >&2
  exit 1
fi

drive=$prefix/drive_c
folder64=$drive/'Program Files/VxTts' folder32=$drive/'Program Files (x86)/VxTts'
dll64='C:\Program Files\VxTts\vxtts.dll' dll32='C:\Program Files (x86)\VxTts\vxtts.dll'
uninstaller='C:\Program Files\VxTts\uninstall.exe'

# snapshot NAME: the prefix's files and its machine's and user's software keys (the 64-bit view,
# which holds the 32-bit one as its WOW6432Node), one line a value prefixed by its key, into
# $prefix/NAME.files and $prefix/NAME.keys.
snapshot() {
  "$WINESERVER" -w
  (cd "$drive" && find . | sort) >"$prefix/$1.files"
  local root
  for root in HKLM HKCU; do
    "$WINE" reg export "$root\\Software" "Z:$prefix/$1.$root.reg" /reg:64 /y >/dev/null
    iconv -f UTF-16LE -t UTF-8 "$prefix/$1.$root.reg" | tr -d '\r' | awk '/^\[/ { key = $0 } NF { print key " " $0 }'
  done >"$prefix/$1.keys"
}

# reg_value VIEW KEY NAME: the value NAME ("" the default one) of KEY in the registry view VIEW
# (32 or 64), as reg.exe shows it; nothing when the key or the value is missing.
reg_value() {
  local value=(/v "$3")
  [ -n "$3" ] || value=(/ve)
  { "$WINE" reg query "$2" "${value[@]}" "/reg:$1" 2>/dev/null || true; } |
    tr -d '\r' | awk -F '    ' 'NF >= 4 { print $4; exit }'
}

snapshot before
"$WINE" "$installer" /S || fail "the silent install exits with $?"

# installed_files BIN FOLDER: FOLDER holds a vxtts.dll and BIN's data and modules as they are.
installed_files() {
  [ -f "$2/vxtts.dll" ] || fail "no vxtts.dll in $2"
  local tree
  for tree in data modules; do
    diff -r "$1/$tree" "$2/$tree" >/dev/null || fail "$2/$tree is not the build's $tree"
  done
}
installed_files "$bin64" "$folder64"
installed_files "$bin32" "$folder32"

# Each view's voice tokens and class are the check programs' to find: they speak through them.
entry='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\VxTts'
while IFS='|' read -r view key name expected; do
  actual=$(reg_value "$view" "$key" "$name")
  [ "$actual" = "$expected" ] || fail "$key [$name] in the $view-bit view: '$actual', not '$expected'"
done <<EOF
64|$entry|DisplayName|Vexalon TTS Shell
64|$entry|DisplayVersion|$version
64|$entry|Publisher|Vexalon
64|$entry|InstallLocation|C:\\Program Files\\VxTts
64|$entry|UninstallString|"$uninstaller"
64|$entry|QuietUninstallString|"$uninstaller" /S
32|$entry|DisplayName|
EOF
# EstimatedSize is in KB.
estimated=$(($(reg_value 64 "$entry" EstimatedSize)))
installed=$(($(du -sb "$folder64" "$folder32" | awk '{ sum += $1 } END { print sum }') / 1024))
if [ $((estimated * 10)) -lt $((installed * 9)) ] || [ $((estimated * 10)) -gt $((installed * 11)) ]; then
  fail "EstimatedSize: $estimated KB for $installed KB installed"
fi

"$WINE" "$check64" "$dll64" "$@" || fail "the installed 64-bit DLL does not speak as it should"
"$WINE" "$check32" "$dll32" "$@" || fail "the installed 32-bit DLL does not speak as it should"

# A DLL gone before the uninstall (deleted by hand, say) leaves no key of its registration either.
rm "$folder32/vxtts.dll"
# The entry's QuietUninstallString (checked above). The uninstaller goes on from a copy of itself
# in the temporary folder, which is deleted at the next restart: Wine's restart follows once it ends.
"$WINE" "$uninstaller" /S || fail "the silent uninstall exits with $?"
"$WINESERVER" -w
"$WINE" wineboot --restart
snapshot after
# The engine's own files: the per-user copy of the data and the log.
engine_files='^\./users/[^/]+/(AppData/Roaming/VxTts(/.*)?|(AppData/Local/)?Temp/vxtts\.log)$'
left=$(comm -13 "$prefix/before.files" "$prefix/after.files" | grep -Ev "$engine_files" || true)
[ -z "$left" ] || fail "files left after the uninstall:"$'\n'"$left"
gone=$(comm -23 "$prefix/before.files" "$prefix/after.files")
[ -z "$gone" ] || fail "files gone after the uninstall:"$'\n'"$gone"
grep -Eq '^\./users/[^/]+/AppData/Roaming/VxTts/data/voices\.conf$' "$prefix/after.files" ||
  fail "the per-user data is gone after the uninstall"
changed=$(diff "$prefix/before.keys" "$prefix/after.keys" | grep '^[<>]' |
  grep -Eiv '^[<>] \[HKEY_(LOCAL_MACHINE|CURRENT_USER)\\Software\\(Wow6432Node\\)?Wine[]\\]' || true)
[ -z "$changed" ] || fail "the registry after the uninstall differs:"$'\n'"$changed"

echo "installer_checks: $failures failure(s)"
[ "$failures" -eq 0 ] || exit 1
trap - EXIT
"$WINESERVER" -k >/dev/null 2>&1 || true
rm -rf "$prefix"
