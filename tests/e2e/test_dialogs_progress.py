"""Progress under Wine: the waiting window (ON), closing it (OFF), second
instances, configuration failures and the silent modes."""
import re
import subprocess
import tempfile
import time
import unittest

import wine_only
from fwutest import (ARTIFACTS, TESTBIN, NotStarted, WineTestCase, finish, log_lines, prefix, screenshot,
                     wait_window, xdotool)

NAME = "Progress{2D18527D-3F06-4E5A-BD41-47C2C8C14B4C}"
TITLE = "Firmware Update"
TEXT = r"Updating the firmware.\nDo not switch the PC off."
WS_SYSMENU = 0x00080000
CS_NOCLOSE = 0x0200
PBS_MARQUEE = 0x08
MB_ICON_CONTROL = 1088  # the icon of a message box
ON_START_WAIT = 5.0  # how long OFF waits for an ON that is still starting


def own_decorations(wine):
    """Wine draws captions itself (no window manager runs on the display)."""
    wine.wine("reg", "add", r"HKCU\Software\Wine\X11 Driver", "/v", "Managed", "/d", "N", "/f")
    wine.wait_idle()


def probe(wine, *args):
    """Runs winprobe. Its output goes through a file: a Wine helper process
    started meanwhile may inherit a pipe and keep it open long after."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", str(TESTBIN / "winprobe.exe"), *args], env=wine.env, stdout=out,
                       stderr=subprocess.DEVNULL, timeout=30)
        out.seek(0)
        return out.read().decode("utf-8", "replace")


def parse_record(line):
    kind, _, rest = line.partition(" ")
    rec = {"kind": kind}
    for key, value in re.findall(r'(\w+)=("(?:[^"\\]|\\.)*"|\S+)', rest):
        if value.startswith('"'):
            value = value[1:-1].encode().decode("unicode_escape")
        rec[key] = value
    return rec


def dump(wine, title):
    """(window record, {control id: record}) or (None, {})."""
    lines = [parse_record(l) for l in probe(wine, "dump", title).splitlines() if l.strip()]
    windows = [r for r in lines if r["kind"] == "window"]
    if not windows:
        return None, {}
    return windows[0], {int(r["id"]): r for r in lines if r["kind"] == "control"}


def wait_dump(wine, title, timeout=30):
    """Waits until the window exists (as Windows sees it) and dumps it."""
    end = time.time() + timeout
    while time.time() < end:
        window, controls = dump(wine, title)
        if window is not None:
            return window, controls
        time.sleep(0.2)
    raise AssertionError(f"no window titled {title!r} appeared")


def xid_of(title):
    """The X window of a titled top-level window (the newest one)."""
    ids = xdotool("search", "--name", f"^{re.escape(title)}$").split()
    if not ids:
        raise AssertionError(f"no X window named {title!r}")
    return ids[-1]


def rect_of(record):
    return tuple(int(v) for v in record["rect"].split(","))


def click(record):
    """A left click in the middle of a window or control."""
    l, t, r, b = rect_of(record)
    xdotool("mousemove", str((l + r) // 2), str((t + b) // 2))
    xdotool("click", "1")


def box_has_icon(controls):
    """A message box shows its icon left of the text; without one the text
    takes the icon's place."""
    icon = rect_of(controls[MB_ICON_CONTROL])
    text = next(c for i, c in controls.items() if c["class"] == "Static" and i != MB_ICON_CONTROL)
    return rect_of(text)[0] >= icon[2]


def mutex_exists(wine):
    return "exists=1" in probe(wine, "mutex", NAME)


def crop(path, rect, out):
    l, t, r, b = (int(v) for v in rect.split(","))
    subprocess.run(["convert", str(path), "-crop", f"{r - l}x{b - t}+{l}+{t}", str(out)], check=True)
    return out


def pixel(path, x, y):
    """(red, green, blue) of one pixel of a picture, 0 to 255."""
    out = subprocess.run(["convert", str(path), "-crop", f"1x1+{x}+{y}", "-depth", "8", "txt:-"],
                         capture_output=True, text=True, check=True).stdout
    match = re.search(r"\((\d+),(\d+),(\d+)", out.splitlines()[-1])
    return tuple(int(v) for v in match.groups())


def setUpModule():
    own_decorations(prefix())


