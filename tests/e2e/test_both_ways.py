"""The shipped programs' exit codes, run the same way under Wine here and
directly on Windows (bothways.py): Update's start-up codes, the tools' codes,
IniSeal.exe and TaskLint.exe, and what each program does in a window station
nobody sees, as deployment systems run packages (SYSTEM in session 0)."""
import shutil
import time
import unittest

from bothways import TESTBIN, BothWaysCase, exit_of, signed_test_files

NOT_VISIBLE = "the window station is not visible"
# A shown run reaches a question at TASK_2; any answer would lead to TASK_3,
# whose 3010 would tell that the run went on.
ASKS_AT_TWO = {
    "TASK_1": {"Type": "12", "Data": "/NotStored"},
    "TASK_2": {"Type": "1", "MsgTitle": "Update", "MsgText": "Flash the firmware now?", "MsgType": "MB_YESNO",
               "RET_0x00000006": "3", "RET_0x00000007": "3", "RET_0x00000002": "3"},
    "TASK_3": {"Type": "11", "Data": "3010"},
}
TASK_DIALOG = {"Type": "10", "TD_MainInstruction": "Flash the firmware now?", "TD_CommonButtons": "TDCBF_YES_BUTTON",
               "RET_0x00000006": "3", "RET_0x00000002": "3"}


class NobodyToAnswer(BothWaysCase):
    """A window station a program makes itself carries no WSF_VISIBLE, under
    Wine as on Windows: hiddenrun starts the programs on such a desktop. A
    program that still showed a box there would be ended by hiddenrun after
    its time limit (None below): that is how today's hang shows."""

    def update(self, sections, *args, programs=()):
        pkg = self.package("Update.exe", *programs)
        if sections is not None:
            pkg.write_config(sections)
        return pkg, self.runner.hidden(pkg.path("Update.exe"), *args, self.log(pkg))

    def test_a_shown_run_ends_with_11_at_its_first_question(self):
        for name, question in (("message box", ASKS_AT_TWO["TASK_2"]), ("task dialog", TASK_DIALOG)):
            with self.subTest(name):
                pkg, code = self.update({**ASKS_AT_TWO, "TASK_2": question})
                self.assertEqual(code, 11)
                lines = self.lines(pkg)
                # The task before it ran; no answer was made up, TASK_3 never ran.
                self.assertIn("TASK 1.", lines)
                self.assertNotIn("TASK 3.", lines)
                self.assertEqual(lines[-3:], ["TASK 2.", f"error - nobody can answer TASK 2 here: {NOT_VISIBLE}.",
                                              "return 11."])

    def test_a_silent_run_and_a_run_without_questions_are_unchanged(self):
        pkg, code = self.update(ASKS_AT_TWO, "/s")
        self.assertEqual(code, 3010)  # the box answered Yes (6) as silent boxes do
        self.assertEqual(self.lines(pkg)[-1], "return 3010.")
        pkg, code = self.update({"TASK_1": ASKS_AT_TWO["TASK_1"], "TASK_2": {"Type": "11", "Data": "3010"}})
        self.assertEqual(code, 3010)
        self.assertNotIn("error - nobody can answer", " ".join(self.lines(pkg)))

    def test_update_shows_none_of_its_error_boxes_there(self):
        # The not-an-administrator box cannot be reached here (Wine's user and
        # the Windows runner are administrators); the unit tests cover it.
        pkg, code = self.update(None)
        self.assertEqual((code, self.lines(pkg)[-1]), (2, "error - ini file not found. return 2."))
        pkg = self.package("Update.exe")
        pkg.config.write_bytes(b"abc")
        code = self.runner.hidden(pkg.path("Update.exe"), self.log(pkg))
        self.assertEqual((code, self.lines(pkg)[-1]), (3, "error - falsify ini file. return 3."))
        # An unsigned program: the untrusted-program box.
        pkg, code = self.update({"MSG": {"IDS_STR_TITLE": "Update", "IDS_STR_CERTIFICATION": "Not trusted."},
                                 "TASK_1": {"Type": "0", "Path": "testprog.exe", "WaitExit": "TRUE"}},
                                programs=("testprog.exe",))
        self.assertEqual(code, 10)
        self.assertEqual(self.lines(pkg)[-2:], ["Target is not trusted.", "return 10."])

    def optpick(self, *args, config=True, name="pkg"):
        pkg = self.package("Optpick.exe", layout="tool", name=name)
        if config:
            pkg.write_config({"OptpickSet0": {"Title": "Confirm", "Desc1": "Ready?", "Check0": "Saved",
                                              "OkBtn": "&OK", "CancelBtn": "&Cancel"}})
        return pkg, self.runner.hidden(pkg.path("Optpick.exe"), *args, self.log(pkg))

    def test_optpick_ends_not_confirmed_unless_silent(self):
        pkg, code = self.optpick()
        self.assertEqual(code, 1)
        self.assertEqual(self.lines(pkg)[-2:], [f"error - nobody can answer here: {NOT_VISIBLE}.", "return 1."])
        pkg, code = self.optpick("/s", "/ReturnBySilent:3", name="silent")
        self.assertEqual((code, self.lines(pkg)[-1]), (3, "return 3."))
        # Its error boxes are not shown; their codes stay.
        pkg, code = self.optpick(config=False, name="none")
        self.assertEqual((code, self.lines(pkg)[-1]), (5, "error - ini file not found."))
        pkg = self.package("Optpick.exe", layout="tool", name="falsified")
        pkg.config.write_bytes(b"abc")
        self.assertEqual(self.runner.hidden(pkg.path("Optpick.exe"), self.log(pkg)), 6)
        self.assertEqual(self.lines(pkg)[-1], "error - falsify ini file.")

    def test_progress_shows_no_config_box_and_on_off_still_pair(self):
        pkg = self.package("Progress.exe", layout="tool")
        self.assertEqual(self.runner.hidden(pkg.path("Progress.exe"), "/ON", self.log(pkg)), 1)
        self.assertEqual(self.lines(pkg)[-1], "error - ini file not found.")
        pkg.config.write_bytes(b"abc")
        self.assertEqual(self.runner.hidden(pkg.path("Progress.exe"), "/ON", self.log(pkg, "b.log")), 2)
        self.assertEqual(self.lines(pkg, "b.log")[-1], "error - falsify ini file.")
        # ON and OFF meet on one hidden desktop: OFF closes ON, both give 0.
        pkg.write_config({"MSG": {"IDS_STR_TITLE": "Updating", "IDC_STATIC_PROGRESS": "Please wait"}})
        station = f"fwu-progress-{int(time.time())}"
        on = self.runner.start_hidden(pkg.path("Progress.exe"), "/ON", station=station)
        time.sleep(4)
        self.assertEqual(self.runner.hidden(pkg.path("Progress.exe"), "/OFF", station=station), 0)
        self.assertEqual(exit_of(on), 0)

    def test_in_the_visible_station_the_box_still_waits(self):
        pkg = self.package("Update.exe")
        pkg.write_config(ASKS_AT_TWO)
        # Shown on the desktop a person sees, the box waits for its answer.
        self.assertIsNone(self.runner.hidden(pkg.path("Update.exe"), self.log(pkg), here=True, wait_ms=6000))
        self.assertEqual(self.lines(pkg)[-1], "TASK 2.")


