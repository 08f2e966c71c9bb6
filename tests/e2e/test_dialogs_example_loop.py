"""The progress-loop example run by the real Update: Progress ON, a step
repeated three times under Tallykeep's count, Progress OFF."""
import shutil
import threading
import time
import unittest

from fwutest import ROOT, WineTestCase, log_lines, prefix
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


if __name__ == "__main__":
    unittest.main()
