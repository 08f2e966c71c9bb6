"""The program shell and the log object every program runs through, seen
from inside a Windows process (tests/harness/shellprobe.exe): waiting for a
started program while messages are handled, the single-instance guard, and
the log file's open, sharing and closing rules."""
import subprocess
import tempfile
import unittest

import wine_only
from fwutest import TESTBIN, WineTestCase, log_lines, read_log, winpath


def shellprobe(wine, *args, timeout=60):
    """Runs shellprobe; its output goes through a file (a child may inherit a
    pipe and keep it open)."""
    with tempfile.TemporaryFile() as out:
        r = subprocess.run(["wine", str(TESTBIN / "shellprobe.exe"), *args], env=wine.env, stdout=out,
                           stderr=subprocess.DEVNULL, timeout=timeout)
        out.seek(0)
        return r.returncode, out.read().decode("utf-8", "replace").replace("\r", "").splitlines()


class Shell(WineTestCase):
    def test_waiting_dispatches_messages_and_leaves_a_quit_to_the_loop(self):
        rc, lines = shellprobe(self.wine, "wait")
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines, [
            "missing started=0 error=2 valid=0",
            "window=1",
            "child started=1 thread=1",
            "first step pending",
            "message step pending",
            "dispatched=2",
            "quit step quit",
            "quit queued=1 code=7",
            "ended=1 code=5 waited=1",
            "after end signalled",
            "quit still queued=1",
            "loop code=7",
        ])

    def test_instance_guard_answers_first_already_running_and_failed(self):
        rc, lines = shellprobe(self.wine, "guard")
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines, [
            "first first",
            "second already error=183",
            "retry while held=0",
            "retry after end=1",
            "second now first",
            "bad failed created=0",
        ])

    def test_a_dialogs_close_box_comes_back_for_the_next_dialog(self):
        # The class style is the dialog class's, shared by every dialog and
        # message box of the process.
        rc, lines = shellprobe(self.wine, "noclose")
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines, [
            "before noclose=0 sysmenu=1",
            "removed noclose=1 sysmenu=0",
            "restored noclose=0",
            "restored again noclose=0",
            "next dialog noclose=0 sysmenu=1",
            "scoped noclose=1",
            "scope ended noclose=0",
        ])

    def test_log_object_keeps_the_file_format_and_opens_it_unshared(self):
        log = self.tmp / "shell.log"
        rc, lines = shellprobe(self.wine, "log", winpath(log))
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines, ["empty path open=0", "open=1", "second open=0", "reopened=1"])
        read_log(log)  # one byte-order mark, at the start
        events = log_lines(log)
        self.assertRegex(events[0], r"^\*{10} probe - \d{4}/\d\d/\d\d - \d\d:\d\d:\d\d \*{10}$")
        self.assertRegex(events[4], r"^\*{10} again - ")
        self.assertEqual(events[1:4] + events[5:], [
            f"LOG mode ({winpath(log)}).", "line 1 of two.", "last of the first",
            f"LOG mode ({winpath(log)}).", "appended",
        ])
        self.assertTrue(read_log(log).endswith("appended\r\n"))

    def test_log_lock_held_open_by_another_account_still_lets_a_writer_in(self):
        """A program's log lock that another process holds open (without its
        count) is opened and taken by the next writer at once. Its descriptor
        grants no WRITE_DAC or WRITE_OWNER: a writer asking for every right
        was refused and kept retrying for as long as the other handle stayed
        open. The probe's lock is owned by Local System, because Wine grants
        the owner every standard right; on Windows a lock's owner gets no
        WRITE_OWNER either, so any second writer meets the same check
        (wine_only.LOCK_PROBE_OWNER)."""
        pkg = self.package(programs=("testprog.exe",), layout="tool")
        log = pkg.path("writer.log")
        rc, lines = shellprobe(self.wine, "lockopen", pkg.win("testprog.exe"), winpath(log), "20000",
                               timeout=300)
        self.assertEqual(rc, 0, lines)
        self.assertEqual(lines, [f"lock owner={wine_only.LOCK_PROBE_OWNER.wine}", "exited=1 code=0"])
        events = log_lines(log)
        self.assertEqual(len(events), 4, events)  # banner, LOG mode, pid, return
        self.assertEqual(events[-1], "return 0.")


if __name__ == "__main__":
    unittest.main()
