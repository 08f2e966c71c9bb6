"""Optpick under Wine: the check-box rule of OK, Cancel and closing, the
layout variants, a second instance and the silent values."""
import time
import unittest

import wine_only
from fwutest import ARTIFACTS, TESTBIN, WineTestCase, finish, log_lines, prefix, screenshot, xdotool
from test_dialogs_progress import click, crop, own_decorations, probe, wait_dump, xid_of

TITLE = "Confirm update"
WS_SYSMENU = 0x00080000
CS_NOCLOSE = 0x0200


def setUpModule():
    own_decorations(prefix())


class Optpick(WineTestCase):
    def tool(self, keys, name="pkg"):
        pkg = self.package(programs=("Optpick.exe",), layout="tool", name=name)
        section = {"Title": TITLE, "Desc1": r"Line one\nLine two", "Desc2": "Second", "OkBtn": "&OK"}
        section.update(keys)
        pkg.write_config({"MSG": {"IDS_STR_TITLE": "Global"}, "OptpickSet0": section})
        return pkg

    def start(self, pkg, *args):
        proc = self.wine.start(pkg.path("Optpick.exe"), *args, f"/LOG:{pkg.win('o.log')}")
        wait_dump(self.wine, TITLE)
        time.sleep(0.5)
        return proc

    def state(self):
        return wait_dump(self.wine, TITLE)

    def test_two_boxes_gate_ok(self):
        pkg = self.tool({"Check0": "I have saved my work", "Check1": "Mains power", "CancelBtn": "&Cancel"})
        proc = self.start(pkg)
        window, c = self.state()
        self.assertEqual(window["focus"], "1003")
        self.assertEqual(c[1005]["text"], "Line one\nLine two")
        self.assertEqual(c[1001]["enabled"], "0")
        crop(screenshot(ARTIFACTS / "optpick-two.png"), window["rect"], ARTIFACTS / "optpick-two-dialog.png")
        for box, ok in ((1003, "0"), (1004, "1"), (1004, "0"), (1004, "1")):
            click(c[box])
            time.sleep(0.4)
            _, c = self.state()
            self.assertEqual(c[1001]["enabled"], ok, f"after clicking {box}")
        crop(screenshot(ARTIFACTS / "optpick-ticked.png"), window["rect"], ARTIFACTS / "optpick-ticked-dialog.png")
        click(c[1001])
        self.assertEqual(finish(proc), 0)
        self.assertEqual(log_lines(pkg.path("o.log"))[-1], "return 0.")

    def test_cancel_and_alt_f4_give_1(self):
        pkg = self.tool({"Check0": "Tick", "CancelBtn": "&Cancel"})
        proc = self.start(pkg)
        click(self.state()[1][2])
        self.assertEqual(finish(proc), 1)
        proc = self.start(pkg)
        xdotool("key", "--window", xid_of(TITLE), "alt+F4")
        self.assertEqual(finish(proc), 1)

    def test_only_check1_hides_1003(self):
        pkg = self.tool({"Check1": "Only this", "CancelBtn": "&Cancel"})
        proc = self.start(pkg)
        window, c = self.state()
        self.assertEqual((c[1003]["visible"], c[1003]["enabled"]), ("0", "0"))
        self.assertEqual(window["focus"], "1004")
        click(c[1004])
        time.sleep(0.4)
        self.assertEqual(self.state()[1][1001]["enabled"], "1")
        click(c[2])
        self.assertEqual(finish(proc), 1)

    def test_no_boxes_no_cancel_enables_ok(self):
        pkg = self.tool({})
        proc = self.start(pkg)
        window, c = self.state()
        crop(screenshot(ARTIFACTS / "optpick-bare.png"), window["rect"], ARTIFACTS / "optpick-bare-dialog.png")
        self.assertEqual(c[1001]["enabled"], "1")
        self.assertEqual(window["focus"], "1001")
        self.assertEqual(c[2]["visible"], "0")
        self.assertEqual(int(window["style"], 16) & WS_SYSMENU, 0)
        self.assertTrue(int(window["classstyle"], 16) & CS_NOCLOSE)
        xdotool("key", "--window", xid_of(TITLE), "alt+F4")
        xdotool("key", "--window", xid_of(TITLE), "Escape")
        time.sleep(1.0)
        self.assertIsNone(proc.poll())
        click(c[1001])
        self.assertEqual(finish(proc), 0)

    def test_no_boxes_with_cancel_focuses_cancel(self):
        pkg = self.tool({"CancelBtn": "&Cancel"})
        proc = self.start(pkg)
        window, c = self.state()
        self.assertEqual(c[1001]["enabled"], "0")
        self.assertEqual(window["focus"], "2")
        click(c[2])
        self.assertEqual(finish(proc), 1)

    def test_second_instance_exits_8(self):
        pkg = self.tool({"Check0": "Tick", "CancelBtn": "&Cancel"})
        proc = self.start(pkg)
        other = self.wine.start(TESTBIN / "testprog.exe", "/WINDOW:Other window", "/SLEEP:8000")
        wait_dump(self.wine, "Other window")
        time.sleep(0.5)
        self.assertEqual(self.wine.run(pkg.path("Optpick.exe"), f"/LOG:{pkg.win('second.log')}"), 8)
        self.assertEqual(log_lines(pkg.path("second.log"))[-1], "error - already existed.")
        time.sleep(0.5)
        # Wine-only: see wine_only.BROUGHT_TO_FRONT.
        foreground = probe(self.wine, "foreground")
        self.assertEqual(f'title="{TITLE}"' in foreground, wine_only.BROUGHT_TO_FRONT.wine, foreground)
        click(self.state()[1][2])
        self.assertEqual(finish(proc), 1)
        finish(other, 20)

    def test_silent_values_and_config_failures(self):
        pkg = self.tool({})
        for args, code in ((("/s", "/ReturnBySilent:0x10"), 16), (("/s", "/ReturnBySilent:3x"), 0),
                           (("/s", "/ReturnBySilent:3"), 3), (("/s",), 0)):
            with self.subTest(args=args):
                self.assertEqual(self.wine.run(pkg.path("Optpick.exe"), *args, f"/LOG:{pkg.win('s.log')}"), code)
                self.assertEqual(log_lines(pkg.path("s.log"))[-1], f"return {code}.")
        bare = self.package(programs=("Optpick.exe",), layout="tool", name="bare")
        self.assertEqual(self.wine.run(bare.path("Optpick.exe"), "/s", f"/LOG:{bare.win('s.log')}"), 5)
        self.assertEqual(log_lines(bare.path("s.log"))[-1], "error - ini file not found.")
        bare.write_config({"OptpickSet0": {"Title": "x"}}, sealed=True)
        data = bytearray(bare.config.read_bytes())
        data[len(data) // 2] ^= 0x01
        bare.config.write_bytes(bytes(data))
        self.assertEqual(self.wine.run(bare.path("Optpick.exe"), "/s"), 6)


if __name__ == "__main__":
    unittest.main()
