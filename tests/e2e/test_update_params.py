"""Stored command-line parameters under Wine: __MyParams.dat written for the
run and removed after it, __MyParamsOwner.dat read as a second source,
parameter-test tasks, and a file left behind by an earlier run."""
import random
import unittest

from fwutest import TESTBIN, WineTestCase, log_lines, utf16_bytes, winpath

PROGRAMS = ("Update.exe", "testprog.exe")


def param_tests(*names):
    """A chain of type-12 tasks, one per name, ending in end index."""
    sections = {"CERT": {"VERIFY": "OFF"}}
    for i, name in enumerate(names, start=1):
        sections[f"TASK_{i}"] = {"Type": "12", "Data": name}
    sections[f"TASK_{len(names) + 1}"] = {"Type": "9", "Goto": "-1"}
    return sections


class StoredParameters(WineTestCase):
    def run_update(self, pkg, *args):
        code = self.wine.run(pkg.path("Update.exe"), *args, f"/LOG:{pkg.win('run.log')}")
        lines = log_lines(pkg.path("run.log"))
        return code, lines

    @staticmethod
    def results(lines):
        return [l for l in lines if l.startswith("return code ")]

    def test_own_command_line_is_tested_and_removed(self):
        pkg = self.package(PROGRAMS)
        pkg.write_config(param_tests("/S", "/q", "", "/LOG", "Update.exe"))
        code, lines = self.run_update(pkg, "/s", "/x:1")
        self.assertEqual(code, 0)
        self.assertEqual(self.results(lines), ["return code 0x00000000.", "return code 0x00000001.",
                                               "return code 0x00000001.", "return code 0x00000001.",
                                               "return code 0x00000001.", "return code 0xFFFFFFFF."])
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())

    def test_file_holds_the_command_line_while_the_run_lasts(self):
        pkg = self.package(PROGRAMS)
        pkg.write_config({"CERT": {"VERIFY": "OFF"},
                          "TASK_1": {"Type": "0", "Path": "%WINDIR%\\System32\\cmd.exe", "WaitExit": "TRUE",
                                     "Param_S": '/c copy "%UPDATEDIR%\\config\\__MyParams.dat" "%UPDATEDIR%\\copy.dat"',
                                     "RET_0x00000000": "-1"}})
        code, lines = self.run_update(pkg, "/s", "/Tag:two words")
        self.assertEqual(code, 0, lines)
        data = pkg.path("copy.dat").read_bytes()
        self.assertNotEqual(data[:2], b"\xff\xfe", "no byte-order mark")
        self.assertNotEqual(data[-2:], b"\x00\x00", "no terminating zero")
        text = data.decode("utf-16-le")
        self.assertIn("Update.exe", text)
        self.assertIn("/s", text)
        self.assertIn('"/Tag:two words"', text)
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())

    def test_owner_file_adds_arguments(self):
        pkg = self.package(PROGRAMS)
        sections = param_tests("/custom", "/s", "/DISABLECERTIFICATIONCHECK")
        sections.pop("CERT")
        # A program task that would fail the trust check: the owner file's
        # argument turns the check off.
        sections["TASK_4"] = {"Type": "0", "Path": "testprog.exe", "Param": "/EXIT:7", "WaitExit": "TRUE",
                              "RET_0x00000007": "-1"}
        pkg.write_config(sections)
        # Written by an editor: with a byte-order mark before the quoted path.
        pkg.path("config", "__MyParamsOwner.dat").write_bytes(
            utf16_bytes('"C:\\starter dir\\starter.exe" /DisableCertificationCheck "/custom"', bom=True))
        code, lines = self.run_update(pkg)
        self.assertEqual(code, 0, lines)
        self.assertEqual(self.results(lines), ["return code 0x00000000.", "return code 0x00000001.",
                                               "return code 0x00000000.", "return code 0x00000007."])
        self.assertIn("Skip trust check.", lines)
        self.assertNotIn("Silent.", lines)
        self.assertTrue(pkg.path("config", "__MyParamsOwner.dat").exists(), "the owner file is left alone")

    def test_owner_file_with_only_a_program_path_and_odd_files(self):
        for n, content in enumerate((utf16_bytes("/custom", bom=False), b"", b"\x41",
                                     utf16_bytes("x.exe " + "/y " * 20000, bom=False))):
            with self.subTest(n=n):
                pkg = self.package(PROGRAMS, name=f"p{n}")
                pkg.write_config(param_tests("/custom"))
                pkg.path("config", "__MyParamsOwner.dat").write_bytes(content)
                code, lines = self.run_update(pkg)
                self.assertEqual(code, 0)
                self.assertEqual(self.results(lines)[0], "return code 0x00000001.")

    def test_file_left_by_an_earlier_run_makes_this_run_silent(self):
        pkg = self.package(PROGRAMS)
        pkg.write_config(param_tests("/old", "/s"))
        pkg.path("config", "__MyParams.dat").write_bytes(utf16_bytes('"C:\\x\\Update.exe" /s /old', bom=False))
        code, lines = self.run_update(pkg, "/new")
        self.assertEqual(code, 0)
        self.assertIn("Silent.", lines)
        # By the time the tasks run, this run's own file replaced the old one.
        self.assertEqual(self.results(lines)[:2], ["return code 0x00000001.", "return code 0x00000001."])
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())


    def test_files_split_as_the_platform_splits_command_lines(self):
        # Update splits the stored files itself; every line must come apart
        # as CommandLineToArgvW takes it apart.
        lines = [
            'Update.exe /s', '"C:\\Program Files\\Update.exe" /s "/LOG:C:\\a b\\u.log"',
            'x a\\\\\\b d"e f"g h', 'x a\\\\\\"b c d', 'x a\\\\\\\\"b c" d e', 'x a"b"" c d',
            'x "a""b c"', 'x "x"""y z"', 'x """a b"', 'x """"""', 'x "" y', 'x "a b', 'x a\\\\ b\\',
            '"C:\\dir\\"/s', '"C:\\x y"z /s', 'C:\\a"b\\Update.exe /s', '"Update.exe', '   /s', ' \t/s',
            'x \t /a\t\t/b  ', 'x a\r\nb', 'x \u00e9\u4e2d "\u00c9 x"',
        ]
        rng = random.Random(20261209)
        alphabet = ['a', '/', 's', ' ', ' ', '\t', '"', '"', '\\', '\\', '\u00e9']
        for _ in range(3000):
            head = rng.choice(['prog', '"C:\\p q\\prog.exe"', '"prog', ''])
            lines.append(head + ''.join(rng.choice(alphabet) for _ in range(rng.randrange(1, 24))))
        cases = self.tmp / "cases.bin"
        cases.write_bytes("\uffff".join(lines).encode("utf-16-le"))
        report = self.tmp / "report.txt"
        code = self.wine.run(TESTBIN / "argvsplit.exe", winpath(cases), winpath(report), timeout=120)
        text = report.read_bytes().decode("utf-16-le") if report.exists() else ""
        self.assertEqual(code, 0, text[:4000])

if __name__ == "__main__":
    unittest.main()
