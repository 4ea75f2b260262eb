#!/usr/bin/env bash
# The online modules against tests/support/http_server.py on 127.0.0.1, through "vxtts say":
#   - time from process start to the first audio byte on --stdout, the server answering after 0
#     and 50 ms (MP3 of 10 s for gtranslator, a WAV of 10 s for mstranslator), and with the MP3
#     sent in pieces of 4000 bytes every 100 ms (a second in all): the audio starts with the
#     first piece, not after the whole response;
#   - peak memory of vxtts while a 50 MB WAV body streams through mstranslator.
# usage: bench/online.sh   Needs the linux preset's vxtts ("./vx build"), lame and /usr/bin/time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
vxtts=$root/build/linux/bin/vxtts
[ -x "$vxtts" ] || { echo "online.sh: $vxtts is missing; run ./vx build" >&2; exit 1; }
work=$(mktemp -d)
unset http_proxy HTTP_PROXY https_proxy HTTPS_PROXY all_proxy ALL_PROXY
export XDG_CONFIG_HOME=$work/config TMPDIR=$work
exec 3> >(python3 "$root/tests/support/http_server.py" "$work" >"$work/port" 2>"$work/server.log")
trap 'exec 3>&-; rm -rf "$work"' EXIT
until [ -s "$work/port" ]; do sleep 0.05; done
port=$(head -n 1 "$work/port")

# Ten seconds of 440 Hz: MP3 at 22050 Hz (as the service sends Russian), and an 8000 Hz 8-bit WAV.
python3 - "$work" <<'PY'
import math, struct, sys
folder = sys.argv[1]
pcm = b"".join(struct.pack("<h", int(16383 * math.sin(2 * math.pi * 440 * i / 22050))) for i in range(220500))
open(f"{folder}/sine.raw", "wb").write(pcm)
samples = bytes(128 + int(60 * math.sin(2 * math.pi * 440 * i / 8000)) for i in range(80000))
fmt = struct.pack("<4sIHHIIHH", b"fmt ", 16, 1, 1, 8000, 8000, 1, 8)
open(f"{folder}/sine.wav", "wb").write(b"RIFF" + struct.pack("<I", 4 + len(fmt) + 8 + len(samples)) + b"WAVE" + fmt
                                       + b"data" + struct.pack("<I", len(samples)) + samples)
PY
lame --quiet -r -s 22.05 --resample 22.05 -m m --bitwidth 16 -b 32 "$work/sine.raw" "$work/sine.mp3"

# The user's configuration: a voice per module and server delay; text is ignored by the server.
data=$XDG_CONFIG_HOME/VxTts/data
mkdir -p "$data"
base=http://127.0.0.1:$port
{
  for delay in 0 50; do
    printf '[gtranslator_%s]\nsubname = ru\nrequest = %s/file/sine.mp3?type=audio%%%%2Fmpeg&delay=%s&t=%%s\n' "$delay" "$base" "$delay"
    printf '[mstranslator_%s]\nsubname = ru\nrequest = %s/file/sine.wav?type=audio%%%%2Fx-wav&delay=%s&a=%%s&t=%%s&l=%%s\n' "$delay" "$base" "$delay"
  done
  printf '[gtranslator_slow]\nsubname = ru\nrequest = %s/file/sine.mp3?type=audio%%%%2Fmpeg&chunk=4000&pause=100&t=%%s\n' "$base"
  printf '[mstranslator_big]\nsubname = ru\nrequest = %s/prefix/sine.wav/52428800?type=audio%%%%2Fx-wav&a=%%s&t=%%s&l=%%s\n' "$base"
} | iconv -f UTF-8 -t UTF-16LE >"$data/engines.conf"
printf '[g0]\nru = gtranslator_0\n[g50]\nru = gtranslator_50\n[m0]\nru = mstranslator_0\n[m50]\nru = mstranslator_50\n[slow]\nru = gtranslator_slow\n[big]\nru = mstranslator_big\n' |
  iconv -f UTF-8 -t UTF-16LE >"$data/voices.conf"

echo "== time to the first audio byte on --stdout, from process start (20 runs)"
python3 - "$vxtts" <<'PY'
import os, subprocess, sys, time
def first_byte_ms(voice):
    start = time.perf_counter()
    p = subprocess.Popen([sys.argv[1], "say", "-v", voice, "--stdout", "Да"], stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)
    got = 0
    while got < 45:  # the WAV header, then the first audio byte
        block = os.read(p.stdout.fileno(), 45 - got)
        if not block:
            break
        got += len(block)
    elapsed = (time.perf_counter() - start) * 1000
    p.kill(); p.wait()
    return elapsed if got == 45 else float("nan")
for voice, what in (("g0", "gtranslator, answer at once"), ("g50", "gtranslator, answer after 50 ms"),
                    ("m0", "mstranslator, answer at once"), ("m50", "mstranslator, answer after 50 ms"),
                    ("slow", "gtranslator, 4000 bytes every 100 ms")):
    times = sorted(first_byte_ms(voice) for _ in range(20))
    print(f"{what:34} min {times[0]:7.1f} ms  median {times[10]:7.1f} ms")
PY

echo
echo "== peak memory of vxtts with a 50 MB WAV body (mstranslator, written to a file)"
/usr/bin/time -v "$vxtts" say -v big -o "$work/big.wav" "Да" 2>&1 >/dev/null |
  sed -n 's/.*Maximum resident set size (kbytes): /maximum resident set size: /p;s/.*Elapsed (wall clock) time.*: /wall time: /p'
ls -l "$work/big.wav" | awk '{ printf "audio written: %d bytes\n", $5 }'
