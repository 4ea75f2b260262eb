#!/usr/bin/env python3
"""Writes the built-in voice's Russian stress file from the stress dictionary of Festival's Russian
voice (msu_ru_nsh_dict.scm of Debian's festvox-ru, which ./vx fetches into build/third_party).

usage: gen_stress.py DICTIONARY COPYRIGHT UNSTRESSED OUTPUT
       gen_stress.py --evaluate DICTIONARY

The dictionary's lines read ("абажура" n (3)): a word form, its part of speech and its stressed
syllable counted from 1 (0: said without stress); "fix_yo" after it marks a form whose е is
really ё. The output (UTF-8, format explained at its top) holds:
  - suffix rules learnt from the dictionary itself: for every word ending of 2 to 5 letters that at
    least MIN_WORDS forms share, the vowel (counted from the word's end) that at least MIN_SHARE of
    them stress, unless the shorter rule that would otherwise apply says the same; and the default,
    the position most forms have;
  - every form of Russian letters (forms with a hyphen are left out: the voice never gets them
    whole) that those rules do not place as the dictionary does, grouped as a stem with endings
    where forms extend a shorter one stressed alike;
  - the words of UNSTRESSED (one a line, ";" comments), said without stress whatever the
    dictionary says.
A form listed with two stresses keeps one: a common word before a proper name (name, surname,
patronymic), then the first in the dictionary. Entries whose stress lies past the form's vowels, or
before its ё (ё is always stressed, and a compound's main stress is in its last part) are errors
of the source and left out. COPYRIGHT is the package's copyright file: its licence asks that the
notice be kept and that changes be marked, which the output's header does.

--evaluate learns the rules from 90 % of the stressed forms and prints how often the rules alone
(ё, one vowel, suffix rules, the default) place the stress of the other 10 % right.
"""
import collections
import random
import re
import sys

VOWELS = frozenset("аеёиоуыэюя")
PROPER_NAMES = frozenset({"name", "surname", "sname"})
ENTRY = re.compile(r'\("([^"]*)" (\S*) \((\d+)\)( fix_yo)?\)')
WORD = re.compile(r"[а-яё]+")
# A simple majority of at least ten forms: held out from learning, 73 % of the dictionary's forms
# are then placed right by the rules alone (49 % when nine in ten must agree), and the file of the
# forms they miss is half as long.
MIN_WORDS = 10
MIN_SHARE = 0.5
SUFFIX_LENGTHS = range(2, 6)


def vowel_positions(word):
    return [i for i, c in enumerate(word) if c in VOWELS]


def contradicts_yo(word, index, fix_yo):
    """True when the stress lies before the form's ё: before its last ё, or before every е of a form
    whose е stands for ё."""
    letters = "е" if fix_yo else "ё"
    places = [i for i, c in enumerate(word) if c == letters]
    return bool(places) and index < (places[0] if fix_yo else places[-1])


def read_dictionary(path):
    """{form: index of its stressed letter, or None when unstressed} and a count of what was
    left out, by reason."""
    with open(path, encoding="utf-8") as f:
        text = f.read()
    chosen = {}  # form: ((proper name?, order), index)
    dropped = collections.Counter()
    for order, (word, part, syllable, fix_yo) in enumerate(ENTRY.findall(text)):
        if not WORD.fullmatch(word):
            dropped["not of letters а-я ё alone"] += 1
            continue
        syllable = int(syllable)
        vowels = vowel_positions(word)
        if syllable > len(vowels):
            dropped["stress past the last vowel"] += 1
            continue
        index = vowels[syllable - 1] if syllable else None
        if index is not None and contradicts_yo(word, index, fix_yo):
            dropped["stress before ё"] += 1
            continue
        rank = (part in PROPER_NAMES, order)
        if word not in chosen or rank < chosen[word][0]:
            chosen[word] = (rank, index)
    return {word: index for word, (_, index) in chosen.items()}, dropped


def read_unstressed(path):
    words = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split(";", 1)[0].strip()
            if not line:
                continue
            if not WORD.fullmatch(line):
                raise ValueError("%s:%d: not a word of letters а-я ё: %r" % (path, number, line))
            words.append(line)
    return words


def from_end(word, index):
    """The stressed vowel's number counted from the word's end (1: the last vowel)."""
    vowels = vowel_positions(word)
    return len(vowels) - vowels.index(index)


def ruled_by_suffix(word, index):
    """Whether the suffix rules are what places the stress of a form that is not listed: the ё
    and one-vowel rules come first."""
    return index is not None and "ё" not in word and len(vowel_positions(word)) > 1


def learn_rules(forms):
    """({suffix: vowel from the end}, default vowel from the end), from the forms' own stress."""
    tallies = collections.defaultdict(collections.Counter)
    overall = collections.Counter()
    for word, index in forms.items():
        if not ruled_by_suffix(word, index):
            continue
        position = from_end(word, index)
        overall[position] += 1
        for length in SUFFIX_LENGTHS:
            if length <= len(word):
                tallies[word[-length:]][position] += 1
    default = min(overall, key=lambda p: (-overall[p], p))
    rules = {}
    # Shortest first, so that a rule is kept only where it differs from the one it refines.
    for suffix in sorted(tallies, key=lambda s: (len(s), s)):
        tally = tallies[suffix]
        total = sum(tally.values())
        position, count = min(tally.items(), key=lambda item: (-item[1], item[0]))
        if total < MIN_WORDS or count < MIN_SHARE * total:
            continue
        shorter = next((rules[suffix[-n:]] for n in range(len(suffix) - 1, 0, -1) if suffix[-n:] in rules), default)
        if position != shorter:
            rules[suffix] = position
    return rules, default


