#!/usr/bin/env python3
"""Measures the formants of the built-in voice's held vowels as a phonetician's formant tracker
does (resampled to 10 kHz, pre-emphasis from 50 Hz, Gaussian window, Burg LPC of order 10; the
formants are the peaks of the LPC envelope below 5000 Hz) and compares them with the targets
the generator gave the vowels: F1 within 10 % (at least 30 Hz), F2 within 7 %, F3 within 10 %;
and checks that the vowels keep their order by F1 and F2, the stressed ones among themselves
and the reduced ones of unstressed syllables (ʌ ə ɪ) among themselves; all this for the plain
table's stressed vowels and for the bright table's stressed and reduced ones. Every stressed
vowel of the bright table must also be brighter (more energy at 1-4 kHz against 0.1-1 kHz) than
its plain one by at least MIN_GAIN dB; the reduced vowels, in the bright table alone, have no
plain one to be compared with.

usage: vowel_formants_test.py UNIT_DATA.cpp BRIGHT_UNIT_DATA.cpp
"""
import cmath
import math
import os
import sys

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "tools"))
import gen_tembra_units as gen  # noqa: E402

RATE, ANALYSIS_RATE = 22050, 10000
MIN_GAIN = 1.0     # dB; о and у gain least (2-3 dB): their first two formants lie below 1 kHz


def resample(x, centre, count):
    """count samples at ANALYSIS_RATE around input sample `centre`, by a Hann-windowed sinc
    low-pass at 4800 Hz."""
    ratio, cutoff, half = RATE / ANALYSIS_RATE, 4800.0 / RATE, 40
    out = []
    for m in range(count):
        t = centre + (m - count / 2) * ratio
        acc = 0.0
        for n in range(math.floor(t) - half, math.floor(t) + half + 1):
            d = t - n
            h = 2 * cutoff if d == 0 else math.sin(2 * math.pi * cutoff * d) / (math.pi * d)
            acc += x[n] * h * (0.5 + 0.5 * math.cos(math.pi * d / (half + 1)))
        out.append(acc)
    return out


def burg(x, order):
    """LPC coefficients a[0..order] (a[0] = 1) by Burg's method."""
    n, f, b, a = len(x), list(x), list(x), [1.0]
    for m in range(1, order + 1):
        num = sum(f[i] * b[i - 1] for i in range(m, n))
        den = sum(f[i] ** 2 + b[i - 1] ** 2 for i in range(m, n))
        k = -2.0 * num / den
        a = [c + k * r for c, r in zip(a + [0.0], (a + [0.0])[::-1])]
        for i in range(n - 1, m - 1, -1):
            f[i], b[i] = f[i] + k * b[i - 1], b[i - 1] + k * f[i]
    return a


def formants_at(x, centre):
    """The formants (5 Hz apart at most) of 50 ms of x (samples around 0 at RATE) around the
    sample centre."""
    frame = resample(x, centre, int(0.05 * ANALYSIS_RATE))
    alpha = math.exp(-2 * math.pi * 50 / ANALYSIS_RATE)
    frame = [frame[0]] + [frame[i] - alpha * frame[i - 1] for i in range(1, len(frame))]
    n = len(frame)
    edge = math.exp(-12.0 * 0.25)
    frame = [v * (math.exp(-12.0 * (i / (n - 1) - 0.5) ** 2) - edge) / (1 - edge)
             for i, v in enumerate(frame)]
    a = burg(frame, 10)
    # The envelope peaks where |A| has its minima.
    inverse = [abs(sum(c * cmath.exp(-2j * math.pi * f * k / ANALYSIS_RATE)
                       for k, c in enumerate(a))) for f in range(0, 5000, 5)]
    return [5 * i for i in range(1, len(inverse) - 1)
            if inverse[i - 1] > inverse[i] <= inverse[i + 1]]


def formants(period):
    """The formants of a held vowel made from one of its periods."""
    x = [v - 128.0 for v in period] * 40
    return formants_at(x, len(x) // 2)


def close_to(measured, targets):
    """Whether the first three formants are within F1 10 % (at least 30 Hz), F2 7 %, F3 10 %."""
    return all(abs(m - t) <= max(share * t, 30)
               for m, t, share in zip(measured, targets, (0.10, 0.07, 0.10)))


def band_power(period, low, high):
    """The power of a held vowel's harmonics from low to high Hz, the vowel made from one of its
    periods."""
    n = len(period)
    return math.fsum(abs(sum((v - 128) * cmath.exp(-2j * math.pi * k * i / n)
                             for i, v in enumerate(period))) ** 2
                     for k in range(1, n // 2) if low <= k * RATE / n < high)


def brightness(period):
    """A held vowel's energy at 1-4 kHz against 0.1-1 kHz, in dB."""
    return 10 * math.log10(band_power(period, 1000, 4000) / band_power(period, 100, 1000))


# Vowels in falling order of a formant (0 for F1, 1 for F2): the stressed ones, the reduced ones.
STRESSED_ORDERS = [(1, "иеыаоу"), (0, "аоу")]
REDUCED_ORDERS = [(1, "ɪəʌ"), (0, "ʌəɪ")]


def check_table(units, roles, vowels, orders):
    """Measures the first three formants and the brightness of each vowel's first steady unit in a
    table of units with those roles against their targets, and checks them in the orders; returns
    each vowel's brightness and how many checks failed."""
    roles, measured, bright, failed = [role.split() for role in roles], {}, {}, 0
    for vowel, resonators in vowels.items():
        first_steady = next(int(index) for index, *role in roles if role == [vowel, "steady"])
        targets = [round(frequency) for _, frequency, _ in resonators[:3]]
        measured[vowel] = formants(units[first_steady])[:3] + [0, 0, 0]
        bright[vowel] = brightness(units[first_steady])
        close = close_to(measured[vowel], targets)
        print("%s: F1 F2 F3 %s, targets %s, 1-4 kHz %+.1f dB%s"
              % (vowel, measured[vowel][:3], targets, bright[vowel], "" if close else "  FAILED"))
        failed += not close
    for formant, order in orders:
        values = [measured[vowel][formant] for vowel in order]
        if any(a <= b for a, b in zip(values, values[1:])):
            print("F%d out of the order %s: %s  FAILED" % (formant + 1, " > ".join(order), values))
            failed += 1
    return bright, failed


def main(argv):
    if len(argv) != 2:
        sys.exit(__doc__)
    plain_units, bright_units = (gen.read_units(path) for path in argv)
    reduced = {vowel: target for vowel, (_, target) in gen.REDUCED.items()}
    tables = {"plain": (plain_units, gen.roles(), gen.VOWELS, STRESSED_ORDERS),
              "bright": (bright_units, gen.bright_roles(), {**gen.VOWELS, **reduced},
                         STRESSED_ORDERS + REDUCED_ORDERS)}
    bright, failed = {}, 0
    for name, table in tables.items():
        print("%s units:" % name)
        bright[name], more_failed = check_table(*table)
        failed += more_failed
    for vowel, plain in bright["plain"].items():
        gain = bright["bright"][vowel] - plain
        print("%s: brighter by %+.1f dB%s" % (vowel, gain, "" if gain >= MIN_GAIN else "  FAILED"))
        failed += gain < MIN_GAIN
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
