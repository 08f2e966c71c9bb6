"""TaskLint --trace against Update itself: the same task list run with
`Update /s` under Wine and traced on paper must give the same log lines,
task for task, and the same exit code.

Differential: seeded random task lists (tasklist_gen) with the exit codes
their programs give. FWU_DIFF_SEED and FWU_DIFF_COUNT choose the lists
(scripts/difftest.sh runs more of them); a failure names the seed of the
list and shows it.

Examples: every shipped example runs silently; the trace is given the
results and trust answers of that run (read back from Update's log) and
must reproduce the rest of the log.
"""
import os
import re
import shutil
import subprocess
import unittest
from pathlib import Path

import tasklist_gen
from fwutest import BIN, ROOT, TESTBIN, WineTestCase, log_lines, winpath

SEED = int(os.environ.get("FWU_DIFF_SEED", "1209"))
COUNT = int(os.environ.get("FWU_DIFF_COUNT", "50"))
HOST_TASKLINT = ROOT / "build" / "host" / "tools" / "tasklint" / "TaskLint"

EXAMPLES = [ROOT / "examples" / "branching", ROOT / "examples" / "fallback", ROOT / "examples" / "progress-loop",
            ROOT / "docs" / "examples" / "device-update", ROOT / "docs" / "examples" / "retry-with-counter",
            ROOT / "docs" / "examples" / "run-and-branch"]


def task_lines(lines):
    """Update's lines from the first task on (start-up and banner left out)."""
    return lines[lines.index("Admin.") + 1:]


def exit_line(code):
    return f"exit code: 0x{code:08X} ({code})"


class TraceCase(WineTestCase):
    def trace(self, pkg_root, extra, on_wine=False):
        """TaskLint --trace --silent on the package's config; (exit code, lines, notes)."""
        config = pkg_root / "config" / "config.ini"
        if HOST_TASKLINT.exists() and not on_wine:
            cmd = [str(HOST_TASKLINT), "--trace", "--silent", "--package", str(pkg_root),
                   "--update-dir", winpath(pkg_root), *extra, str(config)]
            r = subprocess.run(cmd, capture_output=True, text=True, timeout=60)
        else:
            r = self.wine.wine(str(BIN / "TaskLint.exe"), "--trace", "--silent", "--package", winpath(pkg_root),
                               "--update-dir", winpath(pkg_root), *extra, winpath(config), timeout=60)
        return r.returncode, r.stdout.replace("\r\n", "\n").splitlines(), r.stderr

    def run_update(self, pkg_root, log_name, timeout=120):
        log = pkg_root / log_name
        code = self.wine.run(pkg_root / "Update.exe", "/s", f"/LOG:{winpath(log)}", timeout=timeout)
        return code, task_lines(log_lines(log))


class Differential(TraceCase):
    def test_random_lists_run_alike(self):
        pkg = self.package(("Update.exe", "testprog.exe"))
        failures = []
        for i in range(COUNT):
            seed = SEED * 100000 + i
            tl = tasklist_gen.generate(seed)
            pkg.write_config(text=tl.ini_text())
            code, update = self.run_update(pkg.root, f"run{i}.log")
            rc, traced, notes = self.trace(pkg.root, tl.result_args())
            expected = update + [exit_line(code)]
            if rc != 0 or traced != expected:
                failures.append(f"--- {tl.describe()}Update (exit {code:#x}):\n  " + "\n  ".join(update) +
                                f"\nTaskLint --trace (exit {rc}):\n  " + "\n  ".join(traced) + f"\n{notes}")
                if len(failures) >= 3:
                    break
        self.assertEqual(failures, [], f"{len(failures)} lists differ (FWU_DIFF_SEED={SEED}):\n" +
                         "\n".join(failures))

    def test_the_generator_covers_every_ending(self):
        # The lists of the run above reach each way a run can end.
        endings = set()
        for i in range(COUNT):
            text = tasklist_gen.generate(SEED * 100000 + i).ini_text()
            endings.update(re.findall(r"Type=(11|9|14|99|-1)\r\n", text))
            if "TASK_-2]" in text:
                endings.add("negative")
            if "missing.exe" in text:
                endings.add("missing program")
        self.assertTrue({"11", "9", "14", "negative", "missing program"} <= endings, endings)


def replay_args(lines):
    """The results and trust answers of a run, read back from its log."""
    results, trust, current = {}, {}, None
    for line in lines:
        m = re.fullmatch(r"TASK (-?\d+)\.", line)
        if m:
            current = int(m.group(1))
            continue
        m = re.fullmatch(r"return code 0x([0-9A-F]{8})\.", line)
        if m and current is not None:
            results.setdefault(current, []).append(m.group(1))
            continue
        m = re.fullmatch(r"  WinVerifyTrust return 0x([0-9A-F]{8})\.", line)
        if m and current is not None:
            trust[current] = m.group(1)
    args = []
    for n, values in results.items():
        args += ["--result", f"{n}=" + ",".join("0x" + v for v in values)]
    for n, value in trust.items():
        args += ["--trust", f"{n}=0x{value}"]
    return args


class Examples(TraceCase):
    def lay_out(self, example):
        pkg = self.tmp / example.name
        pkg.mkdir()
        for exe in BIN.glob("*.exe"):
            shutil.copy(exe, pkg / exe.name)
        shutil.copytree(example, pkg, dirs_exist_ok=True)
        return pkg

    def test_trace_reproduces_the_silent_runs_of_the_examples(self):
        for example in EXAMPLES:
            with self.subTest(example=example.name):
                pkg = self.lay_out(example)
                code, update = self.run_update(pkg, "update.log", timeout=180)
                self.assertIn("TASK 1.", update)
                # TaskLint on Windows: the environment variables in the
                # example's paths expand as they do for Update.
                rc, traced, notes = self.trace(pkg, replay_args(update), on_wine=True)
                self.assertEqual(rc, 0, notes)
                self.assertEqual(traced, update + [exit_line(code)], notes)


if __name__ == "__main__":
    unittest.main()
