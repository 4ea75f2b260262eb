#!/usr/bin/env python3
"""Scores how many sentences of a reading corpus a voice reads as a careful newsreader would.

    score.py [--vxtts PATH] [--language ru|uk] [--corpus FILE] [--mode before|after]
             [--espeak] [--min PERCENT] [--show-failures]

The corpus is FILE, or LANGUAGE.tsv beside this script without --corpus: "text<TAB>reading"
lines, paragraphs apart by a blank line, '#' starting a comment. A sentence is read right when
the voice's modules are given the same words for its text as for its reading. The reading goes
through `vxtts normalize` with the text-reading stage off; the text with the stage as shipped
(--mode after) or off (--mode before). Sentence mode reads each sentence on its own; paragraph
mode reads each paragraph as one text and finds its sentences in what was read by aligning it
with their readings.

--espeak scores eSpeak NG on the same corpus instead, by its phonemes.

Prints "LANGUAGE sentences: R/N (P %), paragraphs: R/N (P %)"; the exit status is 1 when either
share is below --min. Uses the standard library only.
"""

import argparse
import difflib
import os
import re
import shutil
import subprocess
import sys
import tempfile
from bisect import bisect_right
from itertools import accumulate
from pathlib import Path

HERE = Path(__file__).resolve().parent
VOICES = {"ru": "tembra", "uk": "tembra_uk"}
# The CLI hands the engine its input in chunks of at most this many UTF-16 units
# (cli/TextChunker.h); a batch no longer than that is read as one text, never cut.
CHUNK = 1024
# Between the texts of a batch; the CLI makes it one space. A text that ends with a sentence end
# ends a portion of the pipeline, so the next text starts a sentence of its own.
SEPARATOR = "\n\n"
# The pipeline's min_portion_size (text/TextPipeline.h), which the shipped voices keep.
ONE_PORTION = 64
SENTENCE_LINE = re.compile(r"# sentence length=(\d+) offset=(\d+)$")
NORMALIZATION_KEY = re.compile(r"\s*normalization\s*=")
NOT_COMPARED = str.maketrans("ё", "е", ".,?!;:-")
# eSpeak NG's phoneme mnemonics (-x) are compared for the sounds alone: word breaks (spaces,
# the - that joins an unstressed word to the next), pauses (_ _: _!) and switches to another
# language's phonemes ("(en)") are left out. Its number tables and its spelling rules write the
# same word differently (пять: p;'jat; from 5, p;'At; from the letters; двадцать: dv'AttsVt; and
# dv'AdtsVt;), so what they vary in is not compared either: palatalization (;), j glides, the
# schwa before r, the kind of r, voicing and the quality of unstressed vowels.
# What is compared is the consonants, the number of syllables and each stressed vowel, which
# tells "двадцать одна" from "двадцать одну" and "пять" from "пяти", but not stress itself.
NOT_SOUNDS = re.compile(r"\([a-z_-]+\)|_[:!]?|[\s%=;j-]|@(?=[r*R])")
VOWEL = re.compile(r"([',]?)([aAeEiIoOuUyYV@8])[#2-9]?")
STRESSED_VOWELS = str.maketrans("AEIOUYV@8", "aeiouyaao")
LIKE_SOUNDS = str.maketrans("dzbgvZR*", "tspkfSrr", "',")


def read_corpus(path):
    """The paragraphs of a corpus file, each a list of (text, reading) pairs."""
    paragraphs = [[]]
    for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip():
            paragraphs.append([])
        elif not line.startswith("#"):
            text, tab, reading = line.partition("\t")
            if not tab or not text.strip() or not reading.strip():
                sys.exit(f"{path}:{number}: not a line 'text<TAB>reading'")
            paragraphs[-1].append((text.strip(), reading.strip()))
    return [paragraph for paragraph in paragraphs if paragraph]


def units(text):
    """The length of text in UTF-16 units, as the CLI counts it."""
    return len(text.encode("utf-16-le")) // 2


def write_utf16(path, text):
    """A configuration file as the engine reads it: UTF-16LE without a byte-order mark."""
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_bytes(text.encode("utf-16-le"))


