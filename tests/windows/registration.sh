#!/usr/bin/env bash
# Registers the DLL with regsvr32 in a fresh Wine prefix, checks every key and value it must
# write, unregisters it and checks that its keys are gone and their parents stay.
# usage (under tools/wine-run.sh): registration.sh DLL
set -uo pipefail
: "${WINE:?run under tools/wine-run.sh}"
dll=$("$WINE" winepath -w "$1")
failures=0
# A 64-bit DLL writes the 64-bit registry view. The 64-bit reg.exe, which "$WINE" runs in a win64
# prefix, reads that view by default; the queries name it all the same, so that they check the
# view the DLL writes whichever reg.exe answers.
view=()
[ "${WINEARCH:-}" = win64 ] && view=(/reg:64)
clsid='{5E31A0C4-7D92-4b6e-9A13-C84F2D60B7E5}'
tokens='HKLM\SOFTWARE\Microsoft\Speech\Voices\Tokens'

fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# value KEY NAME EXPECTED: NAME is "" for the default value.
value() {
  local key=$1 name=$2 expected=$3 output actual
  if [ -z "$name" ]; then
    output=$("$WINE" reg query "$key" /ve "${view[@]}" 2>/dev/null | tr -d '\r')
    actual=$(sed -n 's/^ *(Default) *REG_SZ *//p' <<<"$output")
  else
    output=$("$WINE" reg query "$key" /v "$name" "${view[@]}" 2>/dev/null | tr -d '\r')
    actual=$(sed -n "s/^ *$name *REG_SZ *//p" <<<"$output")
  fi
  [ "$actual" = "$expected" ] || fail "$key [${name:-default}] is '$actual', not '$expected'"
}

exists() { "$WINE" reg query "$1" "${view[@]}" >/dev/null 2>&1; }

"$WINE" regsvr32 /s "$dll" || fail "regsvr32 exited $?"

value 'HKCR\Vexalon.TTSShell.1' '' 'TTSClass'
value 'HKCR\Vexalon.TTSShell.1\CLSID' '' "$clsid"
value 'HKCR\Vexalon.TTSShell' '' 'TTSClass'
value 'HKCR\Vexalon.TTSShell\CLSID' '' "$clsid"
value 'HKCR\Vexalon.TTSShell\CurVer' '' 'Vexalon.TTSShell.1'
value "HKCR\\CLSID\\$clsid" '' 'TTSClass'
value "HKCR\\CLSID\\$clsid\\ProgID" '' 'Vexalon.TTSShell.1'
value "HKCR\\CLSID\\$clsid\\VersionIndependentProgID" '' 'Vexalon.TTSShell'
value "HKCR\\CLSID\\$clsid\\InprocServer32" '' "$dll"
value "HKCR\\CLSID\\$clsid\\InprocServer32" 'ThreadingModel' 'Both'
value "HKCR\\CLSID\\$clsid\\TypeLib" '' '{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}'
value 'HKCR\TypeLib\{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}\1.0' '' 'Vexalon TTS Shell 1.0 Type Library'

# token KEY DESCRIPTION NAME VOICE LANGUAGE DISPLAY-LANGUAGES...
token() {
  local key="$tokens\\$1" description=$2 name=$3 voice=$4 language=$5
  shift 5
  value "$key" '' "$description"
  local id
  for id in "$@"; do value "$key" "$id" "$name"; done
  value "$key" 'CLSID' "$clsid"
  value "$key" 'VoiceName' "$voice"
  value "$key\\Attributes" 'Name' "$name"
  value "$key\\Attributes" 'Gender' 'Male'
  value "$key\\Attributes" 'Age' 'Adult'
  value "$key\\Attributes" 'Vendor' 'VX'
  value "$key\\Attributes" 'Language' "$language"
}
token VXTembraRU 'Tembra TTS Engine (Russian)' Tembra_Russian tembra 419 409 419
token VXTembraUK 'Tembra TTS Engine (Ukrainian)' Tembra_Ukrainian tembra_uk 422 409 419 422

# A second registration makes the class key afresh, dropping anything left in it.
"$WINE" reg add "HKCR\\CLSID\\$clsid\\Stale" /f "${view[@]}" >/dev/null 2>&1
"$WINE" regsvr32 /s "$dll" || fail "second regsvr32 exited $?"
exists "HKCR\\CLSID\\$clsid\\Stale" && fail "registration kept a stale subkey of the class key"

"$WINE" regsvr32 /u /s "$dll" || fail "regsvr32 /u exited $?"
for key in 'HKCR\Vexalon.TTSShell.1' 'HKCR\Vexalon.TTSShell' "HKCR\\CLSID\\$clsid" "$tokens\\VXTembraRU" \
  "$tokens\\VXTembraUK" 'HKCR\TypeLib\{A2D6E9F1-0B47-4c3a-8E25-71F9C3B04D68}'; do
  exists "$key" && fail "$key is still there after unregistration"
done
for key in 'HKCR\CLSID' "$tokens" 'HKLM\SOFTWARE\Microsoft\Speech\Voices'; do
  exists "$key" || fail "$key was removed"
done

[ "$failures" -eq 0 ] && echo "registration: all keys and values as expected"
exit $((failures > 0))
