#!/usr/bin/env python3
"""The built-in voice's prosody beside eSpeak NG's, on the same Russian sentences: the table of
measures a listener hears (pace, vowel and closure lengths, pitch range and tunes, the pitch
setting, held and reduced vowels), for the natural pace, the fixed pace (the shipped data with
"prosody" taken out of engines.conf) and eSpeak NG's Russian voice.

usage: bench/prosody.py [VXTTS]   (default build/linux/bin/vxtts; needs espeak-ng and numpy)
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

import numpy as np

root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
sys.path.insert(0, os.path.join(root, "tests", "tembra"))
import natural_voice_test as measure  # noqa: E402
import vowel_formants_test as tracker  # noqa: E402

RATE = measure.RATE
# The natural voice's test sentences; and one question also said as a statement, so that the two
# tunes of the same words can be compared.
STATEMENT, QUESTION = "Вы придёте к нам завтра.", "Вы придёте к нам завтра?"


class Espeak:
    def __init__(self, folder):
        self.folder = folder

    def say(self, text, *options):
        out = os.path.join(self.folder, "espeak.wav")
        pitch = {"-10": ["-p", "20"], "10": ["-p", "80"]}.get(options[1] if options else "", [])
        subprocess.run(["espeak-ng", "-v", "ru", *pitch, "-w", out, text], check=True)
        return measure.read_wav(out)  # eSpeak NG speaks at 22050 Hz too


def fixed_pace(vxtts, folder):
    """A Voice speaking with the shipped data, "prosody" taken out of engines.conf."""
    data = os.path.join(folder, "home", "VxTts", "data")
    shutil.copytree(os.path.join(os.path.dirname(vxtts), "data"), data)
    conf = os.path.join(data, "engines.conf")
    with open(conf, "rb") as f:
        raw = f.read()
    encoding = "utf-16-le" if b"\0" in raw[:4] else "utf-8"  # the build writes the data as UTF-16LE
    text = re.sub(r"(?m)^prosody = natural\r?\n", "", raw.decode(encoding))
    with open(conf, "wb") as f:
        f.write(text.encode(encoding))
    return measure.Voice(vxtts, folder)


def voiced_parts(x):
    """The stretches of x between its silences of 5 ms or more."""
    edges = [0] + [e for run in measure.silent_runs(x) for e in run] + [len(x)]
    return [x[a:b] for a, b in zip(edges[::2], edges[1::2]) if b - a > 0.01 * RATE]


def row(voice):
    sentences = [voice.say(s) for s in measure.SENTENCES]
    vowels = sum(sum(c in "аоуыэяёюиеАОУЫЭЯЁЮИЕ" for c in s) for s in measure.SENTENCES)
    spans = [measure.spoken(x) for x in sentences]
    pauses = sum(b - a for x in spans for a, b in measure.silent_runs(x, 0.1))
    seconds = sum(len(x) for x in spans) / RATE
    papa = voiced_parts(measure.spoken(voice.say("папа")))
    stressed, unstressed = (measure.voiced_frames(p) * 5 for p in (papa + papa)[:2])
    closures = [(b - a) * 1000 / RATE for a, b in measure.silent_runs(measure.spoken(voice.say("Папа купил пять тетрадей и книгу.")))]
    track = np.concatenate([measure.semitones([f for _, f in measure.pitch(x)]) for x in sentences])
    ends = [np.mean([f for _, f in measure.pitch(voice.say(t))][-5:]) for t in (STATEMENT, QUESTION)]
    pitches = [np.median([f for _, f in measure.pitch(voice.say(measure.SENTENCES[0], "-p", p))])
               for p in ("-10", "0", "10")]
    return [
        "%.1f (%.1f without pauses)" % (vowels / seconds, vowels / (seconds - pauses / RATE)),
        "%d / %d ms (%.2f)" % (stressed, unstressed, stressed / max(unstressed, 1)),
        "%s ms" % " ".join("%d" % c for c in closures),
        "%.1f semitones" % (np.percentile(track, 95) - np.percentile(track, 5)),
        "ends at %.0f vs %.0f Hz" % tuple(ends),
        "%.1f / %.1f / %.1f Hz" % tuple(pitches),
        "у %s, и %s" % tuple("%d/%d" % tuple(measure.first_vowel_formants(voice.say(w + "."))[:2])
                             for w in ("тут", "тип")),
        "%d/%d" % tuple(measure.first_vowel_formants(voice.say("потом."))[:2]),
    ]


def main(argv):
    vxtts = argv[0] if argv else os.path.join(root, "build", "linux", "bin", "vxtts")
    names = ["syllables a second", "vowel of папа, stressed / unstressed", "closures of п т к",
             "F0 range over the sentences", "last word, statement vs question", "F0 at -p -10 / 0 / +10",
             "held у, и (F1/F2)", "unstressed о of потом (F1/F2)"]
    with tempfile.TemporaryDirectory() as a, tempfile.TemporaryDirectory() as b, tempfile.TemporaryDirectory() as c:
        columns = {"natural pace": row(measure.Voice(vxtts, a)), "fixed pace": row(fixed_pace(vxtts, b)),
                   "eSpeak NG": row(Espeak(c))}
    print("| measure | " + " | ".join(columns) + " |")
    print("|---" * (len(columns) + 1) + "|")
    for i, name in enumerate(names):
        print("| %s | %s |" % (name, " | ".join(column[i] for column in columns.values())))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
