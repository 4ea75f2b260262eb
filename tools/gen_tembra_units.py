#!/usr/bin/env python3
"""Writes tembra/SoundUnitData.cpp: the 192 sound units of the built-in voice, made by a small
formant synthesizer from the acoustic targets of the voice (formants, loci, noise spectra and
levels), so that the inventory is ours, reproducible and easy to change; and beside it
tembra/BrightUnitData.cpp: the 192 again, then the 51 units of the reduced vowels ʌ ə ɪ of
unstressed syllables, in one table at one gain, made with a sharper glottal closure for brighter
vowels. Only the natural pace says the reduced vowels, and it says the bright table: they are in
that table alone.

usage: gen_tembra_units.py [--check] OUTPUT [BRIGHT_OUTPUT]
  BRIGHT_OUTPUT    where the bright table goes (default BrightUnitData.cpp beside OUTPUT)
  --check          compare with the files instead of writing them; exit 1 when one differs

Only the Python standard library is used, and no floating-point function whose result may
differ between C libraries: exponentials and cosines are computed here from + - * / alone, the
noise comes from our own xorshift generator and sums are exact (math.fsum). The same Python on
any machine therefore writes the same bytes.

The synthesizer: a KLGLOTT88 glottal flow, differentiated for lip radiation, drives a cascade
of second-order resonators (and, for nasals, one antiresonator); noise from the generator,
shaped by its own resonators, makes fricatives, bursts and aspiration. Every voiced sound has a
pitch period of exactly 214 samples, and every voiced unit starts at the same point of the
glottal cycle, late in the open phase, so that units follow each other with their pulses a
period apart. A single-period unit is cut from the steady state of its parameters (or from a
path that starts there).

The bright table runs the same synthesizer with a glottal flow that is cut off at closure from a
sixth of its peak instead of running down to zero (see glottal_period): the sharper closure lifts
the harmonics above 1 kHz against those below.

Every unit ends in silence twice: at its last sample, before the synthesizer's gap, and 13
samples earlier, where it ends on the last word of a question (which loses the last 12 samples
of every unit and joins the rest without a gap). A raised-cosine dip, pitch-synchronous like the
voice, reaches silence there and rises again over the unit's last samples and a voiced unit's
first ones; it falls where the voiced wave is quiet, late in the open phase, so that it leaves
the vowels' spectra nearly as they were.
"""
import math
import os
import sys

import generated_file

RATE = 22050
PERIOD = 214            # samples per pitch period (F0 = 103.04 Hz), for every voiced unit
OPEN_PHASE = 118        # samples of the open phase of a full period (open quotient 0.55)
BRIGHT_CUTOFF = 0.17    # share of its peak from which the bright source's flow is cut off
BRIGHT_HOLD = 10        # samples before closure over which the bright flow is raised to it
BLOCK = 4               # filter coefficients follow a moving target every BLOCK samples
WARM_PERIODS = 6        # periods run before a unit is cut, so the filters are in steady state
CUT = 76                # voiced units start this many samples after a glottal opening, where
                        # most voiced waves are at their quietest (the closing dips lie there)
QUESTION_CUT = 12       # samples cut from the end of every unit of a question's last word
DIP = 50                # samples from the bottom of a unit's closing dip to where it is whole
EDGE = 12               # fade at the start of a transition period and at the edges of a voice bar
LOW, HIGH = 43, 243     # the byte range of the stored units
MS = RATE / 1000.0

# ---------------------------------------------------------------------------------------------
# Arithmetic that gives the same bits everywhere.

LN2 = 0.6931471805599453
LN10 = 2.302585092994046
PI = 3.141592653589793


def exp(x):
    """e**x from a range reduction by ln 2 and a Taylor series: basic operations only."""
    k = math.floor(x / LN2 + 0.5)
    r = x - k * LN2
    term, total = 1.0, 1.0
    for i in range(1, 22):
        term = term * r / i
        total += term
    return math.ldexp(total, k)


def cos(x):
    """cos x for any x, reduced to [-pi, pi], by its Taylor series."""
    x = x - 2.0 * PI * math.floor(x / (2.0 * PI) + 0.5)
    x2 = x * x
    term, total = 1.0, 1.0
    for i in range(1, 24):
        term = -term * x2 / ((2 * i - 1) * (2 * i))
        total += term
    return total


def gain(db):
    """The amplitude ratio of db decibels."""
    return exp(db * LN10 / 20.0)


def rms(xs):
    return math.sqrt(math.fsum(v * v for v in xs) / len(xs)) if xs else 0.0


def mean(xs):
    return math.fsum(xs) / len(xs)