class ProgressWindow(WineTestCase):
    def tool(self, config=True, sealed=False, name="pkg"):
        pkg = self.package(programs=("Progress.exe",), layout="tool", name=name)
        if config:
            pkg.write_config({"MSG": {"IDS_STR_TITLE": TITLE, "IDC_STATIC_PROGRESS": TEXT}}, sealed=sealed)
        return pkg

    def wait_gone(self, proc, timeout=15):
        return finish(proc, timeout)

    def test_on_shows_window_second_on_raises_off_waits(self):
        pkg = self.tool()
        on = self.wine.start(pkg.path("Progress.exe"), "/ON", f"/LOG:{pkg.win('on.log')}")
        xid = wait_window(f"^{TITLE}$")
        time.sleep(0.5)
        window, controls = dump(self.wine, TITLE)
        self.assertIsNotNone(window)
        self.assertEqual(window["class"], "#32770")
        self.assertEqual(int(window["style"], 16) & WS_SYSMENU, 0, "the dialog keeps a close box")
        self.assertTrue(int(window["classstyle"], 16) & CS_NOCLOSE)
        self.assertEqual(controls[1001]["text"], "Updating the firmware.\r\nDo not switch the PC off.")
        self.assertEqual(controls[1002]["class"].lower(), "msctls_progress32")
        self.assertTrue(int(controls[1002]["style"], 16) & PBS_MARQUEE)

        # The marquee moves: two pictures of the bar a little apart differ.
        shot1 = screenshot(ARTIFACTS / "progress-on-1.png")
        time.sleep(0.35)
        shot2 = screenshot(ARTIFACTS / "progress-on-2.png")
        bar = controls[1002]["rect"]
        a = crop(shot1, bar, ARTIFACTS / "progress-bar-1.png").read_bytes()
        b = crop(shot2, bar, ARTIFACTS / "progress-bar-2.png").read_bytes()
        self.assertNotEqual(a, b, "the marquee bar does not move")
        l, t, r, bt = (int(v) for v in window["rect"].split(","))
        crop(shot1, f"{l - 2},{t - 2},{r + 2},{bt + 2}", ARTIFACTS / "progress-window.png")

        # Alt+F4 does not close it.
        xdotool("key", "--window", xid, "alt+F4")
        time.sleep(1.0)
        self.assertIsNotNone(dump(self.wine, TITLE)[0])
        self.assertIsNone(on.poll())

        # A second ON exits 0 at once and leaves the first window in place.
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/ON", f"/LOG:{pkg.win('second.log')}"), 0)
        self.assertEqual(log_lines(pkg.path("second.log"))[-1], "error - already existed.")
        self.assertIsNotNone(dump(self.wine, TITLE)[0])

        # OFF returns once the ON instance has ended: its mutex is gone.
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF", f"/LOG:{pkg.win('off.log')}"), 0)
        self.assertFalse(mutex_exists(self.wine))
        self.assertEqual(self.wait_gone(on), 0)
        self.assertIsNone(dump(self.wine, TITLE)[0])
        self.assertNotIn("found=1", probe(self.wine, "find", NAME))
        self.assertEqual(log_lines(pkg.path("on.log"))[1:], [f"LOG mode ({pkg.win('on.log')})."])
        self.assertEqual(log_lines(pkg.path("off.log"))[1:], [f"LOG mode ({pkg.win('off.log')})."])

    def test_second_on_brings_dialog_to_front(self):
        pkg = self.tool()
        on = self.wine.start(pkg.path("Progress.exe"), "/ON")
        wait_window(f"^{TITLE}$")
        other = self.wine.start(TESTBIN / "testprog.exe", "/WINDOW:Other window", "/SLEEP:15000")
        wait_window("^Other window$")
        time.sleep(0.5)
        self.assertIn('title="Other window"', probe(self.wine, "foreground"))
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/ON"), 0)
        deadline = time.time() + 5
        while time.time() < deadline and f'title="{TITLE}"' not in probe(self.wine, "foreground"):
            time.sleep(0.2)
        # Wine-only: see wine_only.BROUGHT_TO_FRONT.
        foreground = probe(self.wine, "foreground")
        self.assertEqual(f'title="{TITLE}"' in foreground, wine_only.BROUGHT_TO_FRONT.wine, foreground)
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF"), 0)
        self.assertEqual(self.wait_gone(on), 0)
        other.kill()
        other.communicate()

    def test_on_wins_over_off_and_sealed_texts_are_decoded(self):
        pkg = self.tool(sealed=True)
        on = self.wine.start(pkg.path("Progress.exe"), "/OFF", "/ON")
        wait_window(f"^{TITLE}$")
        _, controls = dump(self.wine, TITLE)
        self.assertEqual(controls[1001]["text"], "Updating the firmware.\r\nDo not switch the PC off.")
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "-off"), 0)
        self.assertEqual(self.wait_gone(on), 0)

    def test_off_waits_for_an_instance_that_is_still_starting(self):
        # The mutex is held but no window exists yet: OFF waits while it is
        # held instead of returning at once.
        holder = self.wine.start(TESTBIN / "testprog.exe", f"/MUTEX:{NAME}", "/SLEEP:2500")
        deadline = time.time() + 10
        while not mutex_exists(self.wine) and time.time() < deadline:
            time.sleep(0.1)
        pkg = self.tool()
        start = time.time()
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF"), 0)
        self.assertGreater(time.time() - start, 1.0)
        self.assertEqual(finish(holder), 0)

    def test_on_then_off_at_once_never_leaves_a_window(self):
        # ON is not waited for and OFF follows at once: OFF may run before
        # the ON instance has its mutex or its window, and must close it all
        # the same.
        pkg = self.tool()
        # A window left open must not leak into the other tests.
        self.addCleanup(self.wine.run, pkg.path("Progress.exe"), "/OFF")
        runs = attempts = 0
        while runs < 20:
            attempts += 1
            self.assertLess(attempts, 30, "Wine lost too many starts")
            on = self.wine.start(pkg.path("Progress.exe"), "/ON")
            self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF", timeout=30), 0)
            try:
                self.assertEqual(finish(on, 20), 0, f"run {runs + 1}: the ON instance did not end")
            except NotStarted:
                continue  # Wine lost the ON start: nothing to close in this run
            runs += 1
            self.assertNotIn("found=1", probe(self.wine, "find", NAME), f"run {runs}")
            self.assertIsNone(dump(self.wine, TITLE)[0], f"run {runs}")
            self.assertFalse(mutex_exists(self.wine), f"run {runs}")

    def test_off_with_no_on_returns_within_the_bound(self):
        pkg = self.tool()
        start = time.time()
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF", f"/LOG:{pkg.win('off.log')}",
                                       timeout=30), 0)
        # The bound plus the time Wine takes to start and end a program.
        self.assertLess(time.time() - start, ON_START_WAIT + 10)
        self.assertEqual(log_lines(pkg.path("off.log"))[1:], [f"LOG mode ({pkg.win('off.log')})."])
        self.assertNotIn("found=1", probe(self.wine, "find", NAME))

    def test_fresh_on_dialog_is_foreground_with_active_caption(self):
        pkg = self.tool()
        on = self.wine.start(pkg.path("Progress.exe"), "/ON")
        wait_window(f"^{TITLE}$")
        time.sleep(1.0)  # let any late activation happen
        window, _ = dump(self.wine, TITLE)
        # Wine-only: see wine_only.BROUGHT_TO_FRONT.
        front = wine_only.BROUGHT_TO_FRONT.wine
        self.assertEqual(window["foreground"] == "1", front, "the dialog is not the foreground window")
        self.assertEqual(window["active"] == "1", front, "the dialog's caption is not active")
        foreground = probe(self.wine, "foreground")
        self.assertEqual(f'title="{TITLE}"' in foreground, front, foreground)
        shot = screenshot(ARTIFACTS / "progress-fresh-on.png")
        l, t, r, b = rect_of(window)
        crop(shot, f"{l},{t},{r},{b}", ARTIFACTS / "progress-fresh-on-window.png")
        # An inactive caption is drawn grey; an active one in colour.
        red, green, blue = pixel(shot, l + 6, t + 6)
        self.assertEqual(not red == green == blue, front, f"the caption is grey: {(red, green, blue)}")
        self.assertEqual(self.wine.run(pkg.path("Progress.exe"), "/OFF"), 0)
        self.assertEqual(self.wait_gone(on), 0)

    def test_off_silent_and_nothing_exit_0_at_once(self):
        pkg = self.tool(config=False)
        for args in (("/OFF",), ("/Silent",), (), ("/ONE", "/Off1")):
            with self.subTest(args=args):
                start = time.time()
                self.assertEqual(self.wine.run(pkg.path("Progress.exe"), *args, f"/LOG:{pkg.win('x.log')}"), 0)
                self.assertLess(time.time() - start, 10)
        self.assertNotIn("error", " ".join(log_lines(pkg.path("x.log"))))
        self.assertNotIn("found=1", probe(self.wine, "find", NAME))

    def test_missing_and_falsified_config_show_a_box(self):
        cases = (("missing", 1, "error - ini file not found.", False),
                 ("falsified", 2, "error - falsify ini file.", True))
        for kind, code, line, icon in cases:
            with self.subTest(kind=kind):
                pkg = self.tool(config=(kind == "falsified"), sealed=True, name=kind)
                if kind == "falsified":
                    data = bytearray(pkg.config.read_bytes())
                    data[len(data) // 2] ^= 0x01
                    pkg.config.write_bytes(bytes(data))
                proc = self.wine.start(pkg.path("Progress.exe"), "/ON", f"/LOG:{pkg.win('on.log')}")
                box, controls = wait_dump(self.wine, "Error")
                time.sleep(0.3)
                texts = [c["text"] for c in controls.values()]
                self.assertIn("Ini file is not found." if code == 1 else "Falsify ini file.", texts)
                self.assertEqual(box_has_icon(controls), icon)
                self.assertEqual([c["text"] for c in controls.values() if c["class"] == "Button"], ["OK"])
                crop(screenshot(ARTIFACTS / f"progress-{kind}.png"), box["rect"], ARTIFACTS / f"progress-{kind}-box.png")
                click(next(c for c in controls.values() if c["class"] == "Button"))
                self.assertEqual(finish(proc), code)
                self.assertEqual(log_lines(pkg.path("on.log"))[-1], line)
                self.assertFalse(mutex_exists(self.wine))


if __name__ == "__main__":
    unittest.main()
