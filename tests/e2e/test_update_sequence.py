"""Update's task sequence under Wine: branching on exit codes, waiting,
pauses, failed starts, go-to loops, every ending and bad task lists."""
import re
import time
import unittest
from pathlib import Path

from fwutest import WineTestCase, finish, log_lines, winpath

PROGRAMS = ("Update.exe", "testprog.exe")


def task_lines(lines):
    """The lines after start-up ("Admin."), without the banner."""
    return lines[lines.index("Admin.") + 1:]


class SequenceCase(WineTestCase):
    def run_tasks(self, sections, *args, name="pkg", timeout=60):
        pkg = self.package(PROGRAMS, name=name)
        base = {"CERT": {"VERIFY": "OFF"}}
        base.update(sections)
        pkg.write_config(base)
        code = self.wine.run(pkg.path("Update.exe"), *args, f"/LOG:{pkg.win('run.log')}", timeout=timeout)
        self.pkg = pkg
        return code, task_lines(log_lines(pkg.path("run.log")))

    def records(self, name="rec.txt"):
        path = self.pkg.path(name)
        return path.read_text(encoding="utf-8").splitlines() if path.exists() else []


class Branching(SequenceCase):
    def test_exit_codes_choose_the_next_task(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Param_S": "/EXIT:0x80000001", "WaitExit": "TRUE",
                       "RET_0x80000001": "4"},
            "TASK_2": {"Type": "11", "Data": "2"},
            "TASK_4": {"Type": "0", "Path": "testprog.exe", "Param_S": "/EXIT:5", "WaitExit": "true",
                       "RET_0x00000000": "2"},
            # exit code 5 has no key: task 5 follows
            "TASK_5": {"Type": "11", "Data": "0x10"},
        }, "/s")
        self.assertEqual(code, 16)
        exe = self.pkg.win("testprog.exe")
        self.assertEqual(lines, [
            "TASK 1.", "Skip trust check.", f'  Exec: "{exe}" /EXIT:0x80000001.',
            "Execute return code 0x00000000.", "return code 0x80000001.",
            "TASK 4.", "Skip trust check.", f'  Exec: "{exe}" /EXIT:5.',
            "Execute return code 0x00000000.", "return code 0x00000005.",
            "TASK 5.", "Skip trust check.", "Execute return code 0x00000010.", "return code 0x00000010.",
            "end by return value task.", "return 16."])

    def test_without_waitexit_the_result_is_zero(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Param_S": "/EXIT:7 /SLEEP:300", "WaitExit": "yes",
                       "RET_0x00000000": "-1", "RET_0x00000007": "3"},
        }, "/s")
        self.assertEqual(code, 0)
        self.assertEqual(lines[-3:], ["return code 0x00000000.", "end index.", "return 0."])

    def test_missing_program_branches_on_all_ones(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "missing.exe", "WaitExit": "TRUE", "RET_0xFFFFFFFF": "9"},
            "TASK_9": {"Type": "11", "Data": "9"},
        }, "/s")
        self.assertEqual(code, 9)
        self.assertEqual(lines[2:6], [f'  Exec: "{self.pkg.win("missing.exe")}".', "  Error - Exec failed (2).",
                                      "Execute return code 0xFFFFFFFF.", "return code 0xFFFFFFFF."])
        self.assertIn("end by return value task.", lines)

    def test_path_with_blanks_dir_and_arguments(self):
        pkg_files = {"TASK_1": {"Type": "0", "Path": "my tools\\test prog.exe", "Dir": "my tools",
                                "Param": "/RECORD:%UPDATEDIR%\\rec.txt /EXIT:1",
                                "Param_S": "/RECORD:%UPDATEDIR%\\rec.txt \"/X:a b\"", "WaitExit": "TRUE",
                                "RET_0x00000000": "-1"}}
        pkg = self.package(PROGRAMS)
        pkg.copy("testprog.exe", "my tools/test prog.exe")
        pkg.write_config({"CERT": {"VERIFY": "OFF"}, **pkg_files})
        self.pkg = pkg
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 0)
        lines = task_lines(log_lines(pkg.path("run.log")))
        root = pkg.win()
        self.assertIn(f'  Exec: "{root}\\my tools\\test prog.exe" /RECORD:{root}\\rec.txt "/X:a b".', lines)
        rec = self.records()
        self.assertEqual(rec[0], f'cmdline="{root}\\my tools\\test prog.exe" /RECORD:{root}\\rec.txt "/X:a b"')
        self.assertEqual(rec[1], f"cwd={root}\\my tools")

    def test_normal_mode_uses_param_and_empty_dir_is_the_package(self):
        # Not silent: Param, and the update folder (with a backslash) as working folder.
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Param": "/RECORD:%UPDATEDIR%\\rec.txt /EXIT:3",
                       "Param_S": "/EXIT:4", "WaitExit": "TRUE"},
            "TASK_2": {"Type": "11", "Data": "1"},
        })
        self.assertEqual(code, 1)
        self.assertIn("return code 0x00000003.", lines)
        rec = self.records()
        self.assertTrue(rec[0].endswith("/EXIT:3"))
        self.assertIn(rec[1], (f"cwd={self.pkg.win()}\\", f"cwd={self.pkg.win()}"))

    def test_silent_with_empty_param_s_passes_no_arguments(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Param": "/EXIT:3", "WaitExit": "TRUE",
                       "RET_0x00000000": "-1", "RET_0x00000003": "2"},
            "TASK_2": {"Type": "11", "Data": "3"},
        }, "/s")
        self.assertEqual(code, 0)
        self.assertEqual(lines[2], f'  Exec: "{self.pkg.win("testprog.exe")}".')

    def test_shell_execute_start_is_waited(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Method": "shellexecuteex",
                       "Param_S": "/EXIT:0x2A /RECORD:%UPDATEDIR%\\rec.txt", "WaitExit": "TRUE"},
            "TASK_2": {"Type": "0", "Path": "nothere.exe", "Method": "ShellExecuteEx", "RET_0xFFFFFFFF": "3"},
            "TASK_3": {"Type": "11", "Data": "0"},
        }, "/s")
        self.assertEqual(code, 0)
        exe = self.pkg.win("testprog.exe")
        self.assertEqual(lines[2], f'  Exec: "{exe}" /EXIT:0x2A /RECORD:{self.pkg.win()}\\rec.txt.')
        self.assertIn("return code 0x0000002A.", lines)
        self.assertIn(f'  Exec: "{self.pkg.win("nothere.exe")}" .', lines)
        failed = [l for l in lines if l.startswith("  Error - Exec failed (")]
        self.assertEqual(len(failed), 1, lines)
        self.assertIn("return code 0xFFFFFFFF.", lines)
        self.assertTrue(self.records()[0].startswith("cmdline="))


