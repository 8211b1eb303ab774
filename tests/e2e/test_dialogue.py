"""End-to-end tests: the built program run as a user runs it, with standard
input from files, pipes and a terminal, comparing the exact bytes of standard
output (and of standard error where a report must go there) and the exit code.

The program is named by the environment: DEVIATION_RANK is the executable, and
DEVIATION_RANK_RUNNER an optional command that runs it (an emulator).
"""
import os
import re
import select
import shlex
import shutil
import subprocess
import tempfile
import time
import unittest

PROGRAM = os.environ["DEVIATION_RANK"]
RUNNER = shlex.split(os.environ.get("DEVIATION_RANK_RUNNER", ""))
TIMEOUT = 30

CRLF = b"\r\n"


def sjis(text):
    return text.encode("cp932")


TITLE = sjis("偏差値から順位を求める") + CRLF
PROMPT = CRLF + sjis("偏差値（0 を入れると終わります）? ")


def result(percent):
    return sjis("上から ") + percent.encode() + sjis("% の位置です") + CRLF


def dialogue(*percents):
    """The bytes a redirected run writes: the title, then per score the empty
    line, the prompt and the result line."""
    return TITLE + b"".join(PROMPT + result(p) for p in percents)


def report(class_name, message, module=None):
    module = module or os.path.basename(PROGRAM)
    return (sjis(class_name + "がモジュール ") + module.encode() + sjis(" の ") + b"XXXXXXXX" +
            sjis(" で発生しました。") + b"\n" + sjis(message) + b"." + CRLF)


LOCATION = re.compile(rb"( \x82\xCC )[0-9A-F]{8}( \x82\xC5)")  # " の " ... " で"


def normalise(output):
    """Only the 8 hexadecimal digits of the location are left open."""
    return LOCATION.sub(rb"\1XXXXXXXX\2", output)


def run(stdin_bytes, program=None, **kwargs):
    """Runs with standard input and output on pipes."""
    return subprocess.run(RUNNER + [program or PROGRAM], input=stdin_bytes,
                          capture_output=True, timeout=TIMEOUT, **kwargs)


