#!/usr/bin/env python3
"""What a listener hears of the built-in voice at its natural pace, measured on what `vxtts say`
makes of ordinary sentences with the shipped data: the pace in syllables a second, stressed
vowels longer than unstressed ones, the closures of п т к, a pitch that moves over a sentence,
falls at the end of a statement and rises at the end of a question, a pitch setting that moves
it, the formants of vowels held under stress, and joins without clicks.

usage: natural_voice_test.py VXTTS
"""
import os
import subprocess
import sys
import tempfile
import wave

import numpy as np

sys.path.insert(0, os.path.dirname(__file__))
import vowel_formants_test as formant_tracker  # noqa: E402

RATE = 22050
SENTENCES = [
    "Сегодня мы поедем в город на новой машине.",
    "Мама мыла раму, а папа читал газету.",
    "Погода была хорошая, и мы долго гуляли по парку.",
    "Вы придёте к нам завтра?",
    "Где находится ближайшая библиотека?",
]
# Stressed vowels between voiceless stops, each said alone, with the targets of the vowel tables.
HELD = {"так": (700, 1080, 2600), "кот": (535, 780, 2500), "тут": (300, 625, 2500),
        "тык": (300, 1480, 2220), "тэк": (440, 1800, 2550), "тип": (240, 2250, 3200)}


def voice(vxtts, folder):
    """say(text, *options): the samples of text as vxtts says it, around 0."""
    def say(text, *options):
        out = os.path.join(folder, "out.wav")
        environment = dict(os.environ, XDG_CONFIG_HOME=os.path.join(folder, "home"), TMPDIR=folder)
        subprocess.run([vxtts, "say", *options, "-o", out, text], check=True, env=environment)
        return read_wav(out)
    return say


def read_wav(path):
    """The samples of a mono WAV at RATE, around 0, on the scale of 8-bit samples."""
    with wave.open(path) as w:
        assert (w.getframerate(), w.getnchannels()) == (RATE, 1) and w.getsampwidth() in (1, 2)
        data = w.readframes(w.getnframes())
        if w.getsampwidth() == 1:
            return np.frombuffer(data, np.uint8).astype(float) - 128.0
        return np.frombuffer(data, "<i2").astype(float) / 256.0


def silent_runs(x, shortest=0.005):
    """(start, end) of the runs of silence (below half an 8-bit step) at least `shortest` seconds
    long."""
    quiet = np.concatenate(([False], np.abs(x) < 0.5, [False]))
    edges = np.flatnonzero(quiet[1:] != quiet[:-1])
    return [(a, b) for a, b in zip(edges[::2], edges[1::2]) if b - a >= shortest * RATE]


def spoken(x):
    """x without its leading and trailing silence."""
    sound = np.flatnonzero(np.abs(x) >= 0.5)
    return x[sound[0]:sound[-1] + 1]