class Timing(SequenceCase):
    def test_waitexit_and_afterwait(self):
        start = time.time()
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "0", "Path": "testprog.exe", "Param_S": "/SLEEP:1500 /EXIT:6", "WaitExit": "TRUE",
                       "AfterWait": "2000", "RET_0x00000006": "3"},
            "TASK_3": {"Type": "11", "Data": "6"},
        }, "/s")
        took = time.time() - start
        self.assertEqual(code, 6)
        self.assertIn("return code 0x00000006.", lines)
        # The wait and the pause add up (start-up alone is well under a second).
        self.assertGreater(took, 3.4)
        stamps = [l for l in log_lines(self.pkg.path("run.log"))]
        raw = self.pkg.path("run.log").read_bytes()[2:].decode("utf-16-le").split("\r\n")
        times = {}
        for line in raw:
            m = re.match(r"^\d{4}/\d\d/\d\d (\d\d):(\d\d):(\d\d) - (.*)$", line)
            if m:
                times.setdefault(m.group(4), int(m.group(1)) * 3600 + int(m.group(2)) * 60 + int(m.group(3)))
        self.assertGreaterEqual(times["return code 0x00000006."] - times["Execute return code 0x00000000."], 3)
        del stamps


class Endings(SequenceCase):
    def test_goto_loop_with_a_counter_program(self):
        # Task 2 runs the program three times through a go-to loop: the
        # program's exit code (from its record file's length) ends the loop.
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "9", "Goto": "5", "RET_0x00000005": "1"},
            "TASK_5": {"Type": "0", "Path": "testprog.exe", "Param_S": "/RECORD:%UPDATEDIR%\\rec.txt",
                       "WaitExit": "TRUE", "RET_0x00000000": "6"},
            "TASK_6": {"Type": "12", "Data": "/again", "RET_0x00000001": "7"},
            "TASK_7": {"Type": "11", "Data": "-1"},
        }, "/s")
        self.assertEqual(code, 0xFFFFFFFF)
        self.assertEqual(lines[:4], ["TASK 1.", "Skip trust check.", "Execute return code 0x00000005.",
                                     "return code 0x00000005."])
        self.assertEqual(lines[-2:], ["end by return value task.", "return -1."])

    def test_load_failures_end_with_nine(self):
        cases = [
            ({"TASK_1": {"Type": "12", "Data": "/q"}}, "Load failed 2."),  # runs past the last section
            ({"TASK_1": {"Type": "14"}}, "Load failed 1."),
            ({"TASK_1": {"Type": "-1"}}, "Load failed 1."),
            ({"TASK_1": {"Path": "x.exe"}}, "Load failed 1."),
            # The number wraps to 32 bits as the platform's conversion does.
            ({"TASK_1": {"Type": "9", "Goto": "99999999999"}}, "Load failed 1215752191."),
            ({"TASK_1": {"Type": "9", "Goto": "-2"}}, "Load failed -2."),
            ({"TASK_1": {"Type": "12", "Data": "/q", "RET_0x00000001": "0x7FFFFFFF"}}, "Load failed 2147483647."),
        ]
        for n, (sections, last) in enumerate(cases):
            with self.subTest(last=last, n=n):
                code, lines = self.run_tasks(sections, "/s", name=f"p{n}")
                self.assertEqual(code, 9)
                self.assertEqual(lines[-2:], [last, "return 9."])

    def test_numbers_holding_text(self):
        code, lines = self.run_tasks({
            "TASK_1": {"Type": "abc", "Path": "testprog.exe", "Param_S": "/EXIT:2", "WaitExit": "TRUE",
                       "AfterWait": "soon", "RET_0x00000002": "3rd"},
            "TASK_3": {"Type": "0x0B", "Data": "7 apples"},
        }, "/s")
        self.assertEqual(code, 7)  # the leading digits of "7 apples"
        self.assertEqual(lines[-3:], ["return code 0x00000007.", "end by return value task.", "return 7."])
        self.assertIn("TASK 3.", lines)

    def test_first_task_zero_and_no_key_selects_zero(self):
        code, lines = self.run_tasks({
            "TASK_0": {"Type": "11", "Data": "40"},
            "TASK_1": {"Type": "12", "Data": "/q", "RET_0x00000001": "0"},
            "TASK_2": {"Type": "9", "Goto": "0"},
        }, "/s", "/FTN:1")
        self.assertEqual(code, 40)
        self.assertEqual([l for l in lines if l.startswith("TASK")], ["TASK 1.", "TASK 2.", "TASK 0."])

    def test_self_loop_keeps_running_until_closed_from_outside(self):
        pkg = self.package(PROGRAMS)
        pkg.write_config({"CERT": {"VERIFY": "OFF"},
                          "TASK_1": {"Type": "12", "Data": "/q", "RET_0x00000001": "1"}})
        proc = self.wine.start(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}")
        time.sleep(3)
        self.assertIsNone(proc.poll(), "the loop ended by itself")
        rss1 = update_rss()
        time.sleep(3)
        rss2 = update_rss()
        closer = self.wine.run(pkg.path("testprog.exe"), "/CLOSE:DORozari{E0E318DA-3312-43E9-9565-EB78318F638E}")
        self.assertEqual(closer, 0, "the hidden window was not found")
        self.assertEqual(finish(proc, 60), 1)  # the result stored last
        lines = log_lines(pkg.path("run.log"))
        self.assertGreater(lines.count("TASK 1."), 100)
        self.assertEqual(lines[-1], "return 1.")
        self.assertIsNotNone(rss1, "Update.exe not found among the processes")
        self.assertLess(rss2 - rss1, 4 * 1024, f"resident memory grew from {rss1} to {rss2} KiB")


def update_rss():
    """Resident KiB of the running Update.exe (Linux side), or None."""
    for status in Path("/proc").glob("[0-9]*/status"):
        try:
            text = status.read_text()
            cmd = (status.parent / "cmdline").read_bytes()
        except OSError:
            continue
        if b"Update.exe" in cmd and b"runexit" not in cmd:
            m = re.search(r"VmRSS:\s+(\d+)", text)
            if m:
                return int(m.group(1))
    return None


if __name__ == "__main__":
    unittest.main()
