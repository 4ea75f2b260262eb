#!/usr/bin/env python3
"""Draws the built-in voice's sound units into one PNG: each unit's waveform in its own cell,
labelled with its index, letter, role and length, so the whole inventory can be looked over
at a glance; below the 192, under a heading, the reduced vowels ʌ ə ɪ, which only the bright
table holds (after its own 192), labelled with their indices there.

usage: render_tembra_units.py [UNIT_DATA.cpp] OUT.png
  UNIT_DATA.cpp   the generated units (default tembra/SoundUnitData.cpp); the reduced vowels
                  are read from BrightUnitData.cpp beside it
"""
import os
import sys

from PIL import Image, ImageDraw, ImageFont

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import gen_tembra_units as gen  # noqa: E402

COLUMNS = 8
CELL_W, CELL_H = 300, 120
LABEL_H = 16
HEADING_H = 28
FONT_FILES = ["/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"]

BACKGROUND = (255, 255, 255)
GRID = (205, 205, 205)
SILENCE = (170, 200, 170)
WAVE = {"vowel": (30, 70, 160), "voiced": (20, 120, 60), "noise": (170, 60, 30)}
TEXT = (0, 0, 0)


def font():
    for path in FONT_FILES:
        if os.path.exists(path):
            return ImageFont.truetype(path, 11)
    return None


def colour(label):
    """Vowels blue, voiced consonants green, noisy ones (fricatives and releases) red."""
    _, letter, role = label.split(" ", 2)
    if letter in "аоуыэяёюиеʌəɪ":
        return WAVE["vowel"]
    if letter in "мнлрйвзж" or "voice bar" in role:
        return WAVE["voiced"]
    return WAVE["noise"]


def draw_unit(draw, left, top, samples, label, face):
    plot_top = top + LABEL_H
    plot_h = CELL_H - LABEL_H - 4
    draw.rectangle([left, top, left + CELL_W - 1, top + CELL_H - 1], outline=GRID)
    middle = plot_top + plot_h * (255 - 128) / 255.0
    draw.line([left + 2, middle, left + CELL_W - 3, middle], fill=SILENCE)
    width = CELL_W - 6
    points = []
    for i, v in enumerate(samples):
        x = left + 3 + width * i / max(1, len(samples) - 1)
        y = plot_top + plot_h * (255 - v) / 255.0
        points.append((x, y))
    draw.line(points, fill=colour(label), width=1)
    text = "%s  (%d)" % (label, len(samples))
    if face is None:        # the built-in bitmap font has no Cyrillic: keep what it can show
        text = text.encode("latin-1", "replace").decode("latin-1")
    draw.text((left + 4, top + 2), text, fill=TEXT, font=face)


def rows_of(units):
    return (len(units) + COLUMNS - 1) // COLUMNS


def draw_block(draw, top, units, labels, face):
    for index, samples in enumerate(units):
        row, column = divmod(index, COLUMNS)
        draw_unit(draw, column * CELL_W, top + row * CELL_H, samples, labels[index], face)


def render(units, reduced, reduced_labels, path):
    """The 192 units, then a heading and the reduced vowels with their labels, into the PNG at
    path."""
    reduced_top = rows_of(units) * CELL_H + HEADING_H
    image = Image.new("RGB", (COLUMNS * CELL_W, reduced_top + rows_of(reduced) * CELL_H),
                      BACKGROUND)
    draw = ImageDraw.Draw(image)
    face = font()
    draw_block(draw, 0, units, gen.roles(), face)
    heading = "reduced vowels of unstressed syllables: ʌ ə ɪ, in the bright table (kBrightUnits)"
    if face is None:
        heading = heading.encode("latin-1", "replace").decode("latin-1")
    draw.text((4, reduced_top - HEADING_H + 8), heading, fill=TEXT, font=face)
    draw_block(draw, reduced_top, reduced, reduced_labels, face)
    folder = os.path.dirname(path)
    if folder:
        os.makedirs(folder, exist_ok=True)
    image.save(path)


def main(argv):
    if len(argv) not in (1, 2):
        sys.stderr.write(__doc__)
        return 2
    source = argv[0] if len(argv) == 2 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "tembra", "SoundUnitData.cpp")
    tables = [(source, gen.roles()), (gen.bright_path(source), gen.bright_roles())]
    units = [gen.read_units(path) for path, _ in tables]
    for (path, labels), found in zip(tables, units):
        if len(found) != len(labels):
            sys.stderr.write("%s holds %d units, not %d\n" % (path, len(found), len(labels)))
            return 1
    plain, bright = units
    render(plain, bright[gen.UNIT_COUNT:], gen.bright_roles()[gen.UNIT_COUNT:], argv[-1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
