#!/usr/bin/env bash
# playback_test.sh VXTTS: "vxtts say" without an output file plays through ALSA, here on a device
# of the test's own that writes what it is given to a file (ALSA's file plugin in front of its null
# device: no sound card needed). The audio that reaches the device is the audio that -o writes,
# byte for byte; a bad device name fails saying so; SIGINT while a long text plays ends it at once
# with the shell's code 130. The null device takes audio as fast as it comes, so the waits for room
# in a real device's buffer are not exercised here.
set -euo pipefail
# Job control: a background job of a script without it starts with SIGINT ignored.
set -m
vxtts=$1
. "$(dirname "$0")/checks.sh"
# ALSA reads the user's configuration from HOME; a fresh per-user data folder as a new user has.
export HOME=$folder XDG_CONFIG_HOME=$folder/config
cat >"$folder/.asoundrc" <<ALSA
pcm.vxfile {
  type file
  slave.pcm "null"
  file "$folder/played.raw"
  format "raw"
}
ALSA

# The data chunk of a WAV file, whose size is at bytes 40..43 (a pad byte follows an odd chunk).
wav_data() { tail -c +45 "$1" | head -c "$(od -An -tu4 -j40 -N4 "$1" | tr -d ' ')"; }

for voice in tembra tembra_uk espeak_ru; do
  text="Съешь же ещё этих мягких французских булок, да выпей чаю. 25 км."
  rm -f "$folder/played.raw"
  "$vxtts" say -v "$voice" --device vxfile "$text" || fail "$voice: playing fails with $?"
  "$vxtts" say -v "$voice" -o "$folder/said.wav" "$text"
  cmp -s <(wav_data "$folder/said.wav") "$folder/played.raw" ||
    fail "$voice: the device got $(stat -c %s "$folder/played.raw") bytes, not the WAV's audio"
done

if message=$("$vxtts" say --device nosuchdevice "Да" 2>&1); then
  fail "a device that does not exist plays"
fi
[[ $message == *"cannot open the audio device 'nosuchdevice'"* ]] || fail "a missing device says: $message"

python3 -c "print('Вышел зайчик погулять, вдруг охотник выбегает. ' * 50000)" >"$folder/long.txt"
"$vxtts" say --device vxfile -f "$folder/long.txt" 2>/dev/null &
player=$!
sleep 1
sent=$(date +%s%N)
kill -INT "$player"
status=0
wait "$player" || status=$?
took=$((($(date +%s%N) - sent) / 1000000))
[ "$status" -eq 130 ] || fail "SIGINT while playing: exit code $status, not 130"
[ "$took" -lt 1000 ] || fail "SIGINT while playing: the program ended after $took ms"

finish