def predict(word, rules, default):
    """Where the voice stresses a word that is not listed (StressDictionary::stressedVowel)."""
    vowels = vowel_positions(word)
    if not vowels:
        return None
    if "ё" in word:
        return word.rindex("ё")
    if len(vowels) == 1:
        return vowels[0]
    for length in range(len(word), 0, -1):
        position = rules.get(word[-length:])
        if position is not None and position <= len(vowels):
            return vowels[-position]
    return vowels[-min(default, len(vowels))]


def group_forms(forms):
    """The forms as lines "stem|ending|ending": each form follows the shortest listed form that
    begins it, holds its stressed vowel and is stressed alike (and follows no other itself)."""
    heads = {}
    followers = collections.defaultdict(list)
    for word in sorted(forms):
        index = forms[word]
        start = 1 if index is None else index + 1
        head = next(
            (word[:n] for n in range(start, len(word)) if heads.get(word[:n], "-") == index),
            None,
        )
        if head is None:
            heads[word] = index
        else:
            followers[head].append(word[len(head):])
    return ["|".join([marked(head, heads[head])] + followers[head]) for head in sorted(heads)]


def marked(word, index):
    return word if index is None else word[:index] + "+" + word[index:]


def license_notice(path):
    """The licence of the dictionary's files (the "Files: *" paragraph), as comment lines."""
    with open(path, encoding="utf-8") as f:
        paragraphs = f.read().split("\n\n")
    paragraph = next(p for p in paragraphs if p.startswith("Files: *"))
    lines = []
    for line in paragraph.splitlines()[1:]:
        line = line[1:] if line.startswith(" ") else line
        lines.append(";" if line == "." else "; " + line)
    return lines


HEADER = """\
; Word stress for the built-in voice: which vowel of a word it stresses. UTF-8, one entry a line;
; ";" starts a comment, which runs to the end of its line.
;   абаж+ур          a word form, "+" before its stressed vowel
;   абаж+ур|а|ами    a form and the forms that add an ending to it, stressed where it is:
;                    абажур, абажура, абажурами
;   на               a word said without stress (prepositions, conjunctions, particles)
;   -ация 2          a word not listed that ends in "ация" is stressed on its 2nd vowel from the end
;   - 2              the default: the vowel from the end for a word nothing else places
; Words are written in small letters а-я and ё, as the voice receives them; a word listed twice
; takes its later entry. A word that is not listed is stressed on its ё, else on its only vowel,
; else by the longest rule whose ending it has and whose vowel it has, else by the default (on its
; first vowel when it has fewer). The forms that these rules place as the dictionary does are not
; listed: a changed rule changes them too.
;
; Modified work: generated by tools/gen_stress.py from msu_ru_nsh_dict.scm, the stress dictionary
; of Festival's Russian voice (Debian package festvox-ru). Changed from the original: written in
; this format; forms with a hyphen, stresses past a form's vowels or before its ё left out; of a
; form listed twice, a common word kept before a proper name, then the first; the unstressed words
; of vxtts's data/ru_unstressed.txt added; the suffix rules and the default learnt from the
; dictionary added, and the forms they place as the dictionary does left out. The original's
; notice and licence:
;"""


def listed(forms, rules, default):
    """The forms that the rules would not place as the dictionary does, and those said without
    stress."""
    return {word: index for word, index in forms.items() if index is None or predict(word, rules, default) != index}


def render(forms, listed_forms, rules, default, notice):
    lines = HEADER.splitlines() + notice
    lines += [
        ";",
        "; %d suffix rules (ending of at least %d forms, %d %% of them alike) and the default"
        % (len(rules), MIN_WORDS, round(MIN_SHARE * 100)),
    ]
    # Rules that share an ending stand together.
    lines += ["-%s %d" % (suffix, rules[suffix]) for suffix in sorted(rules, key=lambda s: s[::-1])]
    lines += [
        "- %d" % default,
        "; %d word forms of the dictionary's %d that the rules do not place as it does, and the words"
        % (len(listed_forms), len(forms)),
        "; said without stress",
    ]
    lines += group_forms(listed_forms)
    return "\n".join(lines) + "\n"


def evaluate(forms):
    ruled = sorted(word for word, index in forms.items() if index is not None)
    random.Random(1).shuffle(ruled)
    cut = len(ruled) * 9 // 10
    rules, default = learn_rules({word: forms[word] for word in ruled[:cut]})
    held_out = ruled[cut:]
    right = sum(predict(word, rules, default) == forms[word] for word in held_out)
    by_rule = [w for w in held_out if ruled_by_suffix(w, forms[w]) and any(w.endswith(s) for s in rules)]
    right_by_rule = sum(predict(word, rules, default) == forms[word] for word in by_rule)
    print("rules learnt from %d forms: %d, default %d" % (cut, len(rules), default))
    print("held-out forms placed right by the rules alone: %d of %d (%.1f %%)"
          % (right, len(held_out), 100.0 * right / len(held_out)))
    print("of them a suffix rule placed: %d (%.1f %% of the held-out), right: %.1f %%"
          % (len(by_rule), 100.0 * len(by_rule) / len(held_out), 100.0 * right_by_rule / max(1, len(by_rule))))


def main(argv):
    if len(argv) == 2 and argv[0] == "--evaluate":
        forms, dropped = read_dictionary(argv[1])
        print("word forms: %d; left out: %s" % (len(forms), dict(dropped)))
        evaluate(forms)
        return 0
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    dictionary, copyright_file, unstressed, output = argv
    forms, _ = read_dictionary(dictionary)
    rules, default = learn_rules(forms)
    forms.update((word, None) for word in read_unstressed(unstressed))
    text = render(forms, listed(forms, rules, default), rules, default, license_notice(copyright_file))
    with open(output, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
