#!/usr/bin/env bash
# The DLL under Wine and the Linux build speak the same sentence with the same voice and data:
# the audio must be the same, byte for byte (the synthesis is deterministic, and at the normal
# rate no resampling or filtering touches it).
# usage (under tools/wine-run.sh): same_audio.sh ENGINE-CLIENT DLL LINUX-VXTTS
set -euo pipefail
: "${WINE:?run under tools/wine-run.sh}"
client=$1 dll=$2 vxtts=$3
sentence='Съешь же ещё этих мягких французских булок.'
work=$(mktemp -d "${TMPDIR:-/tmp}/vxtts-same.XXXXXX")
trap 'rm -rf "$work"' EXIT
if [ ! -x "$vxtts" ]; then
  echo "FAIL: the Linux build's vxtts is missing at $vxtts (./vx test builds it first)"
  exit 1
fi
# The client's own checks are the engine-client test's business; here only its audio counts.
"$WINE" "$client" "$dll" "$work/windows.pcm" >"$work/client.log" 2>&1 || true
if [ ! -s "$work/windows.pcm" ]; then
  echo "FAIL: the DLL wrote no audio; the client said:"
  cat "$work/client.log"
  exit 1
fi
XDG_CONFIG_HOME="$work/home" TMPDIR="$work" "$vxtts" say -o "$work/linux.wav" "$sentence"
# The Linux WAV holds the samples after its 44-byte header.
tail -c +45 "$work/linux.wav" >"$work/linux.pcm"
if ! cmp -s "$work/windows.pcm" "$work/linux.pcm"; then
  echo "FAIL: the DLL's audio ($(stat -c %s "$work/windows.pcm") bytes) differs from the Linux build's ($(stat -c %s "$work/linux.pcm") bytes)"
  exit 1
fi
echo "same audio: $(stat -c %s "$work/linux.pcm") bytes"
