"""Update start-up under Wine: exit codes, log lines and log format."""
import re
import subprocess
import threading
import time
import unittest

from fwutest import WineTestCase, log_lines, read_log, screenshot, wait_window, xdotool, ARTIFACTS

BANNER = re.compile(r"^\*{10} DORozari - \d{4}/\d{2}/\d{2} - \d{2}:\d{2}:\d{2} \*{10}$")
# A task list whose only task ends the run at once with exit code 0.
END_ONLY = {"TASK_1": {"Type": "9"}}
PREFIX = re.compile(r"^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} - ")


class StartupExitCodes(WineTestCase):
    def test_missing_config_silent_gives_2(self):
        pkg = self.package()
        log = pkg.path("run.log")
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 2)
        lines = log_lines(log)
        self.assertEqual(lines[1:], [f"LOG mode ({pkg.win('run.log')}).", "Silent.", "First Task Number: 1.",
                                     "error - ini file not found. return 2."])

    def test_missing_config_shows_error_box(self):
        pkg = self.package()
        proc = self.wine.start(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        win = wait_window("^Error$")
        screenshot(ARTIFACTS / "update-ini-not-found.png")
        xdotool("windowactivate", "--sync", win)
        xdotool("key", "--window", win, "Return")
        from fwutest import finish
        self.assertEqual(finish(proc), 2)
        self.assertEqual(log_lines(pkg.path("run.log"))[-1], "error - ini file not found. return 2.")

    def test_plain_and_sealed_configs_give_0(self):
        for sealed in (False, True):
            with self.subTest(sealed=sealed):
                pkg = self.package(name=f"pkg{int(sealed)}")
                pkg.write_config({"CONFIG": {"REQSYS": "on", "REQDISP": "OFF"}, **END_ONLY}, sealed=sealed)
                self.assertEqual(self.wine.run(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}"), 0)
                lines = log_lines(pkg.path("run.log"))
                self.assertIn("Admin.", lines)
                self.assertEqual(lines[-1], "return 0.")
                self.assertFalse(pkg.path("config", "__MyParams.dat").exists())

    def test_falsified_sealed_config_gives_3(self):
        pkg = self.package()
        cfg = pkg.write_config({"CONFIG": {"REQSYS": "OFF"}, "TASK_1": {"Type": "11", "Data": "5"}}, sealed=True)
        good = cfg.read_bytes()
        # Every region of the body: the mark, a section name, a value, the last body byte.
        for index in (0, 1, 7, len(good) // 2, len(good) - 9):
            data = bytearray(good)
            data[index] ^= 0x20
            cfg.write_bytes(bytes(data))
            with self.subTest(index=index):
                self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 3)
                self.assertEqual(log_lines(pkg.path("run.log"))[-1], "error - falsify ini file. return 3.")
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())

    def test_tiny_and_binary_configs(self):
        pkg = self.package()
        pkg.config.write_bytes(b"abc")  # cannot be checked: falsified
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 3)
        pkg.config.write_bytes(bytes(range(256)) * 64)  # no marker: a plain file of garbage, no task in it
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 9)
        pkg.config.write_bytes(b"")
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 3)

    def test_ftn_forms(self):
        pkg = self.package()
        pkg.write_config(END_ONLY)
        for arg, expected in (("/FTN:0x10", 16), ("/FTN:010", 8), ("/FTN:3a", 1), ("/FTN:", 1), ("-ftn:7", 7)):
            with self.subTest(arg=arg):
                log = pkg.path(f"ftn{expected}{arg[-1]}.log")
                self.wine.run(pkg.path("Update.exe"), "/s", arg, f"/LOG:{pkg.win(log.name)}")
                self.assertIn(f"First Task Number: {expected}.", log_lines(log))

    def test_silent_switch_forms(self):
        pkg = self.package()
        pkg.write_config(END_ONLY)
        for n, (arg, silent) in enumerate((("/S", True), ("-s", True), ("/silent", False))):
            with self.subTest(arg=arg):
                log = pkg.path(f"silent{n}.log")
                self.wine.run(pkg.path("Update.exe"), arg, f"/LOG:{pkg.win(log.name)}")
                self.assertEqual("Silent." in log_lines(log), silent)

    def test_stored_silent_parameter_from_owner_file(self):
        pkg = self.package()
        pkg.write_config(END_ONLY)
        pkg.path("config", "__MyParamsOwner.dat").write_bytes("starter.exe /s".encode("utf-16-le"))
        self.wine.run(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        self.assertIn("Silent.", log_lines(pkg.path("run.log")))
        self.assertTrue(pkg.path("config", "__MyParamsOwner.dat").exists())


class LogFormat(WineTestCase):
    def test_bom_once_crlf_banner_and_append(self):
        pkg = self.package()
        pkg.write_config(END_ONLY)
        log = pkg.path("run.log")
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 0)
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"), 0)
        text = read_log(log)  # asserts a single FF FE at the start
        self.assertTrue(text.endswith("\r\n"))
        self.assertNotIn("\n", text.replace("\r\n", ""))
        lines = text.split("\r\n")[:-1]
        banners = [l for l in lines if BANNER.match(l)]
        self.assertEqual(len(banners), 2)
        for l in lines:
            self.assertTrue(BANNER.match(l) or PREFIX.match(l), l)

    def test_no_log_without_option(self):
        pkg = self.package()
        pkg.write_config(END_ONLY)
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", "/LOG:"), 0)
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 0)
        self.assertEqual(sorted(p.name for p in pkg.root.iterdir()), ["Update.exe", "config"])

    def test_log_in_missing_folder_still_runs(self):
        pkg = self.package()
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('no', 'such', 'x.log')}"), 2)
        self.assertFalse(pkg.path("no").exists())


