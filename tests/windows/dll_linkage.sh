#!/usr/bin/env bash
# The DLL loads on a bare Windows as an in-process COM server: it exports COM's four entry points,
# undecorated, and nothing else, and imports only DLLs that Windows has (Wine's set of them stands
# in), none of MinGW's runtime: libgcc, libstdc++ and winpthread are linked in statically. Nothing
# is run, so this is checked for both DLLs on any machine.
# usage: dll_linkage.sh OBJDUMP DLL WINDOWS-DLL-FOLDER
set -euo pipefail
objdump=$1 dll=$2 system=$3
headers=$("$objdump" -p "$dll")
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
               table && /^\t\[/ { print $NF; next }
               table { exit }' <<<"$headers" | sort | tr '\n' ' ')
exports=${exports% }
expected='DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer'
[ "$exports" = "$expected" ] || fail "the DLL exports '$exports', not '$expected'"

imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr '\n' ' ')
imports=${imports% }
[ -n "$imports" ] || fail "no imported DLLs read from $objdump -p"
for name in $imports; do
  [ -f "$system/${name,,}" ] || fail "the DLL imports $name, which is no Windows DLL"
done

[ "$failures" -eq 0 ] && echo "dll linkage: exports $exports; imports $imports"
exit $((failures > 0))
