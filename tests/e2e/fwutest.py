"""End-to-end harness: runs the real Windows programs under Wine.

Each test process (a module, or one class of it) gets a throwaway WINEPREFIX
(its own wineserver, so named objects of one process never meet another's)
and a virtual display of its own. Programs are started through runexit.exe,
which prints the child's full 32-bit exit code. Environment:
  FWU_BIN      folder of the built programs (build/windows/bin)
  FWU_TESTBIN  folder of the test helpers (build/windows/testbin)
"""
import atexit
import os
import select
import shlex
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
BIN = Path(os.environ.get("FWU_BIN", ROOT / "build" / "windows" / "bin"))
TESTBIN = Path(os.environ.get("FWU_TESTBIN", ROOT / "build" / "windows" / "testbin"))

_display_proc = None
_prefix = None


def wine_settings(path=ROOT / "scripts" / "wine-env.sh"):
    """The Wine settings every run of this tree uses: the plain
    `export NAME=value` lines of scripts/wine-env.sh (the one place they are
    written; the shell scripts source that file)."""
    settings = {}
    for line in Path(path).read_text().splitlines():
        if not line.startswith("export "):
            continue
        words = shlex.split(line, comments=True)
        if len(words) != 2 or "=" not in words[1]:
            raise RuntimeError(f"{path}: not a plain export line: {line!r}")
        name, value = words[1].split("=", 1)
        settings[name] = value
    if not settings.get("WINEDLLOVERRIDES"):
        raise RuntimeError(f"{path} sets no WINEDLLOVERRIDES")
    return settings


def winpath(path):
    """The Wine (Z: drive) form of a Linux path."""
    return "Z:" + str(Path(path).resolve()).replace("/", "\\")


def ensure_display():
    """Starts an Xvfb of our own unless a usable display is set. The server
    picks the first free display number itself and tells it through a pipe,
    so that modules started at the same moment never share one display."""
    global _display_proc
    if _display_proc is not None:
        return os.environ["DISPLAY"]
    for _ in range(3):
        reader, writer = os.pipe()
        try:
            proc = subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24",
                                     "-nolisten", "tcp"], pass_fds=(writer,),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        finally:
            os.close(writer)
        number = b""
        end = time.time() + 30
        with os.fdopen(reader, "rb", buffering=0) as pipe:
            while not number.endswith(b"\n") and time.time() < end:
                if not select.select([pipe], [], [], 0.1)[0]:
                    if proc.poll() is not None:
                        break
                    continue
                chunk = pipe.read(16)
                if not chunk:
                    break
                number += chunk
        if number.strip().isdigit() and proc.poll() is None:
            _display_proc = proc
            os.environ["DISPLAY"] = f":{int(number)}"
            atexit.register(_stop_display)
            return os.environ["DISPLAY"]
        if proc.poll() is None:
            proc.kill()
        proc.wait()
    raise RuntimeError("no Xvfb display could be started")


def _stop_display():
    if _display_proc is not None and _display_proc.poll() is None:
        _display_proc.terminate()
        try:
            _display_proc.wait(5)
        except subprocess.TimeoutExpired:
            _display_proc.kill()


