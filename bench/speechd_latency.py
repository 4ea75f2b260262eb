#!/usr/bin/python3
"""The time from a SPEAK message to the first audio block reaching the server, for sd_vxtts.

speechd_latency.py SD_VXTTS [REPEATS]

Starts sd_vxtts as Speech Dispatcher does (its standard input and output are the server's pipes)
and, for each voice and each text, sends the SPEAK message and its text as the server does and
times until the first audio event (705) arrives on the module's output, then stops the message.
The first message of each voice is timed apart: it makes the voice's engine object. Prints the
median and the slowest of REPEATS (default 30) messages in milliseconds.
"""
import os
import statistics
import subprocess
import sys
import tempfile
import time

TEXTS = {
    "a word": "Привет",
    "a key echo": "ж",
    "a sentence": "Съешь же ещё этих мягких французских булок, да выпей чаю.",
    "a paragraph": "Вышел зайчик погулять, вдруг охотник выбегает. " * 20,
}


class Module:
    def __init__(self, program, environment):
        self.process = subprocess.Popen([program], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        env=environment, bufsize=0)
        self.send("INIT\n")
        self.read_until(b"299 ")
        self.send("AUDIO\naudio_output_method=server\n.\n")
        self.read_until(b"203 ")

    def send(self, text):
        self.process.stdin.write(text.encode())

    def read_until(self, start):
        while True:
            line = self.process.stdout.readline()
            if not line:
                raise RuntimeError("sd_vxtts ended")
            if line.startswith(start):
                return line

    def speak(self, voice, text):
        """Milliseconds from the SPEAK message to the first audio event."""
        self.send("SET\nsynthesis_voice=%s\n.\n" % voice)
        self.read_until(b"203 ")
        began = time.perf_counter()
        self.send("SPEAK\n")
        self.read_until(b"202 ")
        self.send(text + "\n.\n")
        self.read_until(b"705-")
        took = (time.perf_counter() - began) * 1000
        self.send("STOP\n")
        self.read_until(b"70")  # the rest of the event, then the end of the message
        while not self.read_until(b"70").startswith((b"702", b"703")):
            pass
        return took

    def quit(self):
        self.send("QUIT\n")
        self.process.wait(10)


def main():
    program = sys.argv[1]
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 30
    with tempfile.TemporaryDirectory() as home:
        module = Module(program, dict(os.environ, XDG_CONFIG_HOME=home))
        print("%-12s %-12s %10s %10s %10s" % ("voice", "text", "first", "median", "slowest"))
        for voice in ("tembra", "tembra_uk", "espeak_ru"):
            first = module.speak(voice, "Да")
            for name, text in TEXTS.items():
                times = [module.speak(voice, text) for _ in range(repeats)]
                print("%-12s %-12s %10.1f %10.1f %10.1f" % (voice, name, first, statistics.median(times), max(times)))
                first = float("nan")
        module.quit()


if __name__ == "__main__":
    main()