class FileAndPipeRuns(unittest.TestCase):
    # (name, input, expected standard output)
    CASES = [
        ("70 then 0", b"70\r\n0\r\n", dialogue(" 2.28", "100.00")),
        ("LF line ends", b"70\n0\n", dialogue(" 2.28", "100.00")),
        ("CR line ends", b"70\r60\r0\r", dialogue(" 2.28", "15.87", "100.00")),
        ("end of input gives 0", b"70\r\n", dialogue(" 2.28", "100.00")),
        ("no final line end", b"70", dialogue(" 2.28", "100.00")),
        ("empty input", b"", dialogue("100.00")),
        ("blank-only input", b"  \t\r\n \n", dialogue("100.00")),
        ("immediate Ctrl+Z", b"\x1a70\r\n", dialogue("100.00")),
        ("nothing after Ctrl+Z", b"70\x1a\r\n60\r\n", dialogue(" 2.28", "100.00")),
        ("rest of the line dropped", b"70 80\r\n45\t1\n0\n",
         dialogue(" 2.28", "69.15", "100.00")),
        ("empty lines wait without a prompt", b"\r\n\r\n  65.5\r\n0\r\n",
         dialogue(" 6.06", "100.00")),
        ("accepted forms", b"\t 70\n+70\n7e1\n7E+1\n700e-1\n70.\n0\n",
         dialogue(*[" 2.28"] * 6, "100.00")),
        ("a lone point ends", b".\n70\n", dialogue("100.00")),
        ("minus point ends", b"-.\n70\n", dialogue("100.00")),
        ("bare exponent ends", b"e5\n70\n", dialogue("100.00")),
        ("negative zero ends", b"-0\n70\n", dialogue("100.00")),
        ("below the double range reads 0", b"1e-400\n70\n", dialogue("100.00")),
        ("a denormal goes on", b"1e-320\n50\n0\n", dialogue("100.00", "50.00", "100.00")),
        ("largest scores", b"1e308\n1000000\n-1000000\n10050\n0\n",
         dialogue("-2.0E+0306", "-19896.12", "19998.11", "-149.47", "100.00")),
        ("a long token read whole", b"1" + b"0" * 70 + b"\n0.\n",
         dialogue("-2.0E+0068", "100.00")),
        ("a long fraction read whole", b"70." + b"0" * 5000 + b"\n0\n",
         dialogue(" 2.28", "100.00")),
        ("double-byte text after the number", b"70 \x95\xce\x8d\xb7\r\n0\r\n",
         dialogue(" 2.28", "100.00")),
    ]

    def test_stdin_from_pipe(self):
        for name, stdin, expected in self.CASES:
            with self.subTest(name):
                done = run(stdin)
                self.assertEqual(done.stdout, expected)
                self.assertEqual(done.stderr, b"")
                self.assertEqual(done.returncode, 0)

    def test_stdin_and_stdout_files(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, stdin, expected in self.CASES:
                with self.subTest(name):
                    source = os.path.join(folder, "in")
                    target = os.path.join(folder, "out")
                    with open(source, "wb") as f:
                        f.write(stdin)
                    with open(source, "rb") as i, open(target, "wb") as o:
                        code = subprocess.run(RUNNER + [PROGRAM], stdin=i, stdout=o,
                                              timeout=TIMEOUT).returncode
                    with open(target, "rb") as f:
                        self.assertEqual(f.read(), expected)
                    self.assertEqual(code, 0)


class PipeBuffering(unittest.TestCase):
    """Output to a pipe is handed over in blocks of 128 bytes, and the rest at
    the end."""

    def available(self, stream, wait):
        ready, _, _ = select.select([stream], [], [], wait)
        return os.read(stream.fileno(), 4096) if ready else b""

    def test_nothing_before_128_bytes(self):
        proc = subprocess.Popen(RUNNER + [PROGRAM], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE)
        try:
            # Title, empty line and prompt: 60 bytes, held back.
            self.assertEqual(self.available(proc.stdout, 1.0), b"")
            proc.stdin.write(b"70\n")
            proc.stdin.flush()
            # One result and the next prompt: 122 bytes, still held back.
            self.assertEqual(self.available(proc.stdout, 1.0), b"")
            proc.stdin.write(b"70\n")
            proc.stdin.flush()
            block = b""
            deadline = time.monotonic() + TIMEOUT
            while len(block) < 128 and time.monotonic() < deadline:
                block += self.available(proc.stdout, 0.5)
            self.assertEqual(block, dialogue(" 2.28", " 2.28")[:128])
            self.assertEqual(self.available(proc.stdout, 0.5), b"")
            proc.stdin.close()
            rest = proc.stdout.read()
            self.assertEqual(block + rest, dialogue(" 2.28", " 2.28", "100.00"))
            self.assertEqual(proc.wait(TIMEOUT), 0)
        finally:
            proc.kill()
            proc.wait()
            proc.stdout.close()


@unittest.skipIf(RUNNER, "a terminal is tested natively")
class Terminal(unittest.TestCase):
    """On a terminal every statement is visible at once: the prompt shows
    before the program waits for the score."""

    def test_prompt_visible_before_input(self):
        import pty
        import termios
        leader, follower = pty.openpty()
        attributes = termios.tcgetattr(follower)
        attributes[1] &= ~termios.OPOST  # bytes reach the screen unchanged
        termios.tcsetattr(follower, termios.TCSANOW, attributes)
        proc = subprocess.Popen([PROGRAM], stdin=follower, stdout=follower, stderr=follower)
        os.close(follower)
        screen = b""

        def read_until(wanted):
            nonlocal screen
            deadline = time.monotonic() + TIMEOUT
            while not screen.endswith(wanted) and time.monotonic() < deadline:
                ready, _, _ = select.select([leader], [], [], 0.5)
                if ready:
                    try:
                        screen += os.read(leader, 4096)
                    except OSError:
                        break
            return screen.endswith(wanted)

        try:
            self.assertTrue(read_until(TITLE + PROMPT), screen)
            os.write(leader, b"70\n")
            self.assertTrue(read_until(result(" 2.28") + PROMPT), screen)
            os.write(leader, b"0\n")
            self.assertTrue(read_until(result("100.00")), screen)
            self.assertEqual(proc.wait(TIMEOUT), 0)
            # The echo of each score stands between its prompt and its result.
            self.assertEqual(screen, TITLE + PROMPT + b"70\n" + result(" 2.28") + PROMPT +
                             b"0\n" + result("100.00"))
        finally:
            proc.kill()
            proc.wait()
            os.close(leader)


if __name__ == "__main__":
    unittest.main()
