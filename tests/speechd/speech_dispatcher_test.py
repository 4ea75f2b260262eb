#!/usr/bin/python3
"""sd_vxtts under Debian's own Speech Dispatcher.

speech_dispatcher_test.py SD_VXTTS VXTTS

Starts speech-dispatcher on a private socket with a private configuration that loads sd_vxtts and
sends the server's audio to a file through ALSA's file plugin (no sound device needed), with a
fresh per-user data folder, and checks as a screen reader would use it: spd-say speaks Russian and
Ukrainian as vxtts does; SSML index marks come in order, each when the audio before it has played;
STOP silences a long text within 100 ms; rate, punctuation, spelling, characters and keys reach
the engine (seen in the length of the audio). Then the module alone, driven through its protocol
as the server drives it: its answers, errors and events, PAUSE, and a new message right after a
stop. Prints one line per failed check; exits 1 if any failed.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import wave

import speechd

RATE = 22050  # the built-in voice's rate; the server receives 16-bit mono
BYTES_PER_SECOND = 2 * RATE

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL: " + what, flush=True)


class Server:
    """speech-dispatcher with sd_vxtts as its only module, in folder."""

    def __init__(self, folder, module):
        self.folder = folder
        self.audio = os.path.join(folder, "audio.raw")
        self.socket = os.path.join(folder, "speechd.sock")
        conf, modules = os.path.join(folder, "conf"), os.path.join(folder, "modules")
        for made in (os.path.join(conf, "modules"), modules, os.path.join(folder, "log")):
            os.makedirs(made)
        os.symlink(os.path.abspath(module), os.path.join(modules, "sd_vxtts"))
        with open(os.path.join(conf, "speechd.conf"), "w") as f:
            f.write('LogLevel 3\nAudioOutputMethod "alsa"\nAudioALSADevice "vxfile"\n'
                    'AddModule "vxtts" "sd_vxtts" "vxtts.conf"\nDefaultModule vxtts\n')
        with open(os.path.join(conf, "modules", "vxtts.conf"), "w") as f:
            f.write('DefaultVoice "tembra"\n')
        # ALSA reads the user's configuration from HOME: a device that writes what it is given to
        # a file, through the null device.
        with open(os.path.join(folder, ".asoundrc"), "w") as f:
            f.write('pcm.vxfile {\n type file\n slave.pcm "null"\n file "%s"\n format "raw"\n}\n' % self.audio)
        self.environment = dict(os.environ, HOME=folder, XDG_CONFIG_HOME=os.path.join(folder, "config"),
                                XDG_RUNTIME_DIR=folder, SPEECHD_ADDRESS="unix_socket:" + self.socket)
        self.process = subprocess.Popen(
            ["speech-dispatcher", "-s", "-t", "0", "-C", conf, "-m", modules, "-c", "unix_socket",
             "-S", self.socket, "-L", os.path.join(folder, "log")],
            env=self.environment, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(100):
            if os.path.exists(self.socket):
                return
            time.sleep(0.05)
        raise RuntimeError("speech-dispatcher made no socket; see " + folder + "/log")

    def audio_bytes(self):
        return os.path.getsize(self.audio) if os.path.exists(self.audio) else 0

    def spd_say(self, *arguments):
        return subprocess.run(["spd-say", "-w", "-o", "vxtts"] + list(arguments), env=self.environment,
                              timeout=60).returncode

    def client(self):
        client = speechd.SSIPClient("vxtts-test", socket_path=self.socket, autospawn=False)
        client.set_output_module("vxtts")
        return client

    def stop(self):
        self.process.terminate()
        self.process.wait(10)


class Message:
    """One message spoken through a client, its events timed from the moment the server took it.
    (The client library can lose the BEGIN event: it arrives before the library has registered
    the message's callback.)"""

    EVENTS = (speechd.CallbackType.BEGIN, speechd.CallbackType.END, speechd.CallbackType.CANCEL,
              speechd.CallbackType.INDEX_MARK)

    def __init__(self, client, text, ssml=False):
        self.events = []
        self.ended = threading.Event()
        client.set_data_mode(speechd.DataMode.SSML if ssml else speechd.DataMode.TEXT)
        client.speak(text, callback=self.note, event_types=self.EVENTS)
        self.begin = time.monotonic()

    def note(self, kind, index_mark=None):
        self.events.append((time.monotonic(), index_mark if kind == speechd.CallbackType.INDEX_MARK else kind))
        if kind in (speechd.CallbackType.END, speechd.CallbackType.CANCEL):
            self.ended.set()

    def names(self):
        """The events after BEGIN."""
        return [name for _, name in self.events if name != speechd.CallbackType.BEGIN]


def vxtts_audio(vxtts, environment, text, *options):
    """The samples of the text as vxtts says it, and its bookmark events."""
    with tempfile.TemporaryDirectory() as folder:
        path = os.path.join(folder, "out.wav")
        result = subprocess.run([vxtts, "say", "-o", path] + list(options) + ["--", text], env=environment,
                                capture_output=True, text=True, timeout=60)
        with wave.open(path) as audio:
            return audio.getnframes(), result.stderr


def spoken_seconds(server, *arguments):
    before = server.audio_bytes()
    check(server.spd_say(*arguments) == 0, "spd-say %s fails" % " ".join(arguments))
    return (server.audio_bytes() - before) / BYTES_PER_SECOND


def check_languages(server, vxtts):
    for language, voice, text in (("ru", "tembra", "Съешь же ещё этих мягких французских булок."),
                                  ("uk", "tembra_uk", "Співає пісню соловей у гаю.")):
        seconds = spoken_seconds(server, "-l", language, text)
        frames, _ = vxtts_audio(vxtts, server.environment, text, "-v", voice)
        check(abs(seconds - frames / RATE) < 0.05,
              "spd-say -l %s: %.3f s of audio, vxtts -v %s: %.3f s" % (language, seconds, voice, frames / RATE))


def check_marks(server, vxtts):
    client = server.client()
    client.set_language("ru")
    marked = '<speak>Раз, два, три. <{0}="a"/>Четыре, пять. <{0}="b"/>Вышел зайчик погулять.<{0}="c"/></speak>'
    message = Message(client, marked.format("mark name"), ssml=True)
    check(message.ended.wait(30), "an SSML message never ends")
    names = message.names()
    check(names == ["a", "b", "c", "end"], "events of an SSML message: %s" % names)
    # Where vxtts puts the marks in the same text (SAPI's bookmarks), in seconds of audio.
    _, events = vxtts_audio(vxtts, server.environment, marked.format("bookmark mark"), "--xml", "--events")
    positions = {}
    for line in events.splitlines():
        if '"bookmark"' in line:
            name = line.split('"name":"')[1].split('"')[0]
            positions[name] = int(line.split('"position":')[1].rstrip("}")) / RATE
    for moment, name in message.events:
        if name in positions:
            heard = moment - message.begin
            check(abs(heard - positions[name]) < 0.15,
                  "mark %s reported %.3f s after the start, its audio ends at %.3f s" % (name, heard, positions[name]))
    client.close()


def check_stop(server):
    client = server.client()
    client.set_language("ru")
    before = server.audio_bytes()
    message = Message(client, "Вышел зайчик погулять, вдруг охотник выбегает. " * 20)
    time.sleep(1.0)
    stopped = time.monotonic()
    client.stop()
    check(message.ended.wait(5), "a stopped message never ends")
    time.sleep(0.3)
    late = (server.audio_bytes() - before) / BYTES_PER_SECOND - (stopped - message.begin)
    check(late < 0.1, "%.3f s of audio after STOP" % late)
    check(message.names()[-1] == "cancel", "a stopped message ends with %s" % message.names()[-1])
    client.close()


class ModuleSession:
    """sd_vxtts driven straight through its protocol, as the server drives it, after INIT and the
    server's AUDIO: each line it writes is kept, its audio events as "audio"."""

    def __init__(self, module, environment):
        self.process = subprocess.Popen([module], stdin=subprocess.PIPE, stdout=subprocess.PIPE, env=environment)
        self.lines = []
        self.run([("send", "INIT\nAUDIO\naudio_output_method=server\n.\n"), ("until", "203 ")])
        self.lines = []

    def run(self, steps):
        for action, text in steps:
            if action == "send":
                self.process.stdin.write(text.encode())
                self.process.stdin.flush()
            else:
                self.read_until(text)

    def read_until(self, start):
        for line in self.process.stdout:
            if line.startswith(b"705 AUDIO"):
                self.lines.append("audio")
            elif not line.startswith(b"705-"):
                self.lines.append(line.decode(errors="replace").rstrip("\n"))
            if self.lines and self.lines[-1].startswith(start):
                return
        self.lines.append("(the module ended)")

    def quit(self):
        """Sends QUIT; the module's exit code."""
        self.run([("send", "QUIT\n"), ("until", "210 ")])
        self.process.stdin.close()
        return self.process.wait(10)


def contains_in_order(lines, expected):
    remaining = iter(lines)
    return all(line in remaining for line in expected)


LONG = "SPEAK\n%s\n.\n" % ("Вышел зайчик погулять, вдруг охотник выбегает. " * 20)
SPD_MARKS = ("SPEAK\n<speak>Раз, два, три.<mark name=\"__spd_0\"/> Четыре, пять.<mark name=\"__spd_1\"/>"
             " Вышел зайчик.</speak>\n.\n")

# What the module answers, as the server drives it: the steps, then lines that must come in this
# order (others may come between), and lines that must not come at all.
PROTOCOL = [
    ("voices", [("send", "LIST VOICES\n"), ("until", "200 ")],
     ["200-tembra\tru\tmale", "200-tembra_uk\tuk\tmale", "200 OK VOICE LIST SENT"], []),
    ("audio of its own", [("send", "AUDIO\naudio_output_method=alsa\n.\n"), ("until", "300 ")],
     ["207 OK RECEIVING AUDIO SETTINGS", "300-sd_vxtts hands its audio to the server, not to 'alsa'",
      "300 MODULE ERROR"], []),
    ("a bad setting", [("send", "SET\nrate=101\nlanguage=ru\n.\n"), ("until", "303 ")],
     ["303-rate: '101' is no valid value (-100..100)", "303 ERROR INVALID PARAMETER OR VALUE"], []),
    ("two lines for a character", [("send", "CHAR\nа\nб\n.\n"), ("until", "305 ")],
     ["202 OK RECEIVING MESSAGE", "305 DATA MORE THAN ONE LINE"], []),
    # The server sends its next message as soon as the stop is reported.
    ("SPEAK right after a stop", [("send", LONG), ("until", "audio"), ("send", "STOP\n"), ("until", "703 "),
                                  ("send", "SPEAK\nДа.\n.\n"), ("until", "702 ")],
     ["701 BEGIN", "audio", "703 STOP", "200 OK SPEAKING", "701 BEGIN", "audio", "702 END"], ["301 ERROR CANT SPEAK"]),
    ("a sound icon", [("send", "SOUND_ICON\nmessage\n.\n"), ("until", "702 ")],
     ["200 OK SPEAKING", "701 BEGIN", "706-message", "706 ICON", "702 END"], []),
    # PAUSE ends the message after the server's next mark, with no audio after it.
    ("a pause", [("send", SPD_MARKS + "PAUSE\n"), ("until", "704 ")],
     ["701 BEGIN", "audio", "700-__spd_0", "700 INDEX MARK", "704 PAUSE"], ["700-__spd_1"]),
    ("QUIT while speaking", [("send", LONG), ("until", "audio")], ["703 STOP", "210 OK QUIT"], []),
]


def check_protocol(module, environment):
    for name, steps, expected, unwanted in PROTOCOL:
        session = ModuleSession(module, environment)
        session.run([("send", "SET\nlanguage=ru\n.\n"), ("until", "203 ")])
        session.run(steps)
        status = session.quit()
        lines = session.lines
        check(contains_in_order(lines, expected) and not set(unwanted) & set(lines),
              "%s: %s" % (name, [line for line in lines if line != "audio"]))
        check(status == 0, "%s: the module ends with %s" % (name, status))
        if name == "a pause" and "704 PAUSE" in lines:
            end = lines.index("704 PAUSE")
            check(lines[end - 2:end] == ["700-__spd_0", "700 INDEX MARK"], "a pause: audio after its mark")


def check_settings(server):
    text = "Раз, два; три: четыре - пять!"
    normal = spoken_seconds(server, "-l", "ru", text)
    fast = spoken_seconds(server, "-l", "ru", "-r", "100", text)
    check(fast < 0.75 * normal, "rate 100: %.2f s, rate 0: %.2f s" % (fast, normal))
    punctuated = spoken_seconds(server, "-l", "ru", "-m", "all", text)
    check(punctuated > 1.3 * normal, "punctuation all: %.2f s, none: %.2f s" % (punctuated, normal))
    spelled = spoken_seconds(server, "-l", "ru", "-s", "дом")
    word = spoken_seconds(server, "-l", "ru", "дом")
    check(spelled > 2 * word, "spelled: %.2f s, said: %.2f s" % (spelled, word))
    for what in (["-c", "ж"], ["-c", "space"], ["-k", "shift_a"], ["-k", "x"]):
        check(spoken_seconds(server, "-l", "ru", *what) > 0.1, "spd-say %s says nothing" % " ".join(what))


def main():
    module, vxtts = sys.argv[1], sys.argv[2]
    folder = tempfile.mkdtemp(prefix="vxtts-speechd.")
    server = Server(folder, module)
    try:
        check_languages(server, vxtts)
        check_marks(server, vxtts)
        check_stop(server)
        check_settings(server)
        check_protocol(module, server.environment)
    finally:
        server.stop()
    print("speech_dispatcher_test: %d failure(s)" % len(failures))
    if failures:
        print("the server's log is in " + folder + "/log")
        sys.exit(1)
    shutil.rmtree(folder)


if __name__ == "__main__":
    main()
