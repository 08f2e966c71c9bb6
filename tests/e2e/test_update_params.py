"""Stored command-line parameters under Wine: __MyParams.dat written for the
run and removed after it, __MyParamsOwner.dat read as a second source,
parameter-test tasks, and a file left behind by an earlier run."""
import unittest

from fwutest import WineTestCase, log_lines, utf16_bytes

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


if __name__ == "__main__":
    unittest.main()
