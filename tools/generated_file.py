"""The command line shared by the generators of committed files: write the file, or with --check
compare it with what the generator makes now (exit 1 when they differ)."""
import sys


def run(argv, make_text, usage):
    check = "--check" in argv
    paths = [a for a in argv if a != "--check"]
    if len(paths) != 1:
        sys.stderr.write(usage)
        return 2
    text = make_text()
    if check:
        with open(paths[0], encoding="utf-8") as f:
            if f.read() != text:
                sys.stderr.write("%s differs from the generator's output\n" % paths[0])
                return 1
        return 0
    with open(paths[0], "w", encoding="utf-8") as f:
        f.write(text)
    return 0
