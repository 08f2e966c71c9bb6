"""The progress-loop example run by the real Update: Progress ON, a step
repeated three times under Tallykeep's count, Progress OFF."""
import shutil
import subprocess
import threading
import time
import unittest

from fwutest import ROOT, WineTestCase, ini_text, log_lines, prefix
from test_dialogs_progress import dump, mutex_exists, own_decorations

EXAMPLE = ROOT / "examples" / "progress-loop"


def setUpModule():
    own_decorations(prefix())


class ProgressLoopExample(WineTestCase):
    def test_example_runs_three_loops_under_the_window(self):
        pkg = self.package(programs=("Update.exe", "Progress.exe", "Tallykeep.exe"))
        shutil.copy(EXAMPLE / "config" / "config.ini", pkg.config)
        shutil.copy(EXAMPLE / "config.ini", pkg.path("config.ini"))
        seen = []

        def watch():
            end = time.time() + 60
            while time.time() < end and not seen:
                window, controls = dump(self.wine, "Firmware Update")
                if window is not None and 1001 in controls:
                    seen.append(controls[1001]["text"])
                time.sleep(0.3)

        watcher = threading.Thread(target=watch)
        watcher.start()
        code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('update.log')}", timeout=120)
        watcher.join()
        self.assertEqual(code, 0)
        self.assertEqual(seen, ["The firmware is being updated.\r\nDo not switch the PC off."])
        lines = log_lines(pkg.path("update.log"))
        tasks = [l for l in lines if l.startswith("TASK ")]
        self.assertEqual([t.split()[1] for t in tasks],
                         ["1.", "2.", "3.", "4.", "5.", "3.", "4.", "5.", "3.", "4.", "5.", "6.", "7.", "8."])
        self.assertEqual(lines[-1], "return 0.")
        self.assertFalse(pkg.path("MyTempCounter.ini").exists())
        self.assertFalse(mutex_exists(self.wine))
        self.assertIsNone(dump(self.wine, "Firmware Update")[0])


class OnThenOffAtOnce(WineTestCase):
    def test_task_list_that_closes_the_window_at_once_leaves_none(self):
        # A task list that starts Progress /ON without waiting and, as the
        # step between fails at once, Progress /OFF straight after it.
        pkg = self.package(programs=("Update.exe", "Progress.exe"))
        pkg.write_config(text=ini_text([
            ("MSG", {"IDS_STR_TITLE": "Firmware Update"}),
            ("TASK_1", {"Type": "0", "Path": "Progress.exe", "Param": "/ON", "Param_S": "/ON",
                        "WaitExit": "FALSE", "Verify": "FALSE"}),
            ("TASK_2", {"Type": "0", "Path": "Progress.exe", "Param": "/OFF", "Param_S": "/OFF",
                        "WaitExit": "TRUE", "Verify": "FALSE"}),
            ("TASK_3", {"Type": "11", "Data": "0"}),
        ]))
        shutil.copy(pkg.config, pkg.path("config.ini"))
        self.addCleanup(self.wine.run, pkg.path("Progress.exe"), "/OFF")
        for run in range(1, 11):
            try:
                self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", timeout=60), 0)
            except subprocess.TimeoutExpired:
                # The ON instance that Update started keeps its output open.
                self.fail(f"run {run}: the run does not end, the ON instance still runs")
            deadline = time.time() + 3
            while time.time() < deadline and mutex_exists(self.wine):
                time.sleep(0.2)
            self.assertFalse(mutex_exists(self.wine), f"run {run}: the ON instance still runs")
            self.assertIsNone(dump(self.wine, "Firmware Update")[0], f"run {run}: the window is still open")


if __name__ == "__main__":
    unittest.main()
