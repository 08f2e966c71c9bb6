"""TaskLint --trace reproduces the silent runs of the shipped examples:
each example runs with `Update /s` under Wine; the trace, given the results
and trust answers of that run (read back from its log), must write the same
log lines task for task and give the same exit code."""
import shutil
import unittest

from fwutest import BIN, ROOT
from tracediff import TraceCase, exit_line, replay_args

EXAMPLES = [ROOT / "examples" / "branching", ROOT / "examples" / "fallback", ROOT / "examples" / "progress-loop",
            ROOT / "docs" / "examples" / "device-update", ROOT / "docs" / "examples" / "retry-with-counter",
            ROOT / "docs" / "examples" / "run-and-branch", ROOT / "docs" / "examples" / "deploy-dock"]


class Examples(TraceCase):
    def lay_out(self, example):
        pkg = self.tmp / example.name
        pkg.mkdir()
        for exe in BIN.glob("*.exe"):
            shutil.copy(exe, pkg / exe.name)
        shutil.copytree(example, pkg, dirs_exist_ok=True)
        return pkg

    def check_run(self, pkg):
        code, update = self.run_update(pkg, "update.log", timeout=180)
        self.assertIn("TASK 1.", update)
        # TaskLint for Windows: environment variables in the paths expand
        # as they do for Update.
        rc, traced, notes = self.trace(pkg, replay_args(update), on_wine=True)
        self.assertEqual(rc, 0, notes)
        self.assertEqual(traced, update + [exit_line(code)], notes)
        return update

    def test_trace_reproduces_the_silent_runs_of_the_examples(self):
        for example in EXAMPLES:
            with self.subTest(example=example.name):
                pkg = self.lay_out(example)
                update = self.check_run(pkg)
                if "Target is not trusted." in update:
                    # The tools here carry no signature: the run ends at
                    # the first check. Run the rest of the list as well,
                    # with the checks off.
                    config = pkg / "config" / "config.ini"
                    text = config.read_text(encoding="ascii")
                    self.assertIn("VERIFY=ON", text)
                    config.write_text(text.replace("VERIFY=ON", "VERIFY=OFF"), encoding="ascii")
                    (pkg / "update.log").unlink()
                    update = self.check_run(pkg)
                    self.assertNotIn("Target is not trusted.", update)
                    self.assertGreater(sum(line.startswith("TASK ") for line in update), 1, update)

if __name__ == "__main__":
    unittest.main()
