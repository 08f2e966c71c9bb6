"""Runs the shipped programs the same way here (through `wine`, in the
module's throwaway prefix) and on Windows (directly): the runner prefix is
the only difference. A module written on this harness runs unchanged in
scripts/test.sh and in the Windows job of .github/workflows/ci.yml.

On Windows, FWU_BIN and FWU_TESTBIN name the folders of the programs and of
the test helpers (the Linux job's upload)."""
import os
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import fwutest
from fwutest import TESTBIN, Package, log_lines

ON_WINDOWS = os.name == "nt"


class Runner:
    """Starts Windows programs: `wine PROGRAM` here, `PROGRAM` on Windows."""

    def __init__(self):
        if ON_WINDOWS:
            self.prefix_command = []
            self.env = dict(os.environ)
        else:
            wine = fwutest.prefix()
            self.prefix_command = ["wine"]
            self.env = wine.env

    def path(self, path):
        """A path as the Windows programs see it."""
        return str(Path(path).resolve()) if ON_WINDOWS else fwutest.winpath(path)

    def console(self, exe, *args, timeout=60):
        """A console program's run: (exit status, standard output). A run
        that printed nothing at all was lost before it began (under Wine) and
        is made again, at most twice; these programs print on every path."""
        for attempt in range(3):
            r = subprocess.run(self.prefix_command + [str(exe), *map(str, args)], env=self.env,
                               capture_output=True, text=True, timeout=timeout)
            if r.stdout or r.stderr or attempt == 2:
                return r.returncode, r.stdout + r.stderr
            time.sleep(1)

    def _helper(self, helper, options, exe, args, timeout):
        """Runs a start helper of testbin (runexit, hiddenrun) with its own
        `options` on `exe`: the full exit code, or None when the helper ended
        the program still running. A start that Wine lost or failed (the
        end-to-end harness's rule) is made again, at most twice."""
        command = self.prefix_command + [str(TESTBIN / helper), *options, self.path(exe), *map(str, args)]
        for attempt in range(3):
            r = subprocess.run(command, env=self.env, capture_output=True, text=True, timeout=timeout)
            try:
                return fwutest.helper_exit_code(r.stdout, helper)
            except fwutest.NotStarted:
                if attempt == 2:
                    raise
                time.sleep(1)

    def run(self, exe, *args, timeout=60):
        """The program's full 32-bit exit code (through runexit)."""
        return self._helper("runexit.exe", [], exe, args, timeout)

    def hidden(self, exe, *args, station=None, here=False, wait_ms=15000):
        """Runs the program in a window station nobody sees (or, `here`, in
        this one) and ends it after `wait_ms`: its exit code, or None when
        it was still running then."""
        return self._helper("hiddenrun.exe", hidden_options(station, here, wait_ms), exe, args,
                            wait_ms / 1000 + 60)

    def start_hidden(self, exe, *args, station, wait_ms=30000):
        """The same without waiting: the Popen of hiddenrun (exit_of reads it)."""
        command = self.prefix_command + [str(TESTBIN / "hiddenrun.exe"), *hidden_options(station, False, wait_ms),
                                         self.path(exe), *map(str, args)]
        return subprocess.Popen(command, env=self.env, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)


def hidden_options(station, here, wait_ms):
    options = ["--station", station] if station else []
    if here:
        options.append("--here")
    return options + ["--wait", str(wait_ms)]


def exit_of(proc, timeout=90):
    """The exit code a started hiddenrun printed (None: still running)."""
    out, _ = proc.communicate(timeout=timeout)
    return fwutest.helper_exit_code(out, "hiddenrun")


class BothWaysCase(unittest.TestCase):
    """A package folder per test, and the runner."""

    runner = None

    @classmethod
    def setUpClass(cls):
        if BothWaysCase.runner is None:
            BothWaysCase.runner = Runner()

    def setUp(self):
        self.tmp = Path(tempfile.mkdtemp(prefix="fwu-both-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def package(self, *programs, layout="update", name="pkg"):
        return Package(self.tmp / name, programs, layout)

    def log(self, pkg, name="run.log"):
        return "/LOG:" + self.runner.path(pkg.path(name))

    def lines(self, pkg, name="run.log"):
        return log_lines(pkg.path(name))


def signed_test_files():
    """(signed, tampered, root) of the signature test: copies of testprog.exe
    signed under a throwaway test root, and the root's DER file. The Linux
    job of the CI workflow makes them into FWU_TESTBIN/signed for the Windows
    job (which has no openssl and osslsigncode); here they are made on the
    spot."""
    folder = TESTBIN / "signed"
    files = (folder / "signed.exe", folder / "tampered.exe", folder / "ca.cer")
    if all(f.exists() for f in files):
        return files
    if ON_WINDOWS:
        raise unittest.SkipTest(f"no signed test files in {folder}")
    import test_update_trust
    return test_update_trust.signed_chain(test_update_trust.TEST_ROOT)