class Noise:
    """Deterministic white noise: xorshift32, four draws summed for a bell-shaped spread."""

    def __init__(self, seed):
        self.state = (seed * 2654435761 + 0x9E3779B9) & 0xFFFFFFFF or 1

    def uniform(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0

    def samples(self, n):
        return [(self.uniform() + self.uniform() + self.uniform() + self.uniform()) * 0.5
                for _ in range(n)]


# ---------------------------------------------------------------------------------------------
# Sources and filters.

_GLOTTAL = {}

# The cutoff of the glottal source of the units being made (see glottal_period): None for the
# plain table, BRIGHT_CUTOFF for the bright one. made_with() sets it for a run.
_cutoff = None


def made_with(cutoff, make):
    """What make() returns when it runs with the glottal source of that cutoff."""
    global _cutoff
    before, _cutoff = _cutoff, cutoff
    try:
        return make()
    finally:
        _cutoff = before


def glottal_period(cutoff=None):
    """One period of the radiated KLGLOTT88 flow: Ug = a t^2 - b t^3 over the open phase, zero
    over the closed phase, differentiated. Scaled so that its steepest fall, at glottal
    closure, is 1; it sums to zero over the period, so no DC reaches the filters.

    With cutoff, the flow falls to zero in one sample from that share of its peak: a sharper
    closure. It is raised to that share along a ramp over the last BRIGHT_HOLD samples before, so
    that the extra fall and the rise that makes up for it nearly cancel below 1 kHz: the
    harmonics around the first formant keep their balance (so that a formant tracker finds it
    where it was), those above gain."""
    if cutoff not in _GLOTTAL:
        te = float(OPEN_PHASE)
        flow = [t * t * (1.0 - t / te) for t in range(OPEN_PHASE)] + [0.0] * (PERIOD - OPEN_PHASE)
        if cutoff is not None:
            top = cutoff * max(flow)
            for i in range(BRIGHT_HOLD):
                flow[OPEN_PHASE - BRIGHT_HOLD + i] += top * (i + 1) / BRIGHT_HOLD
        slope = [flow[t] - flow[t - 1] for t in range(PERIOD)]
        scale = -min(slope)
        _GLOTTAL[cutoff] = [v / scale for v in slope]
    return _GLOTTAL[cutoff]


def section_coefficients(kind, freq, bw):
    """Klatt's digital resonator (kind 'r') or antiresonator ('z'), both with unit gain at 0 Hz."""
    c = -exp(-2.0 * PI * bw / RATE)
    b = 2.0 * exp(-PI * bw / RATE) * cos(2.0 * PI * freq / RATE)
    a = 1.0 - b - c
    if kind == "r":
        return (a, b, c)
    return (1.0 / a, -b / a, -c / a)


def run_section(x, kind, coefs):
    """Filters x through one section; coefs holds one (a, b, c) per BLOCK samples."""
    out = [0.0] * len(x)
    s1 = s2 = 0.0
    if kind == "r":
        for n, v in enumerate(x):
            a, b, c = coefs[n // BLOCK]
            y = a * v + b * s1 + c * s2
            s2 = s1
            s1 = y
            out[n] = y
    else:
        for n, v in enumerate(x):
            a, b, c = coefs[n // BLOCK]
            out[n] = a * v + b * s1 + c * s2
            s2 = s1
            s1 = v
    return out


def config_at(keys, n):
    """The filter configuration at sample n: keys are (sample, config) pairs in order; between
    two keys every frequency and bandwidth moves linearly, outside them it holds."""
    if n <= keys[0][0]:
        return keys[0][1]
    for (n0, c0), (n1, c1) in zip(keys, keys[1:]):
        if n < n1:
            w = (n - n0) / (n1 - n0)
            return tuple((k, f0 + (f1 - f0) * w, b0 + (b1 - b0) * w)
                         for (k, f0, b0), (_, f1, b1) in zip(c0, c1))
    return keys[-1][1]


def cascade(x, keys):
    """x through the cascade of sections that keys describe (see config_at)."""
    blocks = (len(x) + BLOCK - 1) // BLOCK
    configs = [config_at(keys, i * BLOCK) for i in range(blocks)]
    for s, (kind, _, _) in enumerate(keys[0][1]):
        coefs, last, last_coef = [], None, None
        for cfg in configs:
            sec = cfg[s]
            if sec != last:
                last, last_coef = sec, section_coefficients(kind, sec[1], sec[2])
            coefs.append(last_coef)
        x = run_section(x, kind, coefs)
    return x


def voicing(n, amps):
    """n samples of glottal pulses; period g opens at sample g * PERIOD with amplitude amps(g)."""
    shape = glottal_period(_cutoff)
    out = []
    for g in range((n + PERIOD - 1) // PERIOD):
        a = amps(g)
        out.extend(v * a for v in shape)
    return out[:n]


_STEADY = {}


def steady_period(cfg):
    """One period of the steady state of cfg, starting at the glottal opening."""
    key = (cfg, _cutoff)
    if key not in _STEADY:
        x = voicing(PERIOD * (WARM_PERIODS + 1), lambda g: 1.0)
        _STEADY[key] = cascade(x, [(0, cfg)])[-PERIOD:]
    return _STEADY[key]


def voiced_unit(length, keys, amps=lambda k: 1.0):
    """A voiced unit of length samples starting CUT samples after a glottal opening. keys are
    (offset from the unit's start, config); amps(k) is the amplitude of the k-th glottal period
    of the unit (k < 0 for the warm-up)."""
    start = WARM_PERIODS * PERIOD + CUT
    x = voicing(start + length + 1, lambda g: amps(g - WARM_PERIODS))
    return cascade(x, [(start + off, cfg) for off, cfg in keys])[start:start + length]


_TRIG = {}


def trig(m):
    """cos and sin of 2 pi j / m for j < m."""
    if m not in _TRIG:
        angles = [2.0 * PI * j / m for j in range(m)]
        _TRIG[m] = ([cos(a) for a in angles], [cos(a - PI / 2.0) for a in angles])
    return _TRIG[m]


def resample_period(x, length):
    """One period x (a whole cycle of a periodic wave) sampled anew from its Fourier series:
    length samples spread over the cycle, from x's first sample on. A period squeezed this way
    still ends where the next one begins."""
    n = len(x)
    cn, sn = trig(n)
    cm, sm = trig(length)
    out = [math.fsum(x) / n] * length
    for k in range(1, (n + 1) // 2):
        re = math.fsum(v * cn[(k * i) % n] for i, v in enumerate(x)) * 2.0 / n
        im = math.fsum(v * sn[(k * i) % n] for i, v in enumerate(x)) * 2.0 / n
        for j in range(length):
            out[j] += re * cm[(k * j) % length] + im * sm[(k * j) % length]
    return out


def one_period(length, cfg, amp=1.0):
    """A steady period of cfg from CUT; shorter lengths squeeze the whole period, longer ones
    run on into the next."""
    x = voiced_unit(max(length, PERIOD), [(0, cfg)], lambda k: amp)
    return x if length >= PERIOD else resample_period(x, length)


def right_aligned_voicing(length, keys):
    """Voicing whose last sample lies just before CUT, so that a following vowel unit continues
    its glottal cycle; keys' offsets count from the unit's start."""
    periods = WARM_PERIODS + (length + PERIOD - 1) // PERIOD
    total = periods * PERIOD + CUT
    start = total - length
    x = voicing(total, lambda g: 1.0)
    return cascade(x, [(start + off, cfg) for off, cfg in keys])[start:]


def shaped_noise(n, seed, sections, tilt=0.0, lead=600):
    """n samples of noise through static sections; tilt adds that much of a first difference
    (a rising spectrum) or, when negative, of a one-pole smoothing (a falling one)."""
    x = Noise(seed).samples(n + lead)
    if tilt > 0.0:
        x = [x[i] - tilt * x[i - 1] for i in range(len(x))]
    elif tilt < 0.0:
        y, prev = [], 0.0
        for v in x:
            prev = v - tilt * prev
            y.append(prev)
        x = y
    if sections:
        x = cascade(x, [(0, tuple(sections))])
    x = x[lead:]
    m = mean(x)
    return [v - m for v in x]


def periodic_noise(n, seed, sections, tilt=0.0):
    """Noise that repeats every period (a voiced fricative's turbulence, locked to the glottal
    cycle): one period of noise, looped through the shaping filters until they settle."""
    one = Noise(seed).samples(PERIOD)
    x = one * (WARM_PERIODS + 2)
    if tilt > 0.0:
        x = [x[i] - tilt * x[i - 1] for i in range(len(x))]
    x = cascade(x, [(0, tuple(sections))])[-PERIOD:]
    m = mean(x)
    x = [v - m for v in x]
    return [x[i % PERIOD] for i in range(n)]


def ramp(n, i):
    """Raised-cosine weight of sample i of an n-sample fade-in (0 at i = 0, 1 from i = n)."""
    return 1.0 if i >= n else 0.5 - 0.5 * cos(PI * i / n)


def fade(x, fade_in=0, fade_out=0):
    n = len(x)
    return [v * ramp(fade_in, i) * ramp(fade_out, n - 1 - i) for i, v in enumerate(x)]


def opened(x):
    """A voiced unit's start: the closing dip of the unit before it (see closed), a period
    earlier in the same glottal cycle, rises on over its first samples."""
    return [v * ramp(DIP, i + QUESTION_CUT + 1) for i, v in enumerate(x)]


def closed(x):
    """x silent QUESTION_CUT + 1 samples before its end, at the bottom of a raised-cosine dip
    DIP samples wide either side, so that both the whole unit and the unit without its last
    QUESTION_CUT samples end in (near) silence; then without DC, taken out under a bump weighted
    by the dip, so that both edges and the silent sample stay put."""
    n = len(x)
    bottom = n - QUESTION_CUT - 1
    dip = [ramp(DIP, abs(i - bottom)) for i in range(n)]
    y = [v * w for v, w in zip(x, dip)]
    bump = [(0.5 - 0.5 * cos(2.0 * PI * i / (n - 1))) * w for i, w in enumerate(dip)]
    c = math.fsum(y) / math.fsum(bump)
    return [v - c * w for v, w in zip(y, bump)]


def envelope(x, points):
    """x times a piecewise raised-cosine envelope through (sample, weight) points."""
    out = []
    for i, v in enumerate(x):
        w = points[-1][1]
        if i <= points[0][0]:
            w = points[0][1]
        else:
            for (n0, w0), (n1, w1) in zip(points, points[1:]):
                if i < n1:
                    w = w0 + (w1 - w0) * (0.5 - 0.5 * cos(PI * (i - n0) / (n1 - n0)))
                    break
        out.append(v * w)
    return out


def add(*parts):
    return [math.fsum(vs) for vs in zip(*parts)]


def lay(x, length, at):
    """x laid into silence of length samples from sample at on."""
    out = [0.0] * length
    for i, v in enumerate(x[:max(0, length - at)]):
        out[at + i] = v
    return out


# ---------------------------------------------------------------------------------------------
# Acoustic targets.

def resonators(*pairs):
    """A cascade of resonators from (frequency, bandwidth) pairs."""
    return tuple(("r", float(f), float(b)) for f, b in pairs)


def vowel(f1, f2, f3, f4, b1, b2, b3):
    return resonators((f1, b1), (f2, b2), (f3, b3), (f4, 250), (4500, 300))


VOWELS = {
    "а": vowel(700, 1080, 2600, 3550, 57, 72, 130),
    "о": vowel(535, 780, 2500, 3500, 54, 65, 100),
    "у": vowel(300, 625, 2500, 3400, 69, 50, 110),
    "ы": vowel(300, 1480, 2220, 3200, 50, 70, 110),
    "э": vowel(440, 1800, 2550, 3410, 39, 95, 170),
    "и": vowel(240, 2250, 3200, 3570, 50, 70, 110),
}
VOWELS["е"] = VOWELS["э"]

# The reduced vowels of unstressed syllables, each with the stressed group whose layout and
# lengths it takes (so the synthesizer's timing holds): ʌ (о а just before the stress and at a
# word's start) a more closed, central а; ə (о а elsewhere) the central vowel; ɪ (е я after a
# soft consonant) a lowered, centralised и. Bondarko (1977) and Jaworski (2010) find unstressed
# а less open than stressed; Thelin (1971, after Bethin 2009) measures ɪ at about 300 / 2000 Hz.
REDUCED = {
    "ʌ": ("а", vowel(600, 1150, 2500, 3500, 60, 80, 130)),
    "ə": ("а", vowel(500, 1400, 2500, 3500, 60, 85, 140)),
    "ɪ": ("и", vowel(330, 1950, 2600, 3450, 50, 80, 130)),
}

# The fronted vowel of я ё ю after a soft consonant or й: two steady periods gliding from the
# fronted quality toward the plain vowel, whose endings follow.
IOTATED = {
    "я": ("а", [vowel(620, 1450, 2650, 3550, 57, 72, 130),
                vowel(680, 1250, 2600, 3550, 57, 72, 130)]),
    "ё": ("о", [vowel(480, 1420, 2500, 3500, 54, 65, 100),
                vowel(520, 1080, 2500, 3500, 54, 65, 100)]),
    "ю": ("у", [vowel(300, 1500, 2400, 3400, 69, 50, 110),
                vowel(300, 1080, 2450, 3400, 69, 50, 110)]),
}

# Consonant edges: (F1, F2 hard, F2 soft, F3 hard, F3 soft) where the vowel meets the consonant.
LOCI = {
    "labial": (250, 920, 1820, 2200, 2700),
    "dental": (250, 1440, 1700, 2600, 2800),
    "velar": (250, 1425, 1800, 2000, 2700),     # F2 and F3 close together: the velar pinch
    "л": (350, 850, 1700, 2300, 2500),
    "й": (260, 2070, 2070, 3020, 3020),
}

# How far along the path from the consonant edge (0) to the vowel (1) an onset unit starts and
# ends; quick labial and dental transitions get nearer the vowel in one period than the slow
# velar, soft and jot ones. A unit that is both onset and coda holds the midpoint.
PATHS = {
    ("labial", False): (0.2, 0.85), ("dental", False): (0.15, 0.75),
    ("velar", False): (0.1, 0.6), ("л", False): (0.15, 0.7),
    ("labial", True): (0.1, 0.55), ("dental", True): (0.1, 0.55),
    ("velar", True): (0.1, 0.55), ("л", True): (0.1, 0.55), ("й", True): (0.05, 0.5),
}


def edge(place, soft, target):
    f1, f2h, f2s, f3h, f3s = LOCI[place]
    (_, _, b1), (_, _, b2), (_, _, b3), f4, f5 = target
    return (("r", f1, max(b1, 80.0)), ("r", f2s if soft else f2h, b2),
            ("r", f3s if soft else f3h, b3), f4, f5)


def toward(a, b, w):
    """The configuration a fraction w of the way from a to b."""
    return tuple((k, fa + (fb - fa) * w, ba + (bb - ba) * w)
                 for (k, fa, ba), (_, fb, bb) in zip(a, b))


def scaled(cfg, f1=1.0, f2=1.0):
    (k1, a1, b1), (k2, a2, b2), *rest = cfg
    return ((k1, a1 * f1, b1), (k2, a2 * f2, b2), *rest)


def before_soft(cfg):
    """A vowel's last period before a soft consonant: F1 lower, F2 higher."""
    return scaled(cfg, 0.95, 1.06)


# Loudness of the classes, in dB relative to a steady а period.
LEVELS = {
    "voice bar": -10.0, "nasal": -7.0, "л": -8.0, "й": -4.0, "р": -3.0, "в": -8.0,
    "с": -10.0, "з noise": -17.0, "з voice": -12.0, "ш": -8.0, "ж noise": -14.0,
    "ж voice": -12.0, "щ": -9.0, "ф": -17.0, "в noise": -22.0, "х": -14.0,
    "burst п": -14.0, "burst т": -8.0, "burst к": -8.0, "burst б": -16.0, "burst д": -11.0,
    "burst г": -11.0, "aspiration": -18.0, "affrication": -14.0, "release voice": -6.0,
}

# Noise shapes: the sections of each fricative and burst, and the tilt of its source.
SHAPES = {
    "с": ([("r", 7300, 1600), ("r", 8600, 2000)], 1.0),
    "сь": ([("r", 6800, 1600), ("r", 8300, 2000)], 1.0),
    "ш": ([("r", 3600, 600), ("r", 2500, 1000)], 0.6),
    "щ": ([("r", 4200, 800), ("r", 2900, 1000)], 0.6),
    "ф": ([], 0.5),
    "фь": ([("r", 6000, 4000)], 0.7),
    "х": ([("r", 950, 500), ("r", 2100, 600)], 0.0),
    "ха": ([("r", 1100, 500), ("r", 2100, 600)], 0.0),
    "хо": ([("r", 800, 400), ("r", 1900, 600)], 0.0),
    "хь": ([("r", 3300, 700), ("r", 4600, 1000)], 0.4),
    "labial": ([], -0.6),
    "dental": ([("r", 4500, 1500)], 0.9),
    # velar bursts are compact, one peak that sits lower before back vowels
    "velar other": ([("r", 2300, 400)], 0.3),
    "velar а": ([("r", 1900, 400)], 0.3),
    "velar оу": ([("r", 1350, 300)], 0.0),
    "velar soft": ([("r", 3200, 500)], 0.5),
    "palatal": ([("r", 3500, 800), ("r", 5200, 1500)], 0.7),
}

SCHWA = vowel(500, 1500, 2500, 3500, 80, 90, 150)
FRONT = vowel(300, 2100, 2800, 3500, 60, 90, 150)
ROUND = vowel(420, 700, 2500, 3450, 60, 60, 110)
NEXT_VOWEL = {"other": SCHWA, "а": VOWELS["а"], "оу": ROUND, "soft": FRONT}

# Voiced consonants: the voice bar of б д г (and the voicing of ж з), в, л and й.
BAR = resonators((180, 90), (900, 400), (2300, 600), (3400, 600), (4500, 600))
BAR_SOFT = resonators((200, 90), (1800, 400), (2700, 600), (3400, 600), (4500, 600))
V_HARD = resonators((250, 80), (850, 150), (2200, 250), (3300, 300), (4500, 300))
V_SOFT = resonators((250, 80), (1900, 150), (2600, 250), (3400, 300), (4500, 300))
L_HARD = resonators((350, 80), (700, 80), (2300, 150), (3300, 250), (4500, 300))
L_SOFT = resonators((210, 60), (1700, 100), (2500, 150), (3400, 250), (4500, 300))
JOT = resonators((260, 40), (2070, 250), (3020, 500), (3600, 300), (4500, 300))


# ---------------------------------------------------------------------------------------------
# The inventory: lengths and roles.

LENGTHS = {
    "а": [213, 214, 213, 208, 213, 213, 174, 175, 214, 214, 214, 214, 213, 212, 214, 213, 214],
    "о": [214, 213, 212, 213, 213, 212, 170, 180, 213, 213, 214, 213, 214, 213, 213, 214, 213],
    "у": [213, 214, 213, 214, 214, 213, 178, 165, 214, 214, 214, 214, 214, 213, 211, 214, 214],
    "ы": [213, 214, 212, 213, 214, 214, 157, 177, 214, 214, 214, 213, 212, 212, 214, 214, 214],
    "э": [212, 214, 213, 214, 214, 213, 144, 160, 213, 214, 214, 214, 213, 213, 214, 214, 214],
    "я": [214, 214, 213, 214, 214, 213],
    "ё": [213, 211, 214, 213, 212, 213],
    "ю": [214, 214, 214, 214, 214, 211],
    "и": [214, 214, 214, 214, 214, 214, 133, 115, 212, 214, 214, 214, 213, 212, 213, 214, 214],
    "е": [213, 213, 213, 212, 127, 128, 214, 214, 214, 214, 214, 213, 213, 214, 214],
    "м": [216, 213],
    "б": [212, 418, 394, 409, 210, 485],
    "п": [452, 424, 642, 526],
    "в": [800, 1019],
    "ф": [978, 1022],
    "н": [213, 213],
    "д": [213, 336, 329, 317, 211, 987],
    "т": [497, 482, 511, 1067],
    "ж": [933],
    "ш": [876],
    "з": [758, 795],
    "с": [813, 818],
    "р": [1090, 1090],
    "ц": [1107],
    "ч": [1112],
    "щ": [1206],
    "г": [212, 682, 541, 573, 208, 698],
    "к": [998, 800, 853, 910],
    "х": [1022, 1014, 1022, 1236],
    "й": [212, 214],
    "л": [214, 214],
}
GROUPS = list(LENGTHS)          # table order; each group's base is the sum of those before it
UNIT_COUNT = 192                # kUnitCount: the plain table's units, the bright table's first
TOTAL_SAMPLES = 64018           # the samples of those units

PLAIN_ROLES = [
    "onset", "steady", "steady", "ending", "soft ending", "weak ending (spare)",
    "velar onset, coda", "soft velar coda", "soft velar onset (spare)",
    "л onset, coda", "soft л coda", "soft л onset (spare)",
    "labial onset, coda", "soft labial coda", "soft labial onset (spare)",
    "dental onset, coda", "soft dental coda",
]
IOTATED_ROLES = ["steady", "steady", "onset after й, velar", "onset after л",
                 "onset after labial", "onset after dental"]
I_ROLES = ["onset", "steady", "steady", "ending", "ending before hard", "onset after й, velar",
           "velar coda", "soft velar coda", "onset after л", "л coda", "soft л coda",
           "onset after labial", "labial coda", "soft labial coda", "onset after dental",
           "dental coda", "soft dental coda"]
E_ROLES = ["steady", "steady", "steady, ending", "onset after й, velar", "velar coda",
           "soft velar coda", "onset after л", "л coda", "soft л coda", "onset after labial",
           "labial coda", "soft labial coda", "onset after dental", "dental coda",
           "soft dental coda"]
STOP_ROLES = ["voice bar", "release", "release before а", "release before о у", "soft voice bar",
              "soft release"]
VOICELESS_ROLES = ["release", "release before а", "release before о у", "soft release"]
SUSTAINED_ROLES = ["hard", "soft"]


def group_roles(group):
    """The roles of the units of one of GROUPS, in order."""
    by_group = {"я": IOTATED_ROLES, "ё": IOTATED_ROLES, "ю": IOTATED_ROLES, "и": I_ROLES,
                "е": E_ROLES, "б": STOP_ROLES, "д": STOP_ROLES, "г": STOP_ROLES,
                "п": VOICELESS_ROLES, "т": VOICELESS_ROLES, "к": VOICELESS_ROLES,
                "х": VOICELESS_ROLES, "й": ["first period", "second period"]}
    n = len(LENGTHS[group])
    if group in "аоуыэ":
        return PLAIN_ROLES
    return by_group.get(group, SUSTAINED_ROLES if n == 2 else ["sound"])[:n]


def labelled(groups):
    """"index letter role" for every unit of (letter, roles) groups, indexed from 0."""
    out = []
    for letter, names in groups:
        out.extend("%d %s %s" % (len(out), letter, name) for name in names)
    return out


def roles():
    """The role of every unit of the 192, as "index letter role", in table order."""
    return labelled((group, group_roles(group)) for group in GROUPS)


def bright_roles():
    """The role of every unit of the bright table: the 192, then the reduced vowels."""
    return labelled([(group, group_roles(group)) for group in GROUPS] + reduced_groups())


def reduced_groups():
    """(letter, roles) of each reduced vowel, in table order."""
    return [(name, group_roles(model)) for name, (model, _) in REDUCED.items()]


# ---------------------------------------------------------------------------------------------
# Unit makers. Each returns float samples; levels are relative to reference(), the RMS of a
# steady а period, and one gain for the whole inventory turns them into bytes.

def reference():
    """The RMS of a steady а period made with the run's glottal source."""
    return rms(steady_period(VOWELS["а"]))


def at_level(x, db, over=None):
    """x scaled so that its RMS (over the slice `over`, or all of it) is db relative to
    reference()."""
    part = x[over] if over else x
    scale = reference() * gain(db) / rms(part)
    return [v * scale for v in x]


def period(length, start_cfg, end_cfg=None, amp=1.0, fade_in=0):
    """One vowel-like period from CUT, its formants moving from start_cfg to end_cfg."""
    if end_cfg is None:
        x = one_period(length, start_cfg, amp)
    else:
        x = voiced_unit(length, [(0, start_cfg), (length, end_cfg)], lambda k: amp)
    return opened(fade(x, fade_in))


# Every period starts at the same point of the glottal cycle, so consecutive units keep their
# pulses a period apart. A transition period, whose formants differ from the vowel's, fades in
# over EDGE samples, as its wave does not continue the unit before it.


def plain_vowel(lengths, target):
    """The 17 units of а о у ы э."""
    end_soft = before_soft(target)

    def onset_coda(p, i):           # a transition period heard both ways: the path's midpoint
        r0, r1 = PATHS[(p, False)]
        middle = toward(edge(p, False, target), target, (r0 + r1) / 2)
        return period(lengths[i], middle, amp=0.75, fade_in=EDGE)

    return [
        period(lengths[0], target, amp=0.6),
        period(lengths[1], target, amp=1.0),
        period(lengths[2], target, amp=0.95),
        period(lengths[3], target, amp=0.7),
        period(lengths[4], target, end_soft, amp=0.7),
        period(lengths[5], target, amp=0.45),
        onset_coda("velar", 6), coda(lengths[7], "velar", True, end_soft),
        onset(lengths[8], "velar", True, target),
        onset_coda("л", 9), coda(lengths[10], "л", True, end_soft),
        onset(lengths[11], "л", True, target),
        onset_coda("labial", 12), coda(lengths[13], "labial", True, end_soft),
        onset(lengths[14], "labial", True, target),
        onset_coda("dental", 15), coda(lengths[16], "dental", True, end_soft),
    ]


def onset(length, p, soft, target):
    """A period leaving the consonant's edge for the vowel target."""
    r0, r1 = PATHS[(p, soft)]
    e = edge(p, soft, target)
    return period(length, toward(e, target, r0), toward(e, target, r1), amp=0.8, fade_in=EDGE)


def coda(length, p, soft, last):
    """A period leaving the vowel's last configuration for the consonant's edge."""
    r0, _ = PATHS[(p, soft)]
    return period(length, last, toward(edge(p, soft, last), last, r0), amp=0.65, fade_in=EDGE)


def iotated_vowel(name):
    _, (first, second) = IOTATED[name]
    lengths = LENGTHS[name]
    return [
        period(lengths[0], first, amp=1.0),
        period(lengths[1], second, amp=0.95),
        onset(lengths[2], "й", True, first),
        onset(lengths[3], "л", True, first),
        onset(lengths[4], "labial", True, first),
        onset(lengths[5], "dental", True, first),
    ]


def vowel_i(lengths, t):
    """The 17 units of и (and of ɪ), the vowel t."""
    hard_end = scaled(t, 1.05, 0.94)
    units = [
        period(lengths[0], t, amp=0.6),
        period(lengths[1], t, amp=1.0),
        period(lengths[2], t, amp=0.95),
        period(lengths[3], t, amp=0.7),
        period(lengths[4], t, hard_end, amp=0.7),
        onset(lengths[5], "й", True, t),
    ]
    for i, p in ((6, "velar"), (9, "л"), (12, "labial"), (15, "dental")):
        if i > 6:
            units.append(onset(lengths[i - 1], p, True, t))
        units.append(coda(lengths[i], p, False, hard_end))
        units.append(coda(lengths[i + 1], p, True, t))
    return units


def vowel_e(lengths):
    t = VOWELS["е"]
    units = [
        period(lengths[0], t, amp=1.0),
        period(lengths[1], t, amp=0.95),
        period(lengths[2], t, amp=0.85),
    ]
    for i, p in ((3, "velar"), (6, "л"), (9, "labial"), (12, "dental")):
        units.append(onset(lengths[i], "й" if p == "velar" else p, True, t))
        units.append(coda(lengths[i + 1], p, False, t))
        units.append(coda(lengths[i + 2], p, True, before_soft(t)))
    return units


def sustained(length, cfg, level, periods=None, noise=None, noise_level=None, seed=0):
    """A voiced consonant, periodic at PERIOD and starting at CUT; `periods` gives the
    (config, amplitude) of each period when they differ (the р trill); `noise` adds turbulence
    of that shape, locked to the glottal cycle, at LEVELS[noise_level]."""
    if periods is None:
        x = one_period(length, cfg) if length <= PERIOD + 2 else voiced_unit(length, [(0, cfg)])
    else:
        keys = [(0, periods[0][0])]
        for k in range(1, len(periods)):
            keys += [(k * PERIOD - 20, periods[k - 1][0]), (k * PERIOD + 10, periods[k][0])]
        x = voiced_unit(length, keys, lambda k: periods[max(0, min(k, len(periods) - 1))][1])
    x = at_level(x, LEVELS[level])
    if noise:
        sections, tilt = SHAPES[noise]
        n = periodic_noise(length, seed, sections, tilt)
        # Turbulence is strongest while the glottis is open: weight it over the cycle.
        n = [v * (0.55 + 0.45 * cos(2.0 * PI * ((i + CUT) % PERIOD - OPEN_PHASE / 2) / PERIOD))
             for i, v in enumerate(n)]
        x = add(x, fade(at_level(n, LEVELS[noise_level]), int(3 * MS)))
    if length > PERIOD and length % PERIOD > 3:      # ends inside a period
        x = fade(x, 0, int(3 * MS))
    return opened(x)


def fricative(length, seed, shape, level, fade_in=int(4 * MS), fade_out=int(4 * MS)):
    """Noise of the given shape at LEVELS[level], faded in and out where it meets silence."""
    sections, tilt = SHAPES[shape]
    x = shaped_noise(length, seed, sections, tilt)
    return at_level(fade(x, fade_in, fade_out), LEVELS[level])


def burst(length, seed, shape, level):
    """A release burst: a quick rise and a raised-cosine decay over its length."""
    sections, tilt = SHAPES[shape]
    x = shaped_noise(length, seed, sections, tilt)
    rise = int(2 * MS)
    x = envelope(x, [(0, 0.0), (rise, 1.0), (length // 4 + rise, 0.8), (length - 1, 0.0)])
    return at_level(x, LEVELS[level])


def release(length, seed, stop, where, soft, following, burst_len, voiced,
            frication=None, frication_len=0):
    """A stop's release: burst (and for soft т д affrication), then for voiceless stops
    aspiration, then voicing with formants leaving the consonant's edge toward the following
    vowel. The voicing ends where a vowel period begins, so the vowel onset continues it; a
    voiced stop's voicing runs on under the burst at the level of its voice bar."""
    target = NEXT_VOWEL[following]
    e = edge(where, soft, target)
    leave = toward(e, target, 0.25)
    bar = BAR_SOFT if soft else BAR
    voice_from = burst_len + frication_len
    if not voiced:
        voice_from = length - PERIOD - 30 if length - burst_len - frication_len > PERIOD + 60 \
            else length      # a short VOT: at most one period of voicing before the vowel
    parts = [stop_burst(length, seed, stop, where, following, soft, burst_len)]
    if frication:
        f = fricative(frication_len + 160, seed + 7, frication, "affrication",
                      fade_in=int(3 * MS), fade_out=int(5 * MS))
        parts.append(lay(f, length, burst_len - 80))
    if voiced:
        keys = [(0, bar), (burst_len, bar),
                (max(burst_len + 40, min(length - PERIOD // 2, voice_from + PERIOD)), leave)]
        v = right_aligned_voicing(length, keys)
        v = at_level(v, LEVELS["release voice"], slice(length - PERIOD, length))
        under = gain(LEVELS["voice bar"] - LEVELS["release voice"])
        v = envelope(v, [(0, 0.0), (int(2 * MS), under), (voice_from, under),
                         (min(length - 1, voice_from + PERIOD), 1.0)])
        parts.append(v)
    else:
        asp_end = min(length, voice_from + 60)
        a_len = asp_end - burst_len // 2
        if a_len > 40:
            a = shaped_noise(a_len, seed + 3, e, 0.3)
            a = at_level(fade(a, int(3 * MS), int(3 * MS)), LEVELS["aspiration"])
            parts.append(lay(a, length, burst_len // 2))
        if voice_from < length:
            keys = [(0, e), (length - PERIOD // 2, leave)]
            v = right_aligned_voicing(length, keys)
            v = at_level(v, LEVELS["release voice"], slice(voice_from, length))
            v = envelope(v, [(voice_from, 0.0), (voice_from + 60, 1.0)])
            parts.append(v)
    x = add(*parts)
    m = mean(x)
    return fade([v - m for v in x], 0, 8)


def stop_burst(length, seed, stop, where, following, soft, burst_len):
    if where == "velar":
        shape = "velar " + ("soft" if soft else following)
    else:
        shape = where
    return lay(burst(burst_len, seed, shape, "burst " + stop), length, 0)


# The units of a stop, in table order: (following vowel, soft), None standing for a voice bar.
VOICED_STOP_UNITS = [(None, False), ("other", False), ("а", False), ("оу", False), (None, True),
                     ("soft", True)]
VOICELESS_STOP_UNITS = [("other", False), ("а", False), ("оу", False), ("soft", True)]


def stop_group(stop, where, lengths, seed, burst_len, soft_frication=0):
    """The units of б д г (voice bars and releases) or п т к (releases); the soft releases of
    т and д are affricated for soft_frication samples."""
    voiced = stop in "бдг"
    units = []
    for i, (following, soft) in enumerate(VOICED_STOP_UNITS if voiced else VOICELESS_STOP_UNITS):
        if following is None:
            # The smoothest unit of all: its slow wave, quiet as it is at the dip, would still
            # step off silence more steeply than it moves, so it fades in and out as well.
            bar = sustained(lengths[i], BAR_SOFT if soft else BAR, "voice bar")
            units.append(fade(bar, EDGE, EDGE))
            continue
        affricated = soft and soft_frication > 0
        units.append(release(lengths[i], seed * 100 + i, stop, where, soft, following, burst_len,
                             voiced, "palatal" if affricated else None,
                             soft_frication if affricated else 0))
    return units


def nasal(length, f2, zero, soft):
    """A nasal murmur: a low pole near 270 Hz, the place's F2 and a zero."""
    cfg = resonators((270, 80), (f2, 200), (2500 if soft else 2200, 300), (3300, 400))
    return sustained(length, cfg + (("z", float(zero), 150.0),), "nasal")


def trill(length, f2):
    """р: open, vowel-like periods and weak closed ones, two open to one closed."""
    open_ = resonators((500, 80), (f2, 100), (2500, 150), (3400, 250), (4500, 300))
    closed = resonators((300, 200), (f2, 300), (2500, 400), (3400, 400), (4500, 400))
    periods = [(closed, 0.15), (open_, 1.0), (open_, 1.0), (closed, 0.15), (open_, 1.0),
               (closed, 0.15)]
    return sustained(length, closed, "р", periods=periods)


def jot(lengths):
    """The two periods of й, the first weaker."""
    first = one_period(lengths[0], JOT, 0.7)
    second = one_period(lengths[1], JOT)
    scale = reference() * gain(LEVELS["й"]) / rms(second)
    return [opened([v * scale for v in first]), opened([v * scale for v in second])]


def affricate(length, seed, burst_shape, burst_len, noise_shape, burst_level, level):
    """ц and ч: a burst running into its fricative."""
    b = lay(burst(burst_len, seed, burst_shape, burst_level), length, 0)
    f = fricative(length - burst_len + 40, seed + 1, noise_shape, level, fade_in=int(2 * MS))
    return add(b, lay(f, length, burst_len - 40))


def make_float_units():
    """All 192 units in table order, closed (see closed), as float samples before the common
    gain."""
    L = LENGTHS
    units = []
    for name in "аоуыэ":
        units += plain_vowel(L[name], VOWELS[name])
    for name in "яёю":
        units += iotated_vowel(name)
    units += vowel_i(L["и"], VOWELS["и"])
    units += vowel_e(L["е"])
    units += [nasal(L["м"][0], 1270, 1100, False), nasal(L["м"][1], 1800, 1300, True)]
    units += stop_group("б", "labial", L["б"], 1, int(5 * MS))
    units += stop_group("п", "labial", L["п"], 2, int(5 * MS))
    units += [sustained(L["в"][0], V_HARD, "в", noise="ф", noise_level="в noise", seed=301),
              sustained(L["в"][1], V_SOFT, "в", noise="фь", noise_level="в noise", seed=302)]
    units += [fricative(L["ф"][0], 311, "ф", "ф"), fricative(L["ф"][1], 312, "фь", "ф")]
    units += [nasal(L["н"][0], 1340, 1750, False), nasal(L["н"][1], 1800, 2000, True)]
    units += stop_group("д", "dental", L["д"], 3, int(10 * MS), soft_frication=int(18 * MS))
    units += stop_group("т", "dental", L["т"], 4, int(15 * MS), soft_frication=int(20 * MS))
    units += [sustained(L["ж"][0], BAR, "ж voice", noise="ш", noise_level="ж noise", seed=401)]
    units += [fricative(L["ш"][0], 411, "ш", "ш")]
    units += [sustained(L["з"][0], BAR, "з voice", noise="с", noise_level="з noise", seed=421),
              sustained(L["з"][1], BAR_SOFT, "з voice", noise="сь", noise_level="з noise",
                        seed=422)]
    units += [fricative(L["с"][0], 431, "с", "с"), fricative(L["с"][1], 432, "сь", "с")]
    units += [trill(L["р"][0], 1500), trill(L["р"][1], 1850)]
    units += [affricate(L["ц"][0], 451, "dental", int(10 * MS), "с", "burst т", "с")]
    units += [affricate(L["ч"][0], 461, "palatal", int(15 * MS), "щ", "burst т", "щ")]
    units += [fricative(L["щ"][0], 471, "щ", "щ")]
    units += stop_group("г", "velar", L["г"], 5, int(20 * MS))
    units += stop_group("к", "velar", L["к"], 6, int(25 * MS))
    units += [fricative(n, 480 + i, shape, "х")
              for i, (n, shape) in enumerate(zip(L["х"], ("х", "ха", "хо", "хь")))]
    units += jot(L["й"])
    units += [sustained(n, c, "л") for n, c in zip(L["л"], (L_HARD, L_SOFT))]
    return [closed(x) for x in units]


def make_reduced_float_units():
    """The 51 reduced-vowel units in table order (ʌ ə ɪ, each in the layout of its model),
    closed, before the common gain."""
    units = []
    for model, target in REDUCED.values():
        make_group = vowel_i if model == "и" else plain_vowel
        units += make_group(LENGTHS[model], target)
    return [closed(x) for x in units]


def common_gain(units):
    """The gain at which the stressed vowels among units (the 192) fill the byte range."""
    vowel_count = sum(len(LENGTHS[g]) for g in "аоуыэяёюие")
    peak = 0.0
    for x in units[:vowel_count]:
        peak = max(peak, max(x) / (HIGH - 128), -min(x) / (128 - LOW))
    return 0.97 / peak


def quantize(units, gain):
    """units as bytes at gain, clamped to the stored range."""
    return [bytes(min(HIGH, max(LOW, 128 + math.floor(gain * v + 0.5))) for v in x) for x in units]


def as_bytes(units, groups):
    """units, those of groups (keys of LENGTHS, the 192's first) in table order, as bytes, all at
    the 192's gain (see common_gain): every class keeps its level and a reduced vowel sounds as
    loud as its formants make it."""
    expected = [n for g in groups for n in LENGTHS[g]]
    if [len(u) for u in units] != expected or sum(expected[:UNIT_COUNT]) != TOTAL_SAMPLES:
        raise AssertionError("unit lengths differ from the table")
    return quantize(units, common_gain(units))


def plain_units():
    """The 192 units as bytes: the fixed pace's table."""
    return as_bytes(made_with(None, make_float_units), GROUPS)


def bright_units():
    """The 192 units, then the 51 reduced ones, made with the bright glottal source (see
    glottal_period), as bytes: the natural pace's table."""
    models = [model for model, _ in REDUCED.values()]
    units = made_with(BRIGHT_CUTOFF, lambda: make_float_units() + make_reduced_float_units())
    return as_bytes(units, GROUPS + models)


# ---------------------------------------------------------------------------------------------
# The C++ file.

MAIN_ABOUT = [
    "// The built-in voice's sound units: unsigned 8-bit mono PCM at 22050 Hz, each",
    "// zero-terminated, in the order the letter rules index them.",
]
BRIGHT_ABOUT = [
    "// The built-in voice's 192 sound units, then the 51 of the reduced vowels, in their order",
    "// and lengths, made with a sharper glottal closure: brighter vowels for the natural pace.",
]


def render(units, names, prefix, about, count=None):
    """The C++ file of one table: units as arrays prefix0, prefix1, ..., listed in the array
    prefix + "s" of `count` (default prefix + "Count") entries, each under a comment naming its
    role."""
    lines = [
        "// Generated by tools/gen_tembra_units.py; do not edit. Regenerate with",
        "//   python3 tools/gen_tembra_units.py tembra/SoundUnitData.cpp",
        *about,
        '#include "tembra/SoundUnits.h"',
        "",
        "namespace vx::tembra {",
        "namespace {",
        "",
    ]
    for i, data in enumerate(units):
        lines.append("// %s" % names[i])
        lines.append("const unsigned char %s%d[] = {" % (prefix, i))
        values = list(data) + [0]
        for j in range(0, len(values), 24):
            lines.append("    " + ",".join(str(v) for v in values[j:j + 24]) + ",")
        lines.append("};")
    lines += ["", "} // namespace", "",
              "const unsigned char* const %ss[%s] = {" % (prefix, count or prefix + "Count")]
    longest = len("%s%d, " % (prefix, len(units) - 1))
    per_line = min(8, 96 // longest)            # the house's 100 columns
    for j in range(0, len(units), per_line):
        lines.append("    " + " ".join("%s%d," % (prefix, i)
                                       for i in range(j, min(j + per_line, len(units)))))
    lines += ["};", "", "} // namespace vx::tembra", ""]
    return "\n".join(lines)


def read_units(path):
    """The units stored in a file written by render(), as byte strings without the zero."""
    units, current = [], None
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if line.startswith("const unsigned char k") and line.endswith("[] = {"):
                current = []
            elif current is not None and line == "};":
                units.append(bytes(current[:-1]))
                current = None
            elif current is not None:
                current.extend(int(v) for v in line.rstrip(",").split(","))
    return units


def bright_path(units_path):
    """Where the bright table goes when only the 192 units' file is named: beside it."""
    return os.path.join(os.path.dirname(units_path), "BrightUnitData.cpp")


def main(argv):
    check = [a for a in argv if a == "--check"]
    paths = [a for a in argv if a != "--check"]
    if len(paths) not in (1, 2):
        sys.stderr.write(__doc__)
        return 2
    if len(paths) == 1:
        paths.append(bright_path(paths[0]))
    texts = [render(plain_units(), roles(), "kUnit", MAIN_ABOUT),
             render(bright_units(), bright_roles(), "kBrightUnit", BRIGHT_ABOUT,
                    "kUnitCount + kReducedUnitCount")]
    return max(generated_file.run(check + [path], lambda text=text: text, __doc__)
               for path, text in zip(paths, texts))


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