class Vxtts:
    """`vxtts normalize` with the stage as shipped (on) or with voices.conf's normalization keys
    left out (off), each through a configuration folder of its own."""

    def __init__(self, program, voice, folder):
        self.program, self.voice, self.folder = program, voice, folder
        # A per-user folder that does not exist yet gets a copy of the program's data on the
        # first run: the shipped configuration.
        self.on = folder / "on"
        # The engine looks for each file in the per-user data folder first, then beside the
        # program: a per-user folder holding only voices.conf changes that file alone.
        self.off = folder / "off"
        self.off_voices = self.off / "VxTts" / "data" / "voices.conf"
        shipped = (Path(program).parent / "data" / "voices.conf").read_bytes().decode("utf-16-le")
        lines = shipped.splitlines(keepends=True)
        off_voices = "".join(line for line in lines if not NORMALIZATION_KEY.match(line))
        self.check_read(off_voices)
        write_utf16(self.off_voices, off_voices)

    def check_read(self, voices):
        """Stops unless vxtts reads the per-user voices.conf: a voice only it names is listed."""
        write_utf16(self.off_voices, voices + "\n[reading_probe]\nru = tembra\n")
        if not re.search(r"^reading_probe\t", self.run(self.off, ["voices"]), re.M):
            sys.exit(f"{self.program} does not read {self.off_voices}")

    def run(self, home, arguments, text=""):
        environment = dict(os.environ, XDG_CONFIG_HOME=str(home), TMPDIR=str(self.folder))
        result = subprocess.run([self.program, *arguments], input=text.encode(),
                                capture_output=True, env=environment)
        if result.returncode != 0:
            sys.exit(f"{self.program} {' '.join(arguments)}: {result.stderr.decode().strip()}")
        return result.stdout.decode()

    def reader(self, stage_on):
        """A function from texts to the words the modules are given for each."""
        home = self.on if stage_on else self.off
        return lambda texts: [words for batch in batches(texts)
                              for words in self.read_batch(home, batch)]

    def read_batch(self, home, texts):
        """The words of each text of a batch read as one input; each text is read on its own
        when the voice's sentences do not show where the texts start."""
        sentences = self.sentences(home, SEPARATOR.join(texts))
        if len(texts) == 1:
            return [compared_words([portion for *_, portions in sentences for portion in portions])]
        parts = parts_by_text(sentences, texts)
        if parts is None:
            return [words for text in texts for words in self.read_batch(home, [text])]
        return [compared_words(portions) for portions in parts]

    def sentences(self, home, text):
        """(input offset, length, module texts) of each sentence of `vxtts normalize`."""
        found = []
        for line in self.run(home, ["normalize", "-v", self.voice, "-"], text).splitlines():
            sentence = SENTENCE_LINE.match(line)
            if sentence:
                found.append((int(sentence.group(2)), int(sentence.group(1)), []))
            elif "\t" in line:
                found[-1][2].append(line.split("\t", 1)[1])
        return found


def parts_by_text(sentences, texts):
    """The module texts of each text of a batch, from the batch's sentences; None unless each
    text begins a sentence and the first portion of each sentence ends within its text."""
    starts = list(accumulate([0] + [units(text + SEPARATOR) for text in texts[:-1]]))
    parts, begun = [[] for _ in texts], set()
    for offset, length, portions in sentences:
        # A sentence may start on the space before the text it begins.
        index = bisect_right(starts, offset + units(SEPARATOR)) - 1
        if length <= 0 or offset + length > starts[index] + units(texts[index]):
            return None
        if offset <= starts[index]:
            begun.add(index)
        parts[index] += portions
    return parts if len(begun) == len(texts) else None


def batches(texts):
    """texts in order, in runs that the CLI reads as one chunk each."""
    batch = []
    for text in texts:
        if units(text) > CHUNK:
            sys.exit(f"longer than the CLI's chunk of {CHUNK} units: {text[:60]}…")
        if batch and not fits(batch, text):
            yield batch
            batch = []
        batch.append(text)
    if batch:
        yield batch


def fits(batch, text):
    """Whether text may join batch. A text of at most ONE_PORTION units is read alone: the
    pipeline keeps so short a text whole, but cuts a longer one at every dot, so that inside a
    batch "т. к." or an address would be read in pieces."""
    joined = batch + [text]
    return min(map(units, joined)) > ONE_PORTION and units(SEPARATOR.join(joined)) <= CHUNK


def compared_words(portions):
    """What is compared of the module texts: their words, without punctuation, ё as е."""
    return " ".join(portions).translate(NOT_COMPARED).split()


def espeak_reader(language):
    """A function from texts to eSpeak NG's sounds for each, one character a token."""
    def sounds(text):
        mnemonics = subprocess.run(["espeak-ng", "-q", "-x", "-v", language], input=text,
                                   text=True, capture_output=True, check=True).stdout
        vowels = VOWEL.sub(vowel_class, NOT_SOUNDS.sub("", mnemonics))
        return list(vowels.translate(LIKE_SOUNDS))
    return lambda texts: [sounds(text) for text in texts]


def vowel_class(vowel):
    """A stressed vowel's quality, or V for any unstressed one."""
    return vowel[2].translate(STRESSED_VOWELS) if vowel[1] else "V"


