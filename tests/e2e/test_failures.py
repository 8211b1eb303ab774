"""End-to-end tests of failed runs: the report after the dialogue's intact
lines, its class and message, exit code 1, and the fallback to standard error
when standard output cannot take the report."""
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from test_dialogue import (PROGRAM, PROMPT, RUNNER, TIMEOUT, TITLE, dialogue, normalise, report,
                           result, run)

NOT_A_NUMBER = ("EInOutError", "入力値が数値ではありません")
OVERFLOW = ("EOverflow", "浮動小数点数のオーバーフロー")
INVALID = ("EInvalidOp", "不正な浮動小数点数演算命令")


def io_error(code):
    return ("EInOutError", f"I/O エラー ({code})")


class Reports(unittest.TestCase):
    # (line after a first score of 70, expected error)
    CASES = [
        (b"70abc", NOT_A_NUMBER),
        (b"1,5", NOT_A_NUMBER),
        (b"1.2.3", NOT_A_NUMBER),
        (b"70;", NOT_A_NUMBER),
        ("７０".encode("cp932"), NOT_A_NUMBER),
        (b"-", NOT_A_NUMBER),
        (b"1e+", NOT_A_NUMBER),
        (b"1e400x", NOT_A_NUMBER),
        (b"1e400", OVERFLOW),
        (b"2e308", OVERFLOW),
        (b"-1e400", OVERFLOW),
        (b"1e4933", OVERFLOW),
        (b"1e5000", OVERFLOW),
        (b"1" + b"0" * 5000, OVERFLOW),
        (b"1e6000", INVALID),
        (b"0e5120", INVALID),
        (b"-1e6000", INVALID),
    ]

    def expected(self, error):
        return dialogue(" 2.28") + PROMPT + report(*error)

    def test_report_after_the_dialogue(self):
        for line, error in self.CASES:
            with self.subTest(line=line[:20]):
                done = run(b"70\r\n" + line + b"\r\n60\r\n0\r\n")
                self.assertEqual(normalise(done.stdout), self.expected(error))
                self.assertEqual(done.stderr, b"")
                self.assertEqual(done.returncode, 1)

    def test_report_in_a_file_ends_with_crlf(self):
        with tempfile.TemporaryFile() as out:
            done = subprocess.run(RUNNER + [PROGRAM], input=b"70\n1e400\n", stdout=out,
                                  timeout=TIMEOUT)
            out.seek(0)
            self.assertEqual(normalise(out.read()), self.expected(OVERFLOW))
            self.assertEqual(done.returncode, 1)

    def test_location_is_eight_hex_digits_per_raising_point(self):
        locations = set()
        for line in (b"70abc", b"1e400", b"1e6000"):
            out = run(line + b"\n").stdout
            first_line = out[out.rindex(PROMPT) + len(PROMPT):].split(b"\n")[0]
            self.assertRegex(first_line, rb" \x82\xCC [0-9A-F]{8} \x82\xC5")
            locations.add(first_line)
        self.assertEqual(len(locations), 3)

    def test_module_name_is_the_executables(self):
        with tempfile.TemporaryDirectory() as folder:
            name = "renamed-rank" + os.path.splitext(PROGRAM)[1]
            copy = os.path.join(folder, name)
            shutil.copy(PROGRAM, copy)
            done = run(b"x\n", program=copy)
            self.assertEqual(normalise(done.stdout),
                             TITLE + PROMPT + report(*NOT_A_NUMBER, module=name))
            self.assertEqual(done.returncode, 1)


# The platform's own codes for these failures: errno values on Linux; under
# Wine the Windows codes vary with its version, so any code is accepted there.
NATIVE_CODES = {"input closed": 104, "input a directory": 21, "output full": 28,
                "output closed": 105, "pipe closed early": 32}


class UnusableStreams(unittest.TestCase):
    def run_program(self, **kwargs):
        return subprocess.run(RUNNER + [PROGRAM], timeout=TIMEOUT, **kwargs)

    def assert_report(self, output, case):
        output = normalise(output)
        code = NATIVE_CODES[case] if not RUNNER else None
        if code is None:
            match = re.search(rb"\(([0-9]+)\)\.\r\n$", output)
            self.assertIsNotNone(match, output)
            code = int(match.group(1))
        self.assertTrue(output.endswith(report(*io_error(code))), output)

    def test_standard_input_closed(self):
        done = self.run_program(stdin=subprocess.DEVNULL, capture_output=True,
                                preexec_fn=lambda: os.close(0))
        self.assertTrue(normalise(done.stdout).startswith(TITLE + PROMPT))
        self.assert_report(done.stdout, "input closed")
        self.assertEqual(done.returncode, 1)

    def test_standard_input_a_directory(self):
        directory = os.open("/", os.O_RDONLY | os.O_DIRECTORY)
        try:
            done = self.run_program(stdin=directory, capture_output=True)
        finally:
            os.close(directory)
        self.assertTrue(normalise(done.stdout).startswith(TITLE + PROMPT))
        self.assert_report(done.stdout, "input a directory")
        self.assertEqual(done.returncode, 1)

    # Standard output that cannot take the report: it goes to standard error.
    def test_standard_output_full(self):
        with open("/dev/full", "wb") as full:
            done = self.run_program(input=b"70\n0\n", stdout=full, stderr=subprocess.PIPE)
        self.assert_report(done.stderr, "output full")
        self.assertEqual(done.returncode, 1)

    def test_standard_output_closed(self):
        done = self.run_program(input=b"70\n0\n", stdout=subprocess.DEVNULL,
                                stderr=subprocess.PIPE, preexec_fn=lambda: os.close(1))
        self.assert_report(done.stderr, "output closed")
        self.assertEqual(done.returncode, 1)

    def test_pipe_closed_early(self):
        proc = subprocess.Popen(RUNNER + [PROGRAM], stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        proc.stdout.close()
        _, stderr = proc.communicate(b"70\n" * 1000 + b"0\n", timeout=TIMEOUT)
        self.assert_report(stderr, "pipe closed early")
        self.assertEqual(proc.returncode, 1)


if __name__ == "__main__":
    unittest.main()
