#!/usr/bin/env python3
"""Measures the formants of the built-in voice's steady vowels the way a phonetician's formant
tracker does (resampled to 10 kHz, pre-emphasis from 50 Hz, Gaussian window, Burg LPC of
order 10, five formants below 5000 Hz) and compares them with the voice's targets.

usage: vowel_formants_test.py UNIT_DATA.cpp
"""
import cmath
import math
import os
import sys
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import gen_tembra_units as gen  # noqa: E402

RATE = 22050
ANALYSIS_RATE = 10000
UNITS = None        # read from the file named on the command line

# vowel, its first steady period, target F1 F2 F3
TARGETS = [
    ("а", 1, 700, 1080, 2600),
    ("о", 18, 535, 780, 2500),
    ("у", 35, 300, 625, 2500),
    ("ы", 52, 300, 1480, 2220),
    ("э", 69, 440, 1800, 2550),
    ("и", 104, 240, 2250, 3200),
    ("е", 120, 440, 1800, 2550),
]


def resample(x, centre, count):
    """count samples at ANALYSIS_RATE around input sample `centre`, by a Hann-windowed sinc
    low-pass at 4800 Hz."""
    ratio = RATE / ANALYSIS_RATE
    cutoff = 4800.0 / RATE
    half = 40
    out = []
    for m in range(count):
        t = centre + (m - count / 2) * ratio
        base = int(math.floor(t))
        acc = 0.0
        for n in range(base - half, base + half + 1):
            d = t - n
            w = 0.5 + 0.5 * math.cos(math.pi * d / (half + 1))
            h = 2 * cutoff if d == 0 else math.sin(2 * math.pi * cutoff * d) / (math.pi * d)
            acc += x[n] * h * w
        out.append(acc)
    return out


def burg(x, order):
    """LPC coefficients a[0..order] (a[0] = 1) by Burg's method."""
    n = len(x)
    f, b = list(x), list(x)
    a = [1.0]
    for m in range(1, order + 1):
        num = sum(f[i] * b[i - 1] for i in range(m, n))
        den = sum(f[i] ** 2 + b[i - 1] ** 2 for i in range(m, n))
        k = -2.0 * num / den
        a = [c + k * r for c, r in zip(a + [0.0], (a + [0.0])[::-1])]
        for i in range(n - 1, m - 1, -1):
            f[i], b[i] = f[i] + k * b[i - 1], b[i - 1] + k * f[i]
    return a


def roots(coefs):
    """Roots of the monic polynomial z^n + coefs[1] z^(n-1) + ... by Durand-Kerner."""
    n = len(coefs) - 1
    z = [cmath.rect(0.9, 2 * math.pi * (i + 0.25) / n) for i in range(n)]
    for _ in range(500):
        moved = 0.0
        for i in range(n):
            p = sum(c * z[i] ** (n - j) for j, c in enumerate(coefs))
            q = 1.0
            for j in range(n):
                if j != i:
                    q *= z[i] - z[j]
            step = p / q
            z[i] -= step
            moved = max(moved, abs(step))
        if moved < 1e-12:
            break
    return z


def formants(unit):
    """F1, F2, F3 of a steady vowel made from one of its periods."""
    x = [v - 128.0 for v in UNITS[unit]] * 40
    frame = resample(x, len(x) // 2, int(0.05 * ANALYSIS_RATE))
    alpha = math.exp(-2 * math.pi * 50 / ANALYSIS_RATE)
    frame = [frame[0]] + [frame[i] - alpha * frame[i - 1] for i in range(1, len(frame))]
    n = len(frame)
    edge = math.exp(-12.0 * 0.25)
    frame = [v * (math.exp(-12.0 * (i / (n - 1) - 0.5) ** 2) - edge) / (1 - edge)
             for i, v in enumerate(frame)]
    found = []
    for r in roots(burg(frame, 10)):
        if r.imag <= 0:
            continue
        f = cmath.phase(r) * ANALYSIS_RATE / (2 * math.pi)
        if 50 < f < ANALYSIS_RATE / 2 - 50:
            found.append(f)
    return sorted(found)[:3]


class VowelFormants(unittest.TestCase):
    measured = {}

    @classmethod
    def setUpClass(cls):
        for vowel, unit, *_ in TARGETS:
            cls.measured[vowel] = formants(unit)

    def test_formants_are_within_tolerance_of_the_targets(self):
        for vowel, _, f1, f2, f3 in TARGETS:
            m1, m2, m3 = self.measured[vowel]
            with self.subTest(vowel=vowel, measured=[round(v) for v in (m1, m2, m3)]):
                self.assertLessEqual(abs(m1 - f1), max(0.10 * f1, 30))
                self.assertLessEqual(abs(m2 - f2), 0.07 * f2)
                self.assertLessEqual(abs(m3 - f3), 0.10 * f3)

    def test_vowels_keep_their_order(self):
        f1 = {v: m[0] for v, m in self.measured.items()}
        f2 = {v: m[1] for v, m in self.measured.items()}
        self.assertEqual(sorted("иеыаоу", key=lambda v: -f2[v]), list("иеыаоу"))
        self.assertGreater(f1["а"], f1["о"])
        self.assertGreater(f1["о"], f1["у"])


def main(argv):
    global UNITS
    if len(argv) != 1:
        sys.stderr.write(__doc__)
        return 2
    UNITS = gen.read_units(argv[0])
    result = unittest.main(argv=[sys.argv[0], "-v"], exit=False).result
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
