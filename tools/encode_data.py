#!/usr/bin/env python3
"""Writes the shipped configuration as the engine reads it.

    encode_data.py [--set NAME=VALUE ...] SRC_DIR OUT_DIR [NAME ...]

The files of data/ are kept as UTF-8 (easy to edit and to diff); the engine reads UTF-16LE
without a byte-order mark (a mark would be read as part of the first line). Each file NAME of
SRC_DIR (by default every file of SRC_DIR except CMakeLists.txt, Markdown and hidden files) is
written to OUT_DIR under the same name, character for character: line ends are kept as they are.

What only the build knows (where the system keeps a library, which differs by architecture) is
written in a source as a placeholder @NAME@ and given by --set NAME=VALUE. A line with a
placeholder whose value is empty is left out, so that its key keeps the engine's default; a
placeholder that no --set gives is an error, so that none is ever shipped as it stands.

A source that is not valid UTF-8, or that begins with a byte-order mark, is refused: exit status
1 and a message naming the file and the place. Nothing is written for it, and a copy already in
OUT_DIR is left as it was. Uses the standard library only.
"""

import os
import re
import sys
import tempfile

BOM = b"\xef\xbb\xbf"
PLACEHOLDER = re.compile(r"@([A-Z][A-Z0-9_]*)@")


class SourceError(Exception):
    pass


def is_source(name):
    return not name.startswith(".") and name != "CMakeLists.txt" and not name.endswith(".md")


def decode(path, data):
    """The text of a UTF-8 source; SourceError when it has a byte-order mark or is not UTF-8."""
    if data.startswith(BOM):
        raise SourceError(f"{path}: starts with a UTF-8 byte-order mark; save it without one")
    try:
        return data.decode("utf-8", errors="strict")
    except UnicodeDecodeError as e:
        line = data.count(b"\n", 0, e.start) + 1
        column = e.start - (data.rfind(b"\n", 0, e.start) + 1) + 1
        raise SourceError(
            f"{path}:{line}:{column}: not valid UTF-8 (byte 0x{data[e.start]:02x} at offset {e.start})"
        ) from None


def substitute(path, text, values):
    """text with its placeholders filled in from values; SourceError for one values lacks."""
    lines = []
    for number, line in enumerate(text.splitlines(keepends=True), 1):
        names = PLACEHOLDER.findall(line)
        for name in names:
            if name not in values:
                raise SourceError(f"{path}:{number}: @{name}@ is not given (--set {name}=VALUE)")
        if any(values[name] == "" for name in names):
            continue
        lines.append(PLACEHOLDER.sub(lambda m: values[m.group(1)], line))
    return "".join(lines)


def write_atomically(path, data):
    """Replaces path with data, so that a reader never sees half a file."""
    folder = os.path.dirname(path) or "."
    fd, temp = tempfile.mkstemp(dir=folder, prefix=".encode-")
    try:
        with os.fdopen(fd, "wb") as out:
            out.write(data)
        os.chmod(temp, 0o644)  # mkstemp makes the file private; data is read by everyone
        os.replace(temp, path)
    except BaseException:
        if os.path.exists(temp):
            os.unlink(temp)
        raise


def encode(src_dir, out_dir, names, values):
    texts = {}
    for name in names:
        path = os.path.join(src_dir, name)
        with open(path, "rb") as f:
            texts[name] = substitute(path, decode(path, f.read()), values)
    os.makedirs(out_dir, exist_ok=True)
    for name, text in texts.items():
        write_atomically(os.path.join(out_dir, name), text.encode("utf-16-le"))


def main(argv):
    args, values = argv[1:], {}
    while len(args) >= 2 and args[0] == "--set" and "=" in args[1]:
        name, value = args[1].split("=", 1)
        values[name] = value
        args = args[2:]
    if len(args) < 2 or args[0].startswith("--"):
        print(f"usage: {os.path.basename(argv[0])} [--set NAME=VALUE ...] SRC_DIR OUT_DIR [NAME ...]",
              file=sys.stderr)
        return 2
    src_dir, out_dir = args[0], args[1]
    try:
        names = args[2:] or sorted(
            n for n in os.listdir(src_dir) if is_source(n) and os.path.isfile(os.path.join(src_dir, n))
        )
        encode(src_dir, out_dir, names, values)
    except SourceError as e:
        print(f"encode_data.py: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"encode_data.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