def aligned(parts, read):
    """For each part of a text read as a whole: whether it was read right, and what was read in
    its place. parts are the expected tokens of each part, read the tokens read for the whole;
    a part is right when each of its tokens is matched by an equal one and nothing was put in or
    changed inside it or at its edges."""
    ops = difflib.SequenceMatcher(None, [t for part in parts for t in part], read,
                                  autojunk=False).get_opcodes()
    results, start = [], 0
    for part in parts:
        end = start + len(part)
        touching = [op for op in ops if touches(op, start, end)]
        spans = [clipped(op, start, end) for op in touching] or [(0, 0)]
        results.append((all(op[0] == "equal" for op in touching),
                        read[min(s for s, _ in spans):max(e for _, e in spans)]))
        start = end
    return results


def touches(op, start, end):
    """Whether an opcode changes or matches the expected tokens [start, end): it overlaps them,
    or puts tokens in inside them or at either edge."""
    _, i1, i2, _, _ = op
    return i1 < end and i2 > start or i1 == i2 and start <= i1 <= end


def clipped(op, start, end):
    """The part of read that an opcode gives for the expected tokens [start, end)."""
    tag, i1, i2, j1, j2 = op
    if tag != "equal":
        return j1, j2
    return j1 + max(start - i1, 0), j1 + min(end, i2) - i1


def score(paragraphs, read_text, read_expected):
    """Each sentence with its expected tokens and the results of both modes (right, read)."""
    sentences = [pair for paragraph in paragraphs for pair in paragraph]
    expected = read_expected([reading for _, reading in sentences])
    read_alone = read_text([text for text, _ in sentences])
    alone = [(want == got, got) for want, got in zip(expected, read_alone)]
    running = read_text([" ".join(text for text, _ in paragraph) for paragraph in paragraphs])
    in_paragraphs, first = [], 0
    for paragraph, read in zip(paragraphs, running):
        in_paragraphs += aligned(expected[first:first + len(paragraph)], read)
        first += len(paragraph)
    return list(zip(sentences, expected, alone, in_paragraphs))


def share(right, total):
    return f"{right}/{total} ({100 * right / total:.1f} %)"


def show_failures(results, joiner):
    for (text, _), expected, (alone_right, alone), (running_right, running) in results:
        if alone_right and running_right:
            continue
        print(f"\n{text}\n  want:      {joiner.join(expected)}")
        if not alone_right:
            print(f"  sentence:  {joiner.join(alone)}")
        if not running_right:
            print(f"  paragraph: {joiner.join(running)}")


def arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--vxtts", default=str(HERE.parent.parent / "build/linux/bin/vxtts"))
    parser.add_argument("--language", choices=sorted(VOICES), default="ru")
    parser.add_argument("--corpus", type=Path, metavar="FILE",
                        help="the corpus to score (default: LANGUAGE.tsv beside this script)")
    parser.add_argument("--mode", choices=["before", "after"], default="after",
                        help="read the text with the reading stage off, or as shipped")
    parser.add_argument("--espeak", action="store_true", help="score eSpeak NG instead of vxtts")
    parser.add_argument("--min", type=float, metavar="PERCENT",
                        help="exit with 1 when a share is below PERCENT")
    parser.add_argument("--show-failures", action="store_true")
    return parser.parse_args()


def main():
    options = arguments()
    paragraphs = read_corpus(options.corpus or HERE / f"{options.language}.tsv")
    with tempfile.TemporaryDirectory(prefix="reading-") as folder:
        if options.espeak:
            if not shutil.which("espeak-ng"):
                sys.exit("espeak-ng is not installed (apt-get install espeak-ng)")
            label, read_text = "espeak ", espeak_reader(options.language)
            read_expected, joiner = read_text, ""
        elif not Path(options.vxtts).is_file():
            sys.exit(f"no vxtts at {options.vxtts} (./vx build makes it)")
        else:
            vxtts = Vxtts(options.vxtts, VOICES[options.language], Path(folder))
            label, read_text = "", vxtts.reader(options.mode == "after")
            read_expected, joiner = vxtts.reader(False), " "
        results = score(paragraphs, read_text, read_expected)
    if options.show_failures:
        show_failures(results, joiner)
    alone = sum(result[2][0] for result in results)
    running = sum(result[3][0] for result in results)
    print(f"{options.language} {label}sentences: {share(alone, len(results))}, "
          f"paragraphs: {share(running, len(results))}")
    worst = 100 * min(alone, running) / len(results)
    return 1 if options.min is not None and worst < options.min else 0


if __name__ == "__main__":
    sys.exit(main())