class UpdateStartupCodes(BothWaysCase):
    def run_update(self, sections, *args):
        pkg = self.package("Update.exe")
        if sections is not None:
            pkg.write_config(sections)
        return pkg, self.runner.run(pkg.path("Update.exe"), "/s", *args, self.log(pkg))

    def test_exit_codes_and_last_lines(self):
        cases = (
            (None, 2, "error - ini file not found. return 2."),
            ({"TASK_2": {"Type": "9"}}, 9, "return 9."),
            ({"TASK_1": {"Type": "11", "Data": "0x10"}}, 16, "return 16."),
            ({"TASK_1": {"Type": "12", "Data": "/q", "RET_0x00000001": "-1"}}, 0, "return 0."),
            ({"TASK_1": {"Type": "11", "Data": "3010"}}, 3010, "return 3010."),
        )
        for sections, code, last in cases:
            with self.subTest(code=code):
                pkg, got = self.run_update(sections)
                self.assertEqual(got, code)
                self.assertEqual(self.lines(pkg)[-1], last)
        pkg = self.package("Update.exe", name="tiny")
        pkg.config.write_bytes(b"abc")
        self.assertEqual(self.runner.run(pkg.path("Update.exe"), "/s"), 3)

    def test_an_unsigned_program_is_not_started(self):
        pkg = self.package("Update.exe", "testprog.exe")
        pkg.write_config({"TASK_1": {"Type": "0", "Path": "testprog.exe", "WaitExit": "TRUE"}})
        self.assertEqual(self.runner.run(pkg.path("Update.exe"), "/s", self.log(pkg)), 10)
        self.assertEqual(self.lines(pkg)[-2:], ["Target is not trusted.", "return 10."])


