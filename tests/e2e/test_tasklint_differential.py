"""TaskLint --trace against Update itself: seeded random task lists
(tasklist_gen) run with `Update /s` under Wine and traced on paper with the
exit codes their programs give must agree line for line (task order, log
lines) and in the exit code.

FWU_DIFF_SEED and FWU_DIFF_COUNT choose the lists (scripts/difftest.sh runs
more of them); a failure shows each differing list with its seed.
"""
import os
import unittest

import tasklist_gen
from tracediff import TraceCase, exit_line

SEED = int(os.environ.get("FWU_DIFF_SEED", "1209"))
COUNT = int(os.environ.get("FWU_DIFF_COUNT", "50"))


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
            if rc != 0 or traced != update + [exit_line(code)]:
                failures.append(f"--- {tl.describe()}Update (exit {code:#x}):\n  " + "\n  ".join(update) +
                                f"\nTaskLint --trace (exit {rc}):\n  " + "\n  ".join(traced) + f"\n{notes}")
                if len(failures) >= 3:
                    break
        self.assertEqual(failures, [], f"{len(failures)} lists differ (FWU_DIFF_SEED={SEED}):\n" +
                         "\n".join(failures))

    def test_the_lists_hold_every_kind_of_task(self):
        kinds = set()
        for i in range(COUNT):
            kinds |= tasklist_gen.generate(SEED * 100000 + i).kinds
        expected = {"program", "box", "dialog", "restart", "goto", "return", "param", "bad", "TASK_-2",
                    "TASK_2147483647", "missing program", "lower-case key", "no Param_S"}
        self.assertTrue(expected <= kinds, expected - kinds)

if __name__ == "__main__":
    unittest.main()
