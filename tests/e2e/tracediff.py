"""Shared by the tests that hold TaskLint --trace against Update's own runs:
running both on one package folder and reading a run back from its log."""
import re
import subprocess

from fwutest import BIN, ROOT, WineTestCase, log_lines, winpath

HOST_TASKLINT = ROOT / "build" / "host" / "tools" / "tasklint" / "TaskLint"


def task_lines(lines):
    """Update's lines from the first task on (start-up and banner left out)."""
    return lines[lines.index("Admin.") + 1:]


def exit_line(code):
    return f"exit code: 0x{code:08X} ({code})"


def replay_args(lines):
    """--result and --trust options that give the trace the results and
    trust answers of a run, read back from its log."""
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


class TraceCase(WineTestCase):
    def trace(self, pkg_root, extra, on_wine=False):
        """TaskLint --trace --silent on the package's config: (exit code,
        output lines, notes). The host build when there is one and the
        Windows program is not asked for."""
        config = pkg_root / "config" / "config.ini"
        if HOST_TASKLINT.exists() and not on_wine:
            cmd = [str(HOST_TASKLINT), "--trace", "--silent", "--package", str(pkg_root),
                   "--update-dir", winpath(pkg_root), *extra, str(config)]
            r = subprocess.run(cmd, capture_output=True, text=True, timeout=60)
        else:
            r = self.wine.wine(str(BIN / "TaskLint.exe"), "--trace", "--silent", "--package", winpath(pkg_root),
                               "--update-dir", winpath(pkg_root), *extra, winpath(config), timeout=60,
                               always_prints=True)
        return r.returncode, r.stdout.replace("\r\n", "\n").splitlines(), r.stderr

    def run_update(self, pkg_root, log_name, timeout=120):
        """Update /s on the package: (exit code, its log lines from the first task on)."""
        log = pkg_root / log_name
        code = self.wine.run(pkg_root / "Update.exe", "/s", f"/LOG:{winpath(log)}", timeout=timeout)
        return code, task_lines(log_lines(log))