def pitch(x, hop=0.01, size=0.04):
    """(time, F0) of each voiced frame: the autocorrelation's highest peak between 60 and 300 Hz,
    where it holds at least 60 % of the frame's energy."""
    n, track = int(size * RATE), []
    lags = np.arange(RATE // 300, RATE // 60)
    for start in range(0, len(x) - n - lags[-1], int(hop * RATE)):
        frame = x[start:start + n]
        if np.sqrt(np.mean(frame ** 2)) < 3:
            continue
        energy = np.dot(frame, frame)
        r = np.array([np.dot(frame, x[start + lag:start + lag + n]) for lag in lags])
        best = int(np.argmax(r))
        if r[best] > 0.6 * energy:
            track.append((start / RATE, RATE / lags[best]))
    return track


def first_vowel_formants(x):
    """F1 to F3 in the middle of a word's first stretch of sound before a silence: a vowel said
    after a stop's release and before the next stop's closure."""
    word = spoken(x)
    runs = silent_runs(word)
    end = runs[0][0] if runs else len(word)
    padded = np.concatenate((np.zeros(RATE // 10), word, np.zeros(RATE // 10)))
    return formant_tracker.formants_at(list(padded), RATE // 10 + end // 2)[:3]


def max_step_ratio(x):
    """The largest step between two samples against the root mean square of the steps within
    2 ms either side of it (at least 2)."""
    steps = np.abs(np.diff(x))
    around = np.ones(89)
    around[44] = 0
    local = np.sqrt(np.convolve(steps ** 2, around, "same") / 88)
    return float((steps / np.maximum(local, 2.0)).max())


def semitones(frequencies, reference=100.0):
    return 12 * np.log2(np.asarray(frequencies) / reference)


def voiced_frames(x, hop=0.005):
    """How many hop-long frames of x are voiced."""
    return len(pitch(x, hop=hop, size=0.02)) if len(x) > 0.03 * RATE else 0


def check(failures, name, ok, detail):
    print("%-58s %s%s" % (name, detail, "" if ok else "  FAILED"))
    if not ok:
        failures.append(name)


def main(argv):
    if len(argv) != 1:
        sys.exit(__doc__)
    failures = []
    with tempfile.TemporaryDirectory() as folder:
        say = voice(argv[0], folder)
        sentences = [say(s) for s in SENTENCES]

        vowels = sum(sum(c in "аоуыэяёюиеАОУЫЭЯЁЮИЕ" for c in s) for s in SENTENCES)
        seconds = sum(len(spoken(x)) for x in sentences) / RATE
        check(failures, "syllables a second", 5 <= vowels / seconds <= 7, "%.2f" % (vowels / seconds))

        papa = spoken(say("папа"))
        closure = silent_runs(papa)
        parts = [papa[:closure[0][0]], papa[closure[0][1]:]] if len(closure) == 1 else [papa, papa]
        stressed, unstressed = (voiced_frames(p) for p in parts)
        check(failures, "stressed / unstressed vowel of папа", stressed >= 1.5 * max(unstressed, 1),
              "%d / %d frames of 5 ms" % (stressed, unstressed))

        text = "Папа купил пять тетрадей и книгу."
        closures = [(b - a) * 1000 / RATE for a, b in silent_runs(spoken(say(text)))]
        stops = sum(c in "птк" for c in text.lower()) - 1  # the first п's closure is the silence before
        check(failures, "closures of п т к inside a sentence, ms", len(closures) == stops and min(closures) >= 35,
              "%s" % [round(c) for c in closures])

        tracks = [semitones([f for _, f in pitch(x)]) for x in sentences]
        every = np.concatenate(tracks)
        spread = np.percentile(every, 95) - np.percentile(every, 5)
        check(failures, "F0 range over the sentences, semitones", spread >= 4, "%.1f" % spread)
        # The last 50 ms of voice of a statement, the highest pitch of the last fifth of a question.
        for text, track in zip(SENTENCES, tracks):
            middle = np.median(track)
            if text.endswith("?"):
                end = track[int(len(track) * 0.8):].max()
                check(failures, "question ends above its median: " + text, end >= middle + 3,
                      "%+.1f semitones" % (end - middle))
            else:
                end = track[-5:].mean()
                check(failures, "statement ends below its median: " + text, end <= middle - 3,
                      "%+.1f semitones" % (end - middle))

        medians = {p: np.median(semitones([f for _, f in pitch(say(SENTENCES[0], "-p", p))]))
                   for p in ("-10", "0", "10")}
        check(failures, "-p -10 and +10 move F0, semitones",
              medians["0"] - medians["-10"] >= 4 and medians["10"] - medians["0"] >= 4,
              "%+.1f %+.1f" % (medians["-10"] - medians["0"], medians["10"] - medians["0"]))

        for word, targets in HELD.items():
            measured = first_vowel_formants(say(word + "."))
            check(failures, "formants of the held vowel of " + word, formant_tracker.close_to(measured, targets),
                  "%s, targets %s" % (measured, list(targets)))

        # A click where two sounds join is a step far steeper than the steps around it (noise has
        # steep steps, but all of them are); at the fixed pace the steepest are about 5 times
        # the typical step within 2 ms either side.
        worst = max(max_step_ratio(x) for x in sentences)
        check(failures, "steepest step against the steps around it", worst <= 6, "%.1f" % worst)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