class WinePrefix:
    """A throwaway prefix; `stop()` ends its wineserver and removes it."""

    def __init__(self):
        ensure_display()
        self.path = Path(tempfile.mkdtemp(prefix="fwu-wine-"))
        self.env = dict(os.environ)
        self.env.update(wine_settings())
        self.env["WINEPREFIX"] = str(self.path)
        subprocess.run(["wineboot", "-i"], env=self.env, check=True, timeout=300,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_idle()
        self.drive_c = self.path / "drive_c"

    def wait_idle(self, timeout=120):
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        shutil.rmtree(self.path, ignore_errors=True)

    def environment(self, env=None):
        """The prefix's environment with `env` applied; a value None removes
        the variable (DISPLAY=None: no display)."""
        e = dict(self.env)
        for key, value in (env or {}).items():
            if value is None:
                e.pop(key, None)
            else:
                e[key] = value
        return e

    def start(self, exe, *args, env=None):
        """Starts a program through runexit without waiting; returns the Popen."""
        e = self.environment(env)
        # Wine quotes each argument into the Windows command line itself.
        cmd = ["wine", str(TESTBIN / "runexit.exe"), winpath(exe) if Path(str(exe)).exists() else str(exe)]
        cmd += [str(a) for a in args]
        return subprocess.Popen(cmd, env=e, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)

    def run(self, exe, *args, timeout=60, env=None):
        """Runs a program to its end; returns its 32-bit exit code.

        A start that Wine lost before runexit could create the child (runexit
        printed nothing at all, or Wine failed its CreateProcessW) is made
        again, at most twice: the program never ran, so nothing happens
        twice."""
        for attempt in range(3):
            proc = self.start(exe, *args, env=env)
            try:
                return finish(proc, timeout)
            except NotStarted:
                if attempt == 2:
                    raise
                time.sleep(1)

    def wine(self, *args, timeout=60, env=None, always_prints=False):
        """Runs a console command directly under Wine. With `always_prints`
        (a program that prints on every path) a run that printed nothing at
        all was lost by Wine before it began and is made again, at most
        twice."""
        e = self.environment(env)
        for attempt in range(3):
            r = subprocess.run(["wine", *args], env=e, timeout=timeout, capture_output=True, text=True)
            if not always_prints or r.stdout or r.stderr or attempt == 2:
                return r
            time.sleep(1)


class NotStarted(AssertionError):
    """runexit printed nothing, or that Wine failed the start itself: the
    program to test was never started."""


# The error runexit's CreateProcessW gives when Wine fails a start inside
# its own machinery (seen on a heavily loaded machine): no child exists, so
# the start may be made again like one Wine lost before runexit ran.
WINE_FAILED_START = "start failed 1359"


def helper_exit_code(out, helper="runexit"):
    """What a start helper of testbin (runexit, hiddenrun) printed: the
    child's full exit code, or None when hiddenrun ended it still running.
    Raises NotStarted when Wine never started the program (nothing printed,
    or Wine failed the start itself), AssertionError on anything else."""
    for line in out.splitlines():
        if line.startswith("exit 0x"):
            return int(line[5:], 16)
        if line.startswith("still running after"):
            return None
    if not out.strip():
        raise NotStarted(f"{helper} printed nothing: Wine did not start it")
    if out.strip() == WINE_FAILED_START:
        raise NotStarted(f"{helper}: {out.strip()}: Wine did not start the program")
    raise AssertionError(f"{helper} printed no exit code: {out!r}")


def finish(proc, timeout=60):
    """Waits for a started runexit; returns the child's exit code."""
    try:
        out, _ = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        raise
    return helper_exit_code(out)


def prefix():
    """The module's prefix (made on first use, removed at exit)."""
    global _prefix
    if _prefix is None:
        _prefix = WinePrefix()
        atexit.register(_prefix.stop)
    return _prefix


# --- files -----------------------------------------------------------------

def utf16_bytes(text, bom=True):
    return (b"\xff\xfe" if bom else b"") + text.encode("utf-16-le")


def ini_text(sections):
    """[(name, {key: value})] or a dict -> INI text with CR LF."""
    items = sections.items() if isinstance(sections, dict) else sections
    lines = []
    for name, keys in items:
        lines.append(f"[{name}]")
        for k, v in keys.items():
            lines.append(f"{k}={v}")
        lines.append("")
    return "\r\n".join(lines) + "\r\n"


def seal(plain_path, sealed_path):
    """Seals a file with the IniSeal built for the host (build/host)."""
    iniseal = ROOT / "build" / "host" / "tools" / "iniseal" / "IniSeal"
    if iniseal.exists():
        subprocess.run([str(iniseal), "seal", str(plain_path), str(sealed_path)], check=True,
                       capture_output=True)
    else:
        prefix().wine(str(BIN / "IniSeal.exe"), "seal", winpath(plain_path), winpath(sealed_path), always_prints=True)
        if not Path(sealed_path).exists():
            raise RuntimeError("IniSeal failed")


class Package:
    """A package folder with programs copied in and a config.ini written."""

    def __init__(self, root, programs=("Update.exe",), layout="update"):
        self.root = Path(root)
        self.root.mkdir(parents=True, exist_ok=True)
        for p in programs:
            src = BIN / p if (BIN / p).exists() else TESTBIN / p
            shutil.copy(src, self.root / Path(p).name)
        self.config_dir = self.root / "config" if layout == "update" else self.root
        self.config_dir.mkdir(parents=True, exist_ok=True)
        self.config = self.config_dir / "config.ini"

    def write_config(self, sections=None, text=None, sealed=False, encoding="utf-16"):
        if text is None:
            text = ini_text(sections or {})
        data = utf16_bytes(text) if encoding == "utf-16" else text.encode(encoding)
        if sealed:
            plain = self.root / "plain.ini.tmp"
            plain.write_bytes(data)
            seal(plain, self.config)
            plain.unlink()
        else:
            self.config.write_bytes(data)
        return self.config

    def copy(self, name, as_name=None):
        src = BIN / name if (BIN / name).exists() else TESTBIN / name
        dst = self.root / (as_name or name)
        dst.parent.mkdir(parents=True, exist_ok=True)
        shutil.copy(src, dst)
        return dst

    def path(self, *parts):
        return self.root.joinpath(*parts)

    def win(self, *parts):
        return winpath(self.root.joinpath(*parts))


def read_log(path):
    """A UTF-16LE log as text; asserts the byte-order mark is there once."""
    data = Path(path).read_bytes()
    assert data[:2] == b"\xff\xfe", "log does not start with FF FE"
    text = data[2:].decode("utf-16-le")
    assert "\ufeff" not in text, "second byte-order mark in log"
    return text


def log_lines(path):
    """Event texts of a log, the time-stamp prefix removed; banners kept."""
    out = []
    for line in read_log(path).split("\r\n"):
        if not line:
            continue
        if len(line) > 22 and line[4] == "/" and line[19:22] == " - ":
            out.append(line[22:])
        else:
            out.append(line)
    return out


# --- display ---------------------------------------------------------------

def xdotool(*args, check=False):
    r = subprocess.run(["xdotool", *args], capture_output=True, text=True, env=dict(os.environ))
    if check and r.returncode != 0:
        raise AssertionError(f"xdotool {args} failed: {r.stderr}")
    return r.stdout.strip()


def wait_window(name, timeout=30):
    """Window id of the first visible window whose title matches `name`."""
    end = time.time() + timeout
    while time.time() < end:
        ids = xdotool("search", "--onlyvisible", "--name", name)
        if ids:
            return ids.split()[0]
        time.sleep(0.2)
    raise AssertionError(f"no window named {name!r} appeared")


def screenshot(path, window="root"):
    path = Path(path)
    path.parent.mkdir(parents=True, exist_ok=True)
    subprocess.run(["import", "-window", window, str(path)], check=False, env=dict(os.environ),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return path


ARTIFACTS = Path(os.environ.get("FWU_ARTIFACTS", ROOT / "build" / "e2e-artifacts"))


class WineTestCase(unittest.TestCase):
    """Gives each test its own package folder in a temporary directory."""

    def setUp(self):
        self.wine = prefix()
        self.tmp = Path(tempfile.mkdtemp(prefix="fwu-pkg-"))
        self.addCleanup(shutil.rmtree, self.tmp, True)

    def package(self, programs=("Update.exe",), layout="update", name="pkg"):
        return Package(self.tmp / name, programs, layout)
