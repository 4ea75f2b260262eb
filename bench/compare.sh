#!/usr/bin/env bash
# vxtts beside eSpeak NG on the same Russian prose (bench/data/prose_ru.txt, 10,000 characters):
#   - wall time of each, end to end, by hyperfine, and its real-time factor (wall time / audio);
#   - the same for vxtts's eSpeak NG voice (espeak_ru), which drives eSpeak NG's library: what
#     vxtts adds to eSpeak NG's own time;
#   - peak memory of vxtts for 1,000, 10,000 and 100,000 characters (the prose cut or repeated);
#   - time from process start to the first audio byte of "vxtts say --stdout".
# usage: bench/compare.sh [RUNS]   (RUNS: hyperfine runs per command, default 20)
# Needs the linux preset's vxtts ("./vx build") and the packages hyperfine, espeak-ng and time
# ("./vx setup").
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-20}
vxtts=$root/build/linux/bin/vxtts
python=/usr/bin/python3
[ -x "$python" ] || python=python3

for tool in hyperfine espeak-ng /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "compare.sh: $tool is missing; run ./vx setup" >&2; exit 1; }
done
[ -x "$vxtts" ] || { echo "compare.sh: $vxtts is missing; run ./vx build" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# vxtts reads and seeds its per-user folder here, and logs here, never in the real home.
export XDG_CONFIG_HOME=$work/config TMPDIR=$work

# The texts: the prose cut to 1,000 characters, whole, and repeated to 100,000 characters.
"$python" - "$root/bench/data/prose_ru.txt" "$work" <<'PY'
import sys
prose = open(sys.argv[1], encoding="utf-8").read()
long = (prose.rstrip() + "\n\n") * (100000 // len(prose) + 1)
for name, text in (("1k", prose[:1000]), ("10k", prose), ("100k", long[:100000])):
    open(f"{sys.argv[2]}/prose_{name}.txt", "w", encoding="utf-8").write(text)
PY
text=$work/prose_10k.txt

# Seconds of audio in a WAV file, from its format and data chunk.
wav_seconds() {
  "$python" - "$1" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at, rate, size = 12, None, None
while at + 8 <= len(data):
    tag, length = data[at:at + 4], struct.unpack("<I", data[at + 4:at + 8])[0]
    if tag == b"fmt ":
        rate = struct.unpack("<I", data[at + 16:at + 20])[0]  # bytes per second
    elif tag == b"data":
        size = min(length, len(data) - at - 8)
        break
    at += 8 + length + (length & 1)
print(size / rate)
PY
}

# Each run writes a new file, as a first run does: the output of the run before is removed
# beforehand, outside the timing. Replacing a file costs more than writing one (see below).
echo "== end to end, $(wc -m <"$text") characters (hyperfine, $runs runs each)"
hyperfine --shell=none --warmup 3 --runs "$runs" --export-json "$work/times.json" \
  --prepare "rm -f $work/x.wav" --prepare "rm -f $work/y.wav" \
  -n vxtts "$vxtts say -f $text -o $work/x.wav" \
  -n espeak-ng "espeak-ng -v ru -f $text -w $work/y.wav"
vx_audio=$(wav_seconds "$work/x.wav")
es_audio=$(wav_seconds "$work/y.wav")
"$python" - "$work/times.json" "$vx_audio" "$es_audio" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
audio = {"vxtts": float(sys.argv[2]), "espeak-ng": float(sys.argv[3])}
for name in ("vxtts", "espeak-ng"):
    wall = results[name]["mean"]
    print(f"{name:10} wall {wall * 1000:9.1f} ms  audio {audio[name]:7.1f} s  "
          f"real-time factor {wall / audio[name]:.6f}")
speedup = results["espeak-ng"]["mean"] / results["vxtts"]["mean"]
per_second = (results["espeak-ng"]["mean"] / audio["espeak-ng"]) / (results["vxtts"]["mean"] / audio["vxtts"])
print(f"vxtts is {speedup:.1f}x faster end to end, {per_second:.1f}x per second of audio")
PY

echo
echo "== the eSpeak NG voice: vxtts -v espeak_ru beside espeak-ng -v ru (hyperfine, $runs runs each)"
# eSpeak NG's command is given what vxtts gives the library, at the same rate: the prose as the
# voice's text pipeline leaves it (numbers and abbreviations read out), one module call a line,
# at 125 words a minute (the library's rate for vxtts's normal rate 50). What remains between the
# two is what vxtts adds: its pipeline, the module and the WAV output.
"$vxtts" normalize -v espeak_ru -f "$text" | grep -v '^#' | cut -f 2- >"$work/espeak_input.txt"
hyperfine --shell=none --warmup 2 --runs "$runs" --export-json "$work/espeak.json" \
  --prepare "rm -f $work/x.wav" --prepare "rm -f $work/y.wav" \
  -n vxtts "$vxtts say -v espeak_ru -f $text -o $work/x.wav" \
  -n espeak-ng "espeak-ng -v ru -s 125 -f $work/espeak_input.txt -w $work/y.wav" >/dev/null
"$python" - "$work/espeak.json" "$(wav_seconds "$work/x.wav")" "$(wav_seconds "$work/y.wav")" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
audio = {"vxtts": float(sys.argv[2]), "espeak-ng": float(sys.argv[3])}
for name in ("vxtts", "espeak-ng"):
    r = results[name]
    print(f"{name:10} wall {r['mean'] * 1000:7.1f} ms ± {r['stddev'] * 1000:4.1f}  cpu {(r['user'] + r['system']) * 1000:7.1f} ms  "
          f"audio {audio[name]:6.1f} s  real-time factor {r['mean'] / audio[name]:.5f}")
added = results["vxtts"]["mean"] / results["espeak-ng"]["mean"] - 1
print(f"vxtts takes {added * 100:+.1f} % of eSpeak NG's own wall time for the same text "
      "(eSpeak NG's command pauses longer between lines: more audio, much of it silence)")
PY

# vxtts writes a hidden file and renames it over the target. On ext4 a rename that replaces a
# file makes the kernel allocate and start writing the new file's blocks at once (auto_da_alloc),
# which costs about as much again as the speaking; a new name does not.
echo
echo "== vxtts replacing its previous output (the same file name every run)"
hyperfine --shell=none --warmup 3 --runs "$runs" --style basic "$vxtts say -f $text -o $work/x.wav" |
  grep -E 'Time|Range'

echo
echo "== peak memory of vxtts (maximum resident set size, best of 3)"
for size in 1k 10k 100k; do
  best=
  for _ in 1 2 3; do
    kb=$(/usr/bin/time -v "$vxtts" say -f "$work/prose_$size.txt" -o "$work/m.wav" 2>&1 >/dev/null |
      sed -n 's/.*Maximum resident set size (kbytes): //p')
    if [ -z "$best" ] || [ "$kb" -lt "$best" ]; then best=$kb; fi
  done
  printf '%-5s characters: %6d KB   audio %.0f s\n' "$size" "$best" "$(wav_seconds "$work/m.wav")"
done

echo
echo "== time to the first audio byte on --stdout, from process start (30 runs)"
"$python" - "$vxtts" "$text" <<'PY'
import os, subprocess, sys, time
HEADER = 44  # the WAV header comes first; the byte after it is the first of the audio

def first_byte_ms(command, wanted):
    start = time.perf_counter()
    # Closing the pipe early makes vxtts fail its next write and say so: that line is not news.
    process = subprocess.Popen(command, stdout=subprocess.PIPE, stdin=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL)
    got = 0
    while got < wanted:
        block = os.read(process.stdout.fileno(), wanted - got)
        if not block:
            break
        got += len(block)
    elapsed = (time.perf_counter() - start) * 1000
    process.stdout.close()
    process.kill()
    process.wait()
    return elapsed

def summary(command, wanted):
    times = sorted(first_byte_ms(command, wanted) for _ in range(30))
    return f"min {times[0]:.2f} ms, median {times[len(times) // 2]:.2f} ms"

vxtts, text = sys.argv[1], sys.argv[2]
print("vxtts say -f TEXT --stdout:", summary([vxtts, "say", "-f", text, "--stdout"], HEADER + 1))
print("vxtts say -v espeak_ru -f TEXT --stdout:",
      summary([vxtts, "say", "-v", "espeak_ru", "-f", text, "--stdout"], HEADER + 1))
print("espeak-ng -v ru -f TEXT --stdout:", summary(["espeak-ng", "-v", "ru", "-f", text, "--stdout"], HEADER + 1))
print("for scale, starting /bin/true and reading its end:", summary(["/bin/true"], 1))
PY
