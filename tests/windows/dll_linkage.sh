#!/usr/bin/env bash
# The DLL loads on a bare Windows as an in-process COM server: it exports COM's four entry points,
# undecorated, and nothing else, and imports only DLLs that Windows has (Wine's stand in), none of
# MinGW's runtime. Nothing is run, so both DLLs are checked on any machine.
# An engine library built here (eSpeak NG's) is checked for the exports its module looks up.
# usage: dll_linkage.sh OBJDUMP DLL WINDOWS-DLL-FOLDER [EXPORT...]
set -euo pipefail
headers=$("$1" -p "$2")
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
               table && /^\t\[/ { print $NF; next }
               table { exit }' <<<"$headers" | sort | xargs)
imports=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | xargs)
echo "exports: $exports; imports: $imports"
status=0
if [ $# -gt 3 ]; then
  for name in "${@:4}"; do
    [[ " $exports " == *" $name "* ]] || { echo "FAIL: $name is not exported, undecorated"; status=1; }
  done
elif [ "$exports" != 'DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer' ]; then
  echo "FAIL: the exports are not COM's four entry points, undecorated"
  status=1
fi
for name in ${imports:-"(none read)"}; do
  [ -f "$3/${name,,}" ] || { echo "FAIL: the DLL imports $name, which is no Windows DLL"; status=1; }
done
exit $status
