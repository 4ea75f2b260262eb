#!/usr/bin/env python3
"""Writes the shipped configuration as the engine reads it.

    encode_data.py SRC_DIR OUT_DIR [NAME ...]

The files of data/ are kept as UTF-8 (easy to edit and to diff); the engine reads UTF-16LE
without a byte-order mark (a mark would be read as part of the first line). Each file NAME of
SRC_DIR (by default every file of SRC_DIR except CMakeLists.txt, Markdown and hidden files) is
written to OUT_DIR under the same name, character for character: line ends are kept as they are.

A source that is not valid UTF-8, or that begins with a byte-order mark, is refused: exit status
1 and a message naming the file and the place. Nothing is written for it, and a copy already in
OUT_DIR is left as it was. Uses the standard library only.
"""

import os
import sys
import tempfile

BOM = b"\xef\xbb\xbf"


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


def encode(src_dir, out_dir, names):
    texts = {}
    for name in names:
        path = os.path.join(src_dir, name)
        with open(path, "rb") as f:
            texts[name] = decode(path, f.read())
    os.makedirs(out_dir, exist_ok=True)
    for name, text in texts.items():
        write_atomically(os.path.join(out_dir, name), text.encode("utf-16-le"))


def main(argv):
    if len(argv) < 3:
        print(f"usage: {os.path.basename(argv[0])} SRC_DIR OUT_DIR [NAME ...]", file=sys.stderr)
        return 2
    src_dir, out_dir = argv[1], argv[2]
    try:
        names = argv[3:] or sorted(
            n for n in os.listdir(src_dir) if is_source(n) and os.path.isfile(os.path.join(src_dir, n))
        )
        encode(src_dir, out_dir, names)
    except SourceError as e:
        print(f"encode_data.py: {e}", file=sys.stderr)
        return 1
    except OSError as e:
        print(f"encode_data.py: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