class SingleInstance(WineTestCase):
    def _hold(self, pkg, ms):
        """Starts a program that holds Update's mutex for `ms` milliseconds."""
        return self.wine.start(pkg.path("testprog.exe"), "/MUTEX:DORozari{2D18527D-3F06-4E5A-BD41-47C2C8C14B4C}",
                               f"/SLEEP:{ms}")

    def test_second_instance_gives_4_and_keeps_params(self):
        pkg = self.package(programs=("Update.exe", "testprog.exe"))
        pkg.write_config(END_ONLY)
        holder = self._hold(pkg, 6000)
        time.sleep(1.5)
        params = pkg.path("config", "__MyParams.dat")
        params.write_bytes("first.exe /x".encode("utf-16-le"))
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('a.log')}"), 4)
        self.assertEqual(log_lines(pkg.path("a.log"))[-1], "error - already existed. return 4.")
        self.assertEqual(params.read_bytes(), "first.exe /x".encode("utf-16-le"))
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", "/WaitMultiEnd",
                                       f"/LOG:{pkg.win('b.log')}"), 4)
        self.assertEqual(log_lines(pkg.path("b.log"))[-1], "error - already existed(fail end). return 4.")
        from fwutest import finish
        finish(holder, 30)
        params.unlink()
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s", "/WaitMultiEnd"), 0)



class NoWindow(WineTestCase):
    def restart_wineserver(self):
        subprocess.run(["wineserver", "-k"], env=self.wine.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wine.wait_idle()

    def test_no_display_gives_7_and_runs_no_task(self):
        """Without a display the hidden window cannot be made: no task runs,
        and the run must not end with the 0 of a finished update."""
        pkg = self.package(programs=("Update.exe", "testprog.exe"))
        pkg.write_config({"TASK_1": {"Type": "0", "Path": "testprog.exe", "Verify": "FALSE", "WaitExit": "TRUE",
                                     "Param_S": "/RECORD:%UPDATEDIR%\\rec.txt"},
                          "TASK_2": {"Type": "11", "Data": "0"}})
        # A Wine desktop started without a display stays without one: end the
        # prefix's processes afterwards so that later runs get the display.
        self.addCleanup(self.restart_wineserver)
        code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}", env={"DISPLAY": None})
        self.assertEqual(code, 7)
        lines = log_lines(pkg.path("run.log"))
        self.assertEqual(lines[lines.index("Admin.") + 1:], ["error - failed to create window. return 7."])
        self.assertFalse(pkg.path("rec.txt").exists())
        self.assertFalse(pkg.path("config", "__MyParams.dat").exists())
        # With the display back the same package runs to its end.
        self.restart_wineserver()
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 0)
        self.assertTrue(pkg.path("rec.txt").exists())


class LongValues(WineTestCase):
    def test_values_of_many_kilobytes_are_read_whole(self):
        # 20000 leading zeros: a value cut anywhere would read as 0, not 7.
        data = "0" * 20000 + "7"
        for sealed in (False, True):
            with self.subTest(sealed=sealed):
                pkg = self.package(name=f"long{int(sealed)}")
                pkg.write_config({"MSG": {"IDS_STR_TITLE": "x" * 50000}, "TASK_1": {"Type": "11", "Data": data}},
                                 sealed=sealed)
                self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 7)

if __name__ == "__main__":
    unittest.main(verbosity=2)
