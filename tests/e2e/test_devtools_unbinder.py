"""Unbinder under Wine: fixture devices and a stand-in driver-store utility.

Wine sets WINDIR itself in every process started from Linux, so the tests
set it inside the Windows side: envrun.exe adds WINDIR to the environment
and starts Unbinder with it, passing the full exit code on.
"""
import shutil
import unittest

import time

from fwutest import ARTIFACTS, BIN, TESTBIN, WineTestCase, finish, log_lines, prefix, screenshot, winpath, xdotool
from devtools_fixture import Devices


class UnbinderRuns(WineTestCase):
    @classmethod
    def setUpClass(cls):
        devices = Devices(prefix())
        devices.clear()
        devices.add(hwid=r"PCI\VEN_BEEF&DEV_0001")                      # no driver
        devices.add(hwid=r"PCI\VEN_BEEF&DEV_0002|PCI\VEN_BEEF", inf="oem12.inf")
        devices.add(hwid=r"PCI\VEN_BEEF&DEV_0003", inf="oem13.inf")
        devices.add(hwid=r"USB\VID_0DAD&PID_0001")                      # no driver
        devices.add(hwid=r"ACPI\VEN_CAFE&DEV_0001", empty_inf=True)       # empty INF name
        devices.add(hwid=r"ACPI\VEN_CAFE&DEV_0002", inf="oem21.inf")

    def setUp(self):
        super().setUp()
        self.windir = self.tmp / "win"
        self.system32 = self.windir / "System32"
        self.system32.mkdir(parents=True)
        shutil.copy(TESTBIN / "fakepnputil.exe", self.system32 / "pnputil.exe")
        self.log = self.tmp / "run.log"

    def unbind(self, *args, windir=None):
        windir = winpath(self.windir) if windir is None else windir
        if self.log.exists():
            self.log.unlink()
        code = self.wine.run(TESTBIN / "envrun.exe", f"WINDIR={windir}", "--", winpath(BIN / "Unbinder.exe"),
                             *args, f"/LOG:{winpath(self.log)}")
        lines = log_lines(self.log)
        self.assertRegex(lines[0], r"^\*{10} Unbinder - ")
        self.assertEqual(lines[1], f"LOG mode ({winpath(self.log)}).")
        return code, lines[2:]

    def recorded(self):
        path = self.system32 / "pnputil.record"
        return path.read_bytes().decode() if path.exists() else ""

    def test_second_match_with_inf_name_is_removed(self):
        code, lines = self.unbind(r"/HwID:PCI\VEN_BEEF")
        utility = winpath(self.system32 / "pnputil.exe")
        command = f'"{utility}" /delete-driver oem12.inf /uninstall /force'
        self.assertEqual(code, 0)
        self.assertEqual(lines, [r"Target HwID: PCI\VEN_BEEF.",
                                 r"Match HwID [PCI\VEN_BEEF&DEV_0001].",
                                 r"Match HwID [PCI\VEN_BEEF&DEV_0002].",
                                 "inf path= [oem12.inf].",
                                 f"exec : {command}.",
                                 "      exit code = 0x00000000.",
                                 "Exec return 0x00000000.",
                                 "return 0x00000000"])
        self.assertEqual(self.recorded(), f"cmdline={command}\r\nwindir={winpath(self.windir)}\r\n")

    def test_empty_inf_name_is_passed_over_for_the_next_match(self):
        code, lines = self.unbind(r"/HwID:ACPI\VEN_CAFE")
        command = f'"{winpath(self.system32 / "pnputil.exe")}" /delete-driver oem21.inf /uninstall /force'
        self.assertEqual(code, 0)
        self.assertEqual(lines[:4], [r"Target HwID: ACPI\VEN_CAFE.",
                                     r"Match HwID [ACPI\VEN_CAFE&DEV_0001].",
                                     r"Match HwID [ACPI\VEN_CAFE&DEV_0002].",
                                     "inf path= [oem21.inf]."])
        self.assertEqual(lines[-1], "return 0x00000000")
        self.assertIn(f"cmdline={command}\r\n", self.recorded())
        # The device with the empty name alone: not found, nothing started.
        (self.system32 / "pnputil.record").unlink()
        code, lines = self.unbind(r"/HwID:ACPI\VEN_CAFE&DEV_0001")
        self.assertEqual(code, 0xFFFFFFFF)
        self.assertEqual(lines[-2:], ["inf path= [].", "error - HwID is not found (0xFFFFFFFF)."])
        self.assertEqual(self.recorded(), "")

    def test_utility_exit_code_passed_on_unchanged(self):
        for value in (3010, 0x80000001, 0xFFFFFFFF, 1):
            with self.subTest(value=hex(value)):
                (self.system32 / "pnputil.exit").write_text(f"0x{value:08X}")
                code, lines = self.unbind(r"/HwID:PCI\VEN_BEEF&DEV_0003")
                self.assertEqual(code, value)
                self.assertEqual(lines[-3:], [f"      exit code = 0x{value:08X}.", f"Exec return 0x{value:08X}.",
                                              f"return 0x{value:08X}"])
                self.assertIn("/delete-driver oem13.inf /uninstall /force", self.recorded())

    def test_waits_for_a_slow_utility_without_showing_a_window(self):
        (self.system32 / "pnputil.sleep").write_text("2500")
        (self.system32 / "pnputil.exit").write_text("7")
        proc = self.wine.start(TESTBIN / "envrun.exe", f"WINDIR={winpath(self.windir)}", "--",
                               winpath(BIN / "Unbinder.exe"), r"/HwID:PCI\VEN_BEEF&DEV_0002",
                               f"/LOG:{winpath(self.log)}")
        # Several 400 ms waits go by while the utility runs; nothing is shown.
        deadline = time.time() + 20
        while "exec : " not in (self.log.read_bytes().decode("utf-16-le", "ignore") if self.log.exists() else ""):
            self.assertLess(time.time(), deadline)
            time.sleep(0.1)
        time.sleep(0.5)
        screenshot(ARTIFACTS / "unbinder-waiting.png")
        self.assertEqual(xdotool("search", "--onlyvisible", "--name", "."), "")
        self.assertEqual(finish(proc), 7)
        lines = log_lines(self.log)
        self.assertEqual(lines[-3:], ["      exit code = 0x00000007.", "Exec return 0x00000007.",
                                      "return 0x00000007"])

    def test_missing_utility(self):
        code, lines = self.unbind(r"/HwID:PCI\VEN_BEEF", windir=winpath(self.tmp / "nowhere"))
        self.assertEqual(code, 0xFFFFFFFF)
        self.assertRegex(lines[-2], r"^error - CreateProcess \(0x0000000[23]\)\.$")
        self.assertEqual(lines[-1], "return 0xFFFFFFFF")
        self.assertFalse(any(line.startswith("Exec return") for line in lines))

    def test_plain_run_uses_the_system_windir(self):
        # Started without envrun, WINDIR is Wine's own C:\windows.
        code = self.wine.run(BIN / "Unbinder.exe", r"/HwID:PCI\VEN_BEEF&DEV_0003", f"/LOG:{winpath(self.log)}")
        lines = log_lines(self.log)
        self.assertIn(r'exec : "C:\windows\System32\pnputil.exe" /delete-driver oem13.inf /uninstall /force.',
                      lines)
        if (self.wine.drive_c / "windows" / "system32" / "pnputil.exe").exists():
            self.skipTest("this Wine has a pnputil.exe")
        self.assertEqual(code, 0xFFFFFFFF)

    def test_match_without_inf_name_and_no_match(self):
        for target in (r"USB\VID_0DAD", r"PCI\VEN_DEAD"):
            with self.subTest(target=target):
                code, lines = self.unbind(f"/HwID:{target}")
                self.assertEqual(code, 0xFFFFFFFF)
                match = [r"Match HwID [USB\VID_0DAD&PID_0001]."] if "0DAD" in target else []
                self.assertEqual(lines, [f"Target HwID: {target}."] + match +
                                 ["inf path= [].", "error - HwID is not found (0xFFFFFFFF)."])
        self.assertEqual(self.recorded(), "")

    def test_missing_or_empty_option(self):
        for args in ((), ("/HwID:",)):
            with self.subTest(args=args):
                code, lines = self.unbind(*args)
                self.assertEqual((code, lines), (0xFFFFFFFF, ["parameter error (0xFFFFFFFF)."]))
        self.assertEqual(self.wine.run(BIN / "Unbinder.exe"), 0xFFFFFFFF)


if __name__ == "__main__":
    unittest.main()
