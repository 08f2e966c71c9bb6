"""Update's probe and system tasks under Wine: disk drive (Wine's WMI),
base board (Wine's SMBIOS table), WOW64, silent shutdown and restart, and
the folder removal registered for the next start."""
import re
import unittest

import wine_only
from fwutest import ARTIFACTS, WineTestCase, log_lines


def end_with(value):
    return {"Type": "11", "Data": str(value)}


class ProbeTasks(WineTestCase):
    def run_tasks(self, tasks, *args):
        pkg = self.package()
        pkg.write_config(tasks)
        code = self.wine.run(pkg.path("Update.exe"), *args, f"/LOG:{pkg.win('run.log')}")
        return code, log_lines(pkg.path("run.log")), pkg

    def test_disk_model_and_firmware_against_wine_wmi(self):
        # Wine-only (wine_only.DISK_MODEL, DISK_FIRMWARE): the model prefix
        # matches (0); the firmware revision is empty, so a firmware task
        # with Data gives -1 and one without Data gives 0.
        model, firmware = wine_only.DISK_MODEL.wine, wine_only.DISK_FIRMWARE.wine
        self.assertEqual(firmware, "")
        code, lines, _ = self.run_tasks({
            "TASK_1": {"Type": "7", "Data": model[:9].lower(), "RET_0x00000001": "-1"},  # a prefix, any case
            "TASK_2": {"Type": "8", "Data": "1.0", "RET_0x00000000": "-1"},
            "TASK_3": {"Type": "7", "Data": "Other", "RET_0x00000000": "-1"},
            "TASK_4": {"Type": "8", "Data": "", "RET_0x00000001": "-1"},
            "TASK_5": end_with(0x55),
        }, "/s")
        self.assertEqual(code, 0x55)
        results = [l for l in lines if l.startswith("Execute return code")]
        self.assertEqual(results[:4], ["Execute return code 0x00000000.", "Execute return code 0xFFFFFFFF.",
                                       "Execute return code 0x00000001.", "Execute return code 0x00000000."])
        hdd = [l for l in lines if l.startswith("  HDD Model:")]
        # One read per property: the model once, the empty firmware twice.
        self.assertEqual(hdd, [f"  HDD Model: {model}.", f"  HDD Model: {firmware}.", f"  HDD Model: {firmware}."])

    def test_base_board_against_wine_smbios_and_cache(self):
        code, lines, _ = self.run_tasks({
            "TASK_1": {"Type": "6", "Data": ""},
            "TASK_2": {"Type": "6", "Data": "NoSuchBoard,"},
            "TASK_3": end_with(1),
        }, "/s")
        self.assertEqual(code, 1)
        board = [l for l in lines if "BaseBoardInfo" in l or "Error - " in l]
        self.assertEqual(len(board), 2, lines)
        m = re.match(r"^  BaseBoardInfo: (.*)\.$", board[0])
        results = [l for l in lines if l.startswith("Execute return code")]
        if m:
            self.assertEqual(board[1], f"  BaseBoardInfo(2): {m.group(1)}.")
            self.assertEqual(results[1], "Execute return code 0x00000001.")
        else:
            # This host gives Wine no board name: the failed read is not
            # cached, so the second task reads the table again.
            self.assertEqual(board, ["  Error - Base board string length is zero."] * 2)
            self.assertEqual(results[:2], ["Execute return code 0xFFFFFFFF."] * 2)

    def test_wow64_silent_shutdown_restart(self):
        code, lines, _ = self.run_tasks({
            "TASK_1": {"Type": "5"},
            "TASK_2": {"Type": "2", "Data": "hybrid_shutdown"},
            "TASK_3": {"Type": "3"},
            "TASK_4": end_with(7),
        }, "/s")
        self.assertEqual(code, 7)
        results = [l for l in lines if l.startswith("Execute return code")]
        self.assertEqual(results, ["Execute return code 0x00000001.", "Execute return code 0xFFFFFFFF.",
                                   "Execute return code 0xFFFFFFFF.", "Execute return code 0x00000007."])

    def test_remove_own_folder_registers_depth_first_folder_last(self):
        pkg = self.package()
        (pkg.path("fw", "deep")).mkdir(parents=True)
        pkg.path("fw", "a.bin").write_bytes(b"x")
        pkg.write_config({"TASK_1": {"Type": "13"}, "TASK_2": end_with(3)})
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 3)
        self.wine.wait_idle()
        reg = (self.wine.path / "system.reg").read_text(encoding="utf-8", errors="replace")
        (ARTIFACTS / "pending-system.reg").parent.mkdir(parents=True, exist_ok=True)
        (ARTIFACTS / "pending-system.reg").write_text(reg[reg.find("Session Manager"):][:4000])
        # Wine keeps the multi-string as str(7):"a\0\0b\0\0" (source, empty target).
        m = re.search(r'"PendingFileRenameOperations"=str\(7\):"(.*)"', reg)
        self.assertIsNotNone(m)
        names = [n.replace("\\\\", "\\") for n in m.group(1).split("\\0") if n]
        root = pkg.win().lower()
        mine = [n[4:].lower() if n.startswith("\\??\\") else n.lower() for n in names]
        mine = [n for n in mine if n.startswith(root)]
        self.assertEqual(mine[-1], root)
        for sub in ("\\fw\\deep", "\\fw\\a.bin", "\\config\\config.ini"):
            self.assertIn(root + sub, mine)
        self.assertLess(mine.index(root + "\\fw\\deep"), mine.index(root + "\\fw"))
        self.assertLess(mine.index(root + "\\fw\\a.bin"), mine.index(root + "\\fw"))
        self.assertLess(mine.index(root + "\\config\\config.ini"), mine.index(root + "\\config"))



class UrlAndPowerTasks(WineTestCase):
    def test_url_task_logs_the_failed_launch_and_gives_0(self):
        # Wine-only (wine_only.IELAUNCHURL_RESULT): the E_NOTIMPL path.
        pkg = self.package()
        pkg.write_config({"TASK_1": {"Type": "4", "URL": "https://example.invalid/fw", "RET_0x00000000": "2"},
                          "TASK_2": end_with(0x21)})
        code = self.wine.run(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        lines = log_lines(pkg.path("run.log"))
        self.assertEqual(code, 0x21)
        self.assertIn("  URL: https://example.invalid/fw.", lines)
        self.assertIn(f"  Error - IELaunchURL failed {wine_only.IELAUNCHURL_RESULT.wine}.", lines)
        self.assertIn("Execute return code 0x00000000.", lines)
        # Silent: nothing is logged by the action and the result is still 0.
        pkg.path("run.log").unlink()
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 0x21)
        self.assertFalse(any(l.startswith("  URL:") for l in log_lines(pkg.path("run.log"))))

    def test_run_asking_for_both_power_requests_ends_normally(self):
        # Wine's PowerCreateRequest is a stub: which requests a run starts
        # and that they are cleared at its end is tested against a double
        # (tests/update/power_requests_test.cpp).
        pkg = self.package()
        pkg.write_config({"CONFIG": {"REQSYS": "on", "REQDISP": "ON"}, "TASK_1": end_with(3)})
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 3)
        self.assertEqual(log_lines(pkg.path("run.log"))[-1], "return 3.")

if __name__ == "__main__":
    unittest.main()
