"""A running Update while it waits for a started program: a second Update
brings the program's window to the front, and a close from outside ends
the run without waiting for (or ending) the program."""
import time
import unittest

import wine_only
from fwutest import ARTIFACTS, WineTestCase, finish, log_lines, screenshot, wait_window

PROGRAMS = ("Update.exe", "testprog.exe")
WINDOW_CLASS = "DORozari{E0E318DA-3312-43E9-9565-EB78318F638E}"


class WhileWaiting(WineTestCase):
    def waiting_package(self, sleep_ms, before=None):
        pkg = self.package(PROGRAMS)
        sections = {"CERT": {"VERIFY": "OFF"}}
        first = 1
        if before:
            sections["TASK_1"] = before
            first = 2
        sections[f"TASK_{first}"] = {
            "Type": "0", "Path": "testprog.exe", "WaitExit": "TRUE",
            "Param": f"/WINDOW:Flasher /SLEEP:{sleep_ms} /ACTIVATIONS /RECORD:%UPDATEDIR%\\rec.txt /EXIT:0x21"}
        sections[f"TASK_{first + 1}"] = {"Type": "11", "Data": "3"}
        pkg.write_config(sections)
        return pkg

    def activations(self, pkg):
        return pkg.path("rec.txt").read_text(encoding="utf-8").splitlines().count("activated")

    def test_second_update_brings_the_program_window_to_the_front(self):
        pkg = self.waiting_package(12000)
        first = self.wine.start(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        wait_window("^Flasher$")
        time.sleep(0.5)
        self.assertEqual(self.activations(pkg), 1)
        # Another program takes the foreground.
        other = self.wine.start(pkg.path("testprog.exe"), "/WINDOW:Other", "/SLEEP:6000")
        wait_window("^Other$")
        time.sleep(0.5)
        self.assertEqual(self.activations(pkg), 1)
        started = time.time()
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('second.log')}"), 4)
        self.assertLess(time.time() - started, 10)
        for _ in range(50):
            if self.activations(pkg) == 2:
                break
            time.sleep(0.1)
        screenshot(ARTIFACTS / "update-activate.png")
        # Wine-only: see wine_only.BROUGHT_TO_FRONT.
        self.assertEqual(self.activations(pkg) == 2, wine_only.BROUGHT_TO_FRONT.wine,
                         "the started program's window was not activated")
        self.assertEqual(log_lines(pkg.path("second.log"))[-1], "error - already existed. return 4.")
        self.assertEqual(finish(first, 60), 3)
        self.assertIn("return code 0x00000021.", log_lines(pkg.path("run.log")))
        finish(other, 60)

    def test_close_from_outside_ends_the_run_at_once(self):
        pkg = self.waiting_package(8000, before={"Type": "12", "Data": "/q"})
        proc = self.wine.start(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        wait_window("^Flasher$")
        started = time.time()
        self.assertEqual(self.wine.run(pkg.path("testprog.exe"), f"/CLOSE:{WINDOW_CLASS}"), 0)
        # The log ends long before the program's 8 s are over (runexit's
        # own end waits for the program, which holds its output pipe).
        lines = []
        while time.time() - started < 5 and (not lines or lines[-1] != "return 1."):
            time.sleep(0.1)
            lines = log_lines(pkg.path("run.log"))
        self.assertEqual(lines[-2:], ["Execute return code 0x00000000.", "return 1."])
        # The program was not ended: its window is still there.
        wait_window("^Flasher$", timeout=2)
        self.assertEqual(finish(proc, 60), 1)  # the result of task 1, stored last
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())


if __name__ == "__main__":
    unittest.main()
