"""Update's message box and task dialog tasks under Wine: shown, answered
by clicks, branching on the answer; silent mode; a second Update bringing
the open dialog to the front."""
import re
import subprocess
import tempfile
import time
import unittest

import wine_only
from fwutest import ARTIFACTS, TESTBIN, WineTestCase, finish, log_lines, screenshot, wait_window, xdotool

# Positions inside the client area of the dialogs as Wine lays them out
# (checked against the screenshots of this module).
MSGBOX_YES = (39, 60)
MSGBOX_NO = (116, 60)
TD_RADIO_RESET = (55, 92)
TD_VERIFY_BOX = (14, 135)
TD_BUTTON_FLASH = (238, 116)


def click(win, pos):
    xdotool("mousemove", "--window", win, str(pos[0]), str(pos[1]))
    time.sleep(0.2)
    xdotool("click", "1")
    time.sleep(0.3)




def window_dump(wine, title):
    """(window rectangle, {control id: rectangle}) of the top-level window
    with that title as Windows sees it (winprobe), or (None, {})."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", str(TESTBIN / "winprobe.exe"), "dump", title], env=wine.env, stdout=out,
                       stderr=subprocess.DEVNULL, timeout=30)
        out.seek(0)
        text = out.read().decode("utf-8", "replace")
    window, controls = None, {}
    for line in text.splitlines():
        rect = re.search(r" rect=(-?\d+),(-?\d+),(-?\d+),(-?\d+)", line)
        if not rect:
            continue
        box = tuple(int(v) for v in rect.groups())
        if line.startswith("window "):
            window = box
        elif line.startswith("control "):
            controls[int(re.search(r" id=(-?\d+)", line).group(1))] = box
    return window, controls


def end_with(value):
    return {"Type": "11", "Data": str(value)}


MSGBOX_TASK = {"Type": "1", "MsgTitle": "Flash question", "MsgText": "Line one\\nLine two",
               "MsgType": "mb_yesno, MB_ICONQUESTION", "RET_0x00000006": "10", "RET_0x00000007": "11"}

TASK_DIALOG = {
    "Type": "10", "TD_MainInstruction": "Update the firmware?",
    "TD_Content": "Content line 1\\nSee <a href=\"{link}\">notes</a>",
    "TD_Flags": "TDF_ENABLE_HYPERLINKS", "TD_pszMainIcon": "td_warning_icon", "TD_pszFooterIcon": "TD_INFORMATION_ICON",
    "TD_CommonButtons": "TDCBF_CANCEL_BUTTON",
    "TD_cButtons": "2", "TD_Button0_ID": "101", "TD_Button0_Text": "Flash now", "TD_Button1_ID": "102",
    "TD_Button1_Text": "Later", "TD_Button2_ID": "103", "TD_Button2_Text": "Not read",
    "TD_cRadioButtons": "2", "TD_Radio0_ID": "200", "TD_Radio0_Text": "Keep settings", "TD_Radio1_ID": "201",
    "TD_Radio1_Text": "Reset settings", "TD_DefaultRadioButton": "200",
    "TD_VerificationText": "Restart when done", "TD_Footer": "Footer text", "TD_Width": "300",
    "RET_0x80C90065": "20", "RET_0x00C90065": "21", "RET_0x00C80002": "22",
}


class DialogTasks(WineTestCase):
    def run_update(self, pkg, *args):
        proc = self.wine.start(pkg.path("Update.exe"), *args, f"/LOG:{pkg.win('run.log')}")
        self.addCleanup(self.stop_if_running, proc)
        return proc

    def stop_if_running(self, proc):
        """A dialog left open by a failed test would hold Update's mutex."""
        if proc.poll() is None:
            subprocess.run(["wineserver", "-k"], env=self.wine.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            proc.kill()
            proc.wait()

    def foreground(self, pkg):
        """Title of the window Windows (Wine) holds as the foreground window."""
        self.wine.run(pkg.path("fgtitle.exe"), pkg.win("fg.txt"))
        return pkg.path("fg.txt").read_text(encoding="utf-8")

    def test_silent_mode_answers_6_and_shows_nothing(self):
        pkg = self.package()
        pkg.write_config({
            "MSG": {"IDS_STR_TITLE": "Default title"},
            "TASK_1": dict(MSGBOX_TASK, RET_0x00000006="2"),
            "TASK_2": dict(TASK_DIALOG, TD_Content="x", RET_0x00000006="3"),
            "TASK_3": end_with(0x42),
        })
        proc = self.run_update(pkg, "/s")
        self.assertEqual(finish(proc, 60), 0x42)
        lines = log_lines(pkg.path("run.log"))
        self.assertEqual(lines.count("Execute return code 0x00000006."), 2)
        self.assertFalse([l for l in lines if "TaskDialogIndirect" in l])
        self.assertEqual(xdotool("search", "--onlyvisible", "--name", "Default title"), "")

    def test_message_box_answer_branches_and_second_update_brings_it_to_front(self):
        pkg = self.package(programs=("Update.exe", "testprog.exe", "fgtitle.exe"))
        pkg.write_config({"MSG": {"IDS_STR_TITLE": "Default title"},
                          "TASK_1": MSGBOX_TASK, "TASK_10": end_with(0x61), "TASK_11": end_with(0x62)})
        for answer, pos, code in (("yes", MSGBOX_YES, 0x61), ("no", MSGBOX_NO, 0x62)):
            with self.subTest(answer=answer):
                proc = self.run_update(pkg)
                win = wait_window("^Flash question$")
                time.sleep(0.5)
                if answer == "yes":
                    screenshot(ARTIFACTS / "update-msgbox.png", win)
                    # Another window takes the focus; a second Update asks
                    # the first to bring its box back to the front.
                    other = self.wine.start(pkg.path("testprog.exe"), "/WINDOW:Other window", "/SLEEP:8000")
                    wait_window("^Other window$")
                    time.sleep(0.5)
                    self.assertEqual(self.foreground(pkg), "Other window")
                    self.assertEqual(self.wine.run(pkg.path("Update.exe"), "/s"), 4)
                    deadline = time.time() + 10
                    while time.time() < deadline and self.foreground(pkg) != "Flash question":
                        time.sleep(0.2)
                    # Wine-only: see wine_only.BROUGHT_TO_FRONT.
                    front = self.foreground(pkg)
                    self.assertEqual(front == "Flash question", wine_only.BROUGHT_TO_FRONT.wine, front)
                    screenshot(ARTIFACTS / "update-msgbox-front.png")
                    finish(other, 30)
                click(win, pos)
                self.assertEqual(finish(proc, 30), code)
                lines = log_lines(pkg.path("run.log"))
                self.assertIn(f"Execute return code 0x0000000{6 if answer == 'yes' else 7}.", lines)

    def test_task_dialog_click_packs_button_radio_and_check_box(self):
        pkg = self.package()
        notes = pkg.path("notes.txt")
        notes.write_text("release notes\r\n")
        pkg.write_config({"TASK_1": dict(TASK_DIALOG, MsgTitle="Flash dialog",
                                          TD_Content=TASK_DIALOG["TD_Content"].format(link=pkg.win("notes.txt"))),
                          "TASK_20": end_with(0x70), "TASK_21": end_with(0x71), "TASK_22": end_with(0x72)})
        proc = self.run_update(pkg)
        win = wait_window("^Flash dialog$")
        time.sleep(0.8)
        screenshot(ARTIFACTS / "update-taskdialog.png", win)
        click(win, TD_RADIO_RESET)
        click(win, TD_VERIFY_BOX)
        screenshot(ARTIFACTS / "update-taskdialog-chosen.png", win)
        click(win, TD_BUTTON_FLASH)
        self.assertEqual(finish(proc, 30), 0x70)
        lines = log_lines(pkg.path("run.log"))
        self.assertIn("  TaskDialogIndirect Success 0x80C90065.", lines)
        self.assertIn("return code 0x80C90065.", lines)

    def test_task_dialog_width_outside_the_screen_is_chosen_by_the_dialog(self):
        """A width below 0 or wider than the work area gives the automatic
        width: the dialog appears, fits on the screen and its OK button can
        be clicked."""
        pkg = self.package(programs=("Update.exe", "winprobe.exe"))
        widths = ("2147483647", "-100", "5000")
        for n, width in enumerate(widths):
            with self.subTest(width=width):
                title = f"Width {n}"
                pkg.write_config({"TASK_1": {"Type": "10", "MsgTitle": title, "TD_MainInstruction": "Go on?",
                                             "TD_Content": "The width is " + width,
                                             "TD_CommonButtons": "TDCBF_OK_BUTTON", "TD_Width": width,
                                             "RET_0x00000001": "2"},
                                  "TASK_2": end_with(0x51)})
                proc = self.run_update(pkg)
                try:
                    self.answer_width_dialog(pkg, proc, title, width, n)
                except BaseException:
                    self.stop_if_running(proc)  # the next width needs the mutex
                    raise

    def answer_width_dialog(self, pkg, proc, title, width, n):
        deadline = time.time() + 20
        window, controls = None, {}
        while window is None and time.time() < deadline:
            window, controls = window_dump(self.wine, title)
            if window is None:
                time.sleep(0.3)
        self.assertIsNotNone(window, f"no dialog for TD_Width={width}")
        time.sleep(0.5)
        window, controls = window_dump(self.wine, title)
        screenshot(ARTIFACTS / f"update-taskdialog-width-{n}.png")
        left, top, right, bottom = window
        self.assertGreater(right - left, 200)
        self.assertTrue(0 <= left and right <= 1280, window)
        self.assertIn(1, controls)  # IDOK
        ok = controls[1]
        self.assertTrue(left <= ok[0] and ok[2] <= right and top <= ok[1] and ok[3] <= bottom, (window, ok))
        xdotool("mousemove", str((ok[0] + ok[2]) // 2), str((ok[1] + ok[3]) // 2))
        time.sleep(0.2)
        xdotool("click", "1")
        self.assertEqual(finish(proc, 30), 0x51)
        self.assertIn("  TaskDialogIndirect Success 0x00000001.", log_lines(pkg.path("run.log")))


if __name__ == "__main__":
    unittest.main()