class Signature(BothWaysCase):
    """A program signed under a test root that the test puts into the
    machine's "Root" store (rootstore.exe) is started; the same file with one
    code byte changed is not. Windows trusts the chain for the right reason:
    its root is in the store."""

    def rootstore(self, mode, root):
        return self.runner.console(TESTBIN / "rootstore.exe", mode, self.runner.path(root))

    def test_signed_runs_and_tampered_ends_with_10(self):
        signed, tampered, root = signed_test_files()
        code, out = self.rootstore("add", root)
        self.assertEqual(code, 0, out)
        self.addCleanup(self.rootstore, "remove", root)
        for program, want in ((signed, 0), (tampered, 10)):
            with self.subTest(program.name):
                pkg = self.package("Update.exe", name=program.stem)
                shutil.copy(program, pkg.path("flash.exe"))
                pkg.write_config({"TASK_1": {"Type": "0", "Path": "flash.exe", "WaitExit": "TRUE",
                                             "Param_S": "/RECORD:%UPDATEDIR%\\rec.txt /EXIT:3",
                                             "RET_0x00000003": "-1"}})
                self.assertEqual(self.runner.run(pkg.path("Update.exe"), "/s", self.log(pkg)), want)
                self.assertEqual(pkg.path("rec.txt").exists(), want == 0)
                if want:
                    self.assertIn("  WinVerifyTrust return 0x80096010.", self.lines(pkg))


class ToolExitCodes(BothWaysCase):
    """The codes that need no device: missing options, and a device that no
    machine has."""

    def code(self, program, *args):
        pkg = self.package(program, layout="tool", name=program)
        return self.runner.run(pkg.path(program), *args)

    def test_device_tools(self):
        absent = "/HwID:FWU\\NO_SUCH_DEVICE_0815"
        self.assertEqual(self.code("Findling.exe"), 5)
        self.assertEqual(self.code("Findling.exe", absent), 6)
        self.assertEqual(self.code("Ailscan.exe", absent), 5)
        self.assertEqual(self.code("Ailscan.exe", absent, "/ProbCode:0"), 6)
        self.assertEqual(self.code("Romstamp.exe", absent, "/Ver:1.0"), 6)
        self.assertEqual(self.code("Unbinder.exe"), 0xFFFFFFFF)
        self.assertEqual(self.code("Portscout.exe"), 5)
        self.assertEqual(self.code("Portscout.exe", "/VID:0xF0F0", "/PID:0x0815"), 0)

    def test_tallykeep_counts_to_its_limit(self):
        pkg = self.package("Tallykeep.exe", layout="tool")
        pkg.write_config({"Counter": {"Loop": "2"}})
        exe = pkg.path("Tallykeep.exe")
        steps = (("/check", 0), ("/increment", 0), ("/check", 0), ("/increment", 0), ("/check", 1),
                 ("/delete", 0), ("/check", 0), ("/delete", 0))
        for switch, code in steps:
            self.assertEqual(self.runner.run(exe, switch, "/loop"), code, switch)
        self.assertEqual(self.runner.run(exe, "/check"), 5)

    def test_dialog_tools_in_silent_mode(self):
        pkg = self.package("Optpick.exe", "Progress.exe", layout="tool")
        pkg.write_config({"OptpickSet0": {"Title": "Confirm"}})
        self.assertEqual(self.runner.run(pkg.path("Optpick.exe"), "/s"), 0)
        self.assertEqual(self.runner.run(pkg.path("Optpick.exe"), "/s", "/ReturnBySilent:0x10"), 16)
        self.assertEqual(self.runner.run(pkg.path("Progress.exe"), "/Silent"), 0)


class PackagersTools(BothWaysCase):
    def test_iniseal_seals_verifies_and_opens(self):
        pkg = self.package("IniSeal.exe", layout="tool")
        plain = pkg.path("plain.ini")
        plain.write_bytes(b"\xff\xfe" + "[TASK_1]\r\nType=11\r\nData=5\r\n".encode("utf-16-le"))
        exe, p = pkg.path("IniSeal.exe"), self.runner.path
        self.assertEqual(self.runner.console(exe)[0], 1)
        self.assertEqual(self.runner.console(exe, "seal", p(plain), p(pkg.path("sealed.ini")))[0], 0)
        self.assertEqual(self.runner.console(exe, "verify", p(pkg.path("sealed.ini")))[0], 0)
        self.assertEqual(self.runner.console(exe, "open", p(pkg.path("sealed.ini")), p(pkg.path("open.ini")))[0], 0)
        data = bytearray(pkg.path("sealed.ini").read_bytes())
        data[4] ^= 0x20
        pkg.path("sealed.ini").write_bytes(bytes(data))
        code, out = self.runner.console(exe, "verify", p(pkg.path("sealed.ini")))
        self.assertEqual(code, 3)
        self.assertIn("checksum mismatch", out)

    def test_tasklint_checks_a_list(self):
        pkg = self.package("TaskLint.exe", layout="tool")
        pkg.write_config({"TASK_1": {"Type": "11", "Data": "3010"}})
        code, out = self.runner.console(pkg.path("TaskLint.exe"), self.runner.path(pkg.config))
        self.assertEqual(code, 0, out)
        self.assertIn("no findings", out)
        self.assertEqual(self.runner.console(pkg.path("TaskLint.exe"), self.runner.path(pkg.path("none.ini")))[0], 3)


if __name__ == "__main__":
    unittest.main()
