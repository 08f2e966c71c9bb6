"""What the packagers' documentation tells them, run under Wine as written:
one log per program, the owner file a launcher writes, the device-update
example (its Progress settings and its version check against fixture
devices), where a relative CalcFile is looked for, and the deployment
guide's package started the way the deployment systems start it."""
import hashlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

from fwutest import BIN, ROOT, TESTBIN, WineTestCase, finish, ini_text, log_lines, prefix, utf16_bytes, winpath
from devtools_fixture import Devices

DOCS = ROOT / "docs"
DEVICE = r"USB\VID_1234&PID_5678"


def doc_block(page, after, lang):
    """The first fenced block of language `lang` after the first line of
    docs/`page` that holds `after`."""
    text = (DOCS / page).read_text(encoding="utf-8")
    start = text.index(after)
    m = re.compile(rf"^```{re.escape(lang)}\n(.*?)^```", re.M | re.S).search(text, start)
    assert m, f"no {lang} block after {after!r} in {page}"
    return m.group(1)


def tasks(lines):
    return [l for l in lines if re.fullmatch(r"TASK \d+\.", l)]


class OneLogPerProgram(WineTestCase):
    def test_the_documented_tool_task_logs_to_its_own_file(self):
        pkg = self.package(("Update.exe", "Findling.exe"))
        block = doc_block("unattended.md", "Give every program a log file of its own", "ini")
        pkg.write_config(text="[CERT]\r\nVERIFY=OFF\r\n" + block.replace("\n", "\r\n"))
        code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('update.log')}")
        lines = log_lines(pkg.path("update.log"))
        self.assertEqual(code, 0, lines)
        own = log_lines(pkg.path("findling.log"))
        self.assertRegex(own[0], r"^\*{10} Findling - ")
        self.assertIn(rf"Target HwID: {DEVICE}.", own)
        self.assertFalse(any("Target HwID" in l for l in lines), lines)

    def test_a_tool_given_updates_own_log_writes_nothing(self):
        pkg = self.package(("Update.exe", "Findling.exe"))
        log = pkg.win("update.log")
        pkg.write_config({"CERT": {"VERIFY": "OFF"},
                          "TASK_1": {"Type": "0", "Path": "Findling.exe", "Param_S": rf"/HwID:{DEVICE} /LOG:{log}",
                                     "WaitExit": "TRUE", "RET_0x00000000": "-1", "RET_0x00000006": "-1"}})
        code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{log}")
        lines = log_lines(pkg.path("update.log"))
        self.assertEqual(code, 0, lines)
        # Findling ran (its exit code, 0 or 6, reached Update) but wrote no line.
        self.assertTrue(set(lines) & {"return code 0x00000000.", "return code 0x00000006."}, lines)
        self.assertFalse([l for l in lines if "Findling" in l and "Exec" not in l], lines)
        self.assertFalse([l for l in lines if "Target HwID" in l], lines)
        self.assertEqual(sum(1 for l in lines if l.startswith("**********")), 1, lines)


class OwnerFile(WineTestCase):
    """The owner file as the documented launcher lines write it."""

    def silent_by_owner_file(self, pkg):
        pkg.write_config({"CERT": {"VERIFY": "OFF"}, "TASK_1": {"Type": "12", "Data": "/s"},
                          "TASK_2": {"Type": "9", "Goto": "-1"}})
        code = self.wine.run(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        lines = log_lines(pkg.path("run.log"))
        self.assertEqual(code, 0, lines)
        self.assertIn("Silent.", lines)
        self.assertEqual([l for l in lines if l.startswith("return code ")][0], "return code 0x00000000.")

    def test_the_cmd_line_of_the_docs_makes_every_run_silent(self):
        pkg = self.package()
        line = doc_block("unattended.md", "A launcher's script", "bat").strip()
        self.assertIn(r"C:\Package", line)
        script = self.tmp / "launcher.cmd"
        script.write_bytes(("@echo off\r\n" + line.replace(r"C:\Package", winpath(pkg.root)) + "\r\n").encode())
        r = self.wine.wine("cmd", "/c", winpath(script))
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        data = pkg.path("config", "__MyParamsOwner.dat").read_bytes()
        self.assertTrue(data.decode("utf-16-le").startswith("launcher.exe /s"), data)
        self.silent_by_owner_file(pkg)

    def test_a_line_end_right_after_the_last_argument_spoils_it(self):
        # The reason for the blank before ">" in the documented cmd line.
        pkg = self.package()
        pkg.path("config", "__MyParamsOwner.dat").write_bytes(utf16_bytes("launcher.exe /s\r\n", bom=False))
        pkg.write_config({"CERT": {"VERIFY": "OFF"}, "TASK_1": {"Type": "12", "Data": "/s"},
                          "TASK_2": {"Type": "9", "Goto": "-1"}})
        self.assertEqual(self.wine.run(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}"), 0)
        lines = log_lines(pkg.path("run.log"))
        self.assertNotIn("Silent.", lines)
        self.assertEqual([l for l in lines if l.startswith("return code ")][0], "return code 0x00000001.")

    def test_the_powershell_form_of_the_docs(self):
        # WriteAllText with Encoding.Unicode writes a byte-order mark, then
        # the text as UTF-16LE, and no line end.
        block = doc_block("unattended.md", "The same from PowerShell", "powershell")
        text = re.search(r"'([^']*)', \[Text\.Encoding\]::Unicode", block).group(1)
        pkg = self.package()
        pkg.path("config", "__MyParamsOwner.dat").write_bytes(utf16_bytes(text, bom=True))
        self.silent_by_owner_file(pkg)


class DeviceUpdateExample(WineTestCase):
    """docs/examples/device-update laid out as a package with every program."""

    EXAMPLE = DOCS / "examples" / "device-update"

    def lay_out(self):
        pkg = Path(tempfile.mkdtemp(prefix="device-update-", dir=self.tmp))
        shutil.copytree(self.EXAMPLE, pkg, dirs_exist_ok=True)
        for exe in BIN.glob("*.exe"):
            shutil.copy(exe, pkg / exe.name)
        return pkg

    def test_progress_finds_its_settings_and_opens_and_closes(self):
        pkg = self.lay_out()
        self.assertTrue((pkg / "config.ini").exists(), "the example ships the config.ini of Progress")
        on = self.wine.start(pkg / "Progress.exe", "/ON", f"/LOG:{winpath(pkg / 'on.log')}")
        try:
            time.sleep(3)
            self.assertEqual(self.wine.run(pkg / "Progress.exe", "/OFF"), 0)
            self.assertEqual(finish(on, 30), 0, "Progress /ON did not end after /OFF")
        finally:
            if on.poll() is None:
                on.kill()
        lines = log_lines(pkg / "on.log")
        self.assertNotIn("error - ini file not found.", lines)
        self.assertNotIn("error - falsify ini file.", lines)

    def run_against(self, version, without=()):
        devices = Devices(self.wine)
        devices.clear()
        devices.add(hwid=DEVICE, fw=version)
        pkg = self.lay_out()
        for exe in without:
            (pkg / exe).unlink()
        # The programs of a test build are not signed.
        code = self.wine.run(pkg / "Update.exe", "/s", "/DisableCertificationCheck",
                             f"/LOG:{winpath(pkg / 'update.log')}", timeout=180)
        romstamp = pkg / "romstamp.log"
        return code, log_lines(pkg / "update.log"), log_lines(romstamp) if romstamp.exists() else []

    def test_a_device_with_another_version_is_updated_also_2_9_against_2_10(self):
        for version, rom in (("2.9", 1), ("2.1", 0xFFFFFFFF), ("2.11", 1)):
            with self.subTest(version=version):
                code, lines, romstamp = self.run_against(version)
                self.assertIn(f"FW Ver= [{version}].", romstamp)
                self.assertIn(f"return code 0x{rom:08X}.", lines)
                # Romstamp asked again against 0 answers 1: it runs. On to
                # the confirmation, the waiting window and the flashing
                # program, which this test package does not have: exit code
                # 1603.
                after = lines[lines.index("TASK 4."):]
                self.assertEqual(next(l for l in after if l.startswith("return code ")), "return code 0x00000001.",
                                 lines)
                self.assertEqual(tasks(lines), ["TASK 1.", "TASK 3.", "TASK 4.", "TASK 6.", "TASK 7.",
                                                "TASK 8.", "TASK 9.", "TASK 10."], lines)
                self.assertEqual(code, 1603, lines)

    def test_a_romstamp_that_cannot_start_flashes_nothing(self):
        # Both starts fail with 0xFFFFFFFF, which is also Romstamp's "sorts
        # before": the second start tells them apart, the run ends with 13.
        code, lines, _ = self.run_against("2.1", without=("Romstamp.exe",))
        self.assertEqual(lines.count("  Error - Exec failed (2)."), 2, lines)
        self.assertEqual(tasks(lines), ["TASK 1.", "TASK 3.", "TASK 4.", "TASK 5."], lines)
        self.assertEqual(code, 13, lines)

    def test_the_version_check_shown_in_tools_md_is_the_examples(self):
        text = (DOCS / "tools.md").read_text(encoding="utf-8")
        start = text.index("Tasks 3 and 4 of the")
        shown = re.search(r"^  ```\n(.*?)^  ```", text[start:], re.M | re.S).group(1)
        example = (self.EXAMPLE / "config" / "config.ini").read_text()
        keys = lambda lines: "\n".join(l.strip() for l in lines if l.strip() and not l.strip().startswith(";"))
        self.assertIn(keys(shown.splitlines()), keys(example.splitlines()))

    def test_a_device_with_the_packages_version_is_left_alone(self):
        code, lines, _ = self.run_against("2.10")
        self.assertEqual(tasks(lines), ["TASK 1.", "TASK 3.", "TASK 40."], lines)
        self.assertEqual(code, 0, lines)


class RetryWithCounterExample(WineTestCase):
    """docs/examples/retry-with-counter when its counter cannot be kept."""

    EXAMPLE = DOCS / "examples" / "retry-with-counter"

    def test_a_count_that_cannot_be_stored_ends_the_retries(self):
        pkg = Path(tempfile.mkdtemp(prefix="retry-", dir=self.tmp))
        shutil.copytree(self.EXAMPLE, pkg, dirs_exist_ok=True)
        for exe in ("Update.exe", "Tallykeep.exe"):
            shutil.copy(BIN / exe, pkg / exe)
        # A folder where the counter file belongs: no count is ever stored,
        # and the flashing program is missing, so every attempt fails.
        (pkg / "MyTempCounter.ini").mkdir()
        run = self.wine.start(pkg / "Update.exe", "/s", "/DisableCertificationCheck",
                              f"/LOG:{winpath(pkg / 'update.log')}")
        code = None
        try:
            code = finish(run, 60)
        except subprocess.TimeoutExpired:
            pass  # the log below shows where it went round
        finally:
            # A run that never ends keeps going inside the prefix.
            subprocess.run(["wineserver", "-k"], env=self.wine.env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
            self.wine.wait_idle()
        lines = log_lines(pkg / "update.log")
        self.assertEqual(tasks(lines), ["TASK 1.", "TASK 2.", "TASK 3.", "TASK 20."], lines)
        self.assertEqual(code, 1603, lines)


class IniSealOnWindows(WineTestCase):
    """IniSeal.exe tells why a file fails the check, as tools.md says."""

    def test_too_short_and_checksum_mismatch_are_told_apart(self):
        iniseal = str(BIN / "IniSeal.exe")
        plain = self.tmp / "plain.ini"
        plain.write_bytes(utf16_bytes(ini_text({"TASK_1": {"Type": "11", "Data": "0"}})))
        sealed = self.tmp / "sealed.ini"
        r = self.wine.wine(iniseal, "seal", winpath(plain), winpath(sealed), always_prints=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
        data = bytearray(sealed.read_bytes())
        data[20] ^= 0x01
        changed = self.tmp / "changed.ini"
        changed.write_bytes(bytes(data))
        short = self.tmp / "short.ini"
        short.write_bytes(b"[A]\r\n")
        for verb in ("verify", "open"):
            with self.subTest(verb=verb):
                extra = [winpath(self.tmp / "out.ini")] if verb == "open" else []
                r = self.wine.wine(iniseal, verb, winpath(changed), *extra, always_prints=True)
                self.assertEqual(r.returncode, 3)
                self.assertIn(": checksum mismatch: ", r.stderr)
                r = self.wine.wine(iniseal, verb, winpath(short), *extra, always_prints=True)
                self.assertEqual(r.returncode, 3)
                self.assertIn(": not a sealed file: shorter than the 8-byte trailer", r.stderr)
        r = self.wine.wine(iniseal, "open", winpath(plain), winpath(self.tmp / "out.ini"), always_prints=True)
        self.assertEqual(r.returncode, 5)
        self.assertIn(": not a sealed file: it has no CRC-32 trailer", r.stderr)
        r = self.wine.wine(iniseal, always_prints=True)
        self.assertEqual(r.returncode, 1)
        self.assertIn("exit codes: 0 done", r.stderr)
        self.assertIn("5 seal of a file that is sealed already", r.stderr)


class RelativeCalcFile(WineTestCase):
    """A relative CalcFile is looked for in Update's working folder."""

    def run_in(self, workdir, calcfile):
        pkg = self.package(("Update.exe", "testprog.exe"), name=Path(tempfile.mkdtemp(dir=self.tmp)).name)
        image = b"dock firmware image\n" * 100
        pkg.path("firmware").mkdir()
        pkg.path("firmware", "image.bin").write_bytes(image)
        pkg.write_config({"TASK_1": {"Type": "0", "Path": "testprog.exe", "Param_S": "/EXIT:3", "WaitExit": "TRUE",
                                     "Verify": "FALSE", "CalcFile": calcfile,
                                     "Distinct": hashlib.sha256(image).hexdigest(), "RET_0x00000003": "-1"}})
        old = os.getcwd()
        os.chdir(workdir)
        try:
            code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}")
        finally:
            os.chdir(old)
        return code, log_lines(pkg.path("run.log"))

    def test_relative_calcfile_is_not_taken_from_the_package(self):
        elsewhere = self.tmp / "elsewhere"
        elsewhere.mkdir()
        code, lines = self.run_in(elsewhere, r"firmware\image.bin")
        self.assertEqual(code, 10, lines)
        self.assertIn("  Hash is different.", lines)
        # The same name in the working folder is the file that is hashed.
        (elsewhere / "firmware").mkdir()
        (elsewhere / "firmware" / "image.bin").write_bytes(b"dock firmware image\n" * 100)
        code, lines = self.run_in(elsewhere, r"firmware\image.bin")
        self.assertEqual(code, 0, lines)

    def test_updatedir_form_of_the_docs_finds_the_file_from_any_folder(self):
        self.assertIn(r"CalcFile=%UPDATEDIR%\firmware", (DOCS / "reference.md").read_text())
        elsewhere = self.tmp / "empty"
        elsewhere.mkdir()
        code, lines = self.run_in(elsewhere, r"%UPDATEDIR%\firmware\image.bin")
        self.assertEqual(code, 0, lines)
        self.assertNotIn("  Hash is different.", lines)


def table_codes(text, header):
    """The numbers in the first column of the table whose header row
    starts with `header`."""
    rows = []
    for line in text[text.index(header):].splitlines()[2:]:
        if not line.startswith("|"):
            break
        rows.append(line.strip("|").split("|")[0].strip())
    return [int(c) for c in rows if c.isdigit()]


class DeployGuide(WineTestCase):
    """docs/deploy.md: the deploy-dock package started as the recipes start
    it, "install.cmd /s", from an agent's copy that is deleted after each
    run. Wine runs it as an administrator in a session whose desktop is
    visible: what SYSTEM in session 0 changes is not shown here. Wine's
    icacls does nothing, so the folder's rights are not checked here
    either; on Windows the script leaves SYSTEM and Administrators the only
    ones who can write it."""

    EXAMPLE = DOCS / "examples" / "deploy-dock"

    def setUp(self):
        super().setUp()
        c = self.wine.drive_c
        self.stage = c / "Program Files" / "Contoso" / "DockFirmware"
        logs = [p for p in (c / "windows").iterdir() if p.name.lower() == "logs"]
        self.logs = (logs[0] if logs else c / "windows" / "logs") / "Software"
        # The prefix is the module's: each test starts without a staged
        # package, a counter or logs of an earlier one.
        shutil.rmtree(self.stage.parent, ignore_errors=True)
        shutil.rmtree(self.logs, ignore_errors=True)
        self.devices = Devices(self.wine)
        self.devices.clear()

    def agent_copy(self, flasher=True):
        """The agent's copy of the package. A test build's programs are not
        signed (Windows refuses them, and so does Wine): a launcher's owner
        file turns the check off, and the firmware program is a test
        program that exits with 0."""
        copy = Path(tempfile.mkdtemp(prefix="agent-", dir=self.tmp))
        shutil.copytree(self.EXAMPLE, copy, dirs_exist_ok=True)
        for exe in BIN.glob("*.exe"):
            shutil.copy(exe, copy / exe.name)
        if flasher:
            shutil.copy(TESTBIN / "testprog.exe", copy / "firmware" / "DockFlash.exe")
        (copy / "config" / "__MyParamsOwner.dat").write_bytes(
            utf16_bytes("launcher.exe /DisableCertificationCheck ", bom=False))
        return copy

    def run_script(self, lines, copy=None):
        """Runs cmd lines as a script, in `copy` when given, and deletes
        the copy afterwards, as Intune, PDQ Deploy and Ansible do."""
        script = Path(tempfile.mkdtemp(dir=self.tmp)) / "agent.cmd"
        head = ["@echo off"] + ([f"cd /d {winpath(copy)}"] if copy else [])
        script.write_bytes("\r\n".join(head + lines + ["exit /b %ERRORLEVEL%", ""]).encode())
        code = self.wine.run("cmd", "/c", winpath(script), timeout=240)
        if copy:
            shutil.rmtree(copy)
        return code

    def install(self, flasher=True):
        copy = self.agent_copy(flasher)
        return self.run_script(["install.cmd /s"], copy)

    def log(self, name):
        return log_lines(self.logs / f"ContosoDock-{name}.log")

    def test_the_guide_shows_the_packages_install_script(self):
        shown = doc_block("deploy.md", "The install command of every recipe", "bat")
        data = (self.EXAMPLE / "install.cmd").read_bytes()
        # cmd reads labels and blocks reliably only with CR LF line ends.
        self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
        self.assertEqual(shown, data.decode("ascii").replace("\r\n", "\n"))

    def test_a_current_dock_is_left_alone_and_every_log_is_where_the_guide_says(self):
        self.devices.add(hwid=DEVICE, fw="2.10")
        self.assertEqual(self.install(), 0, self.log("update"))
        update = self.log("update")
        self.assertIn("Silent.", update)
        self.assertEqual(tasks(update), ["TASK 1.", "TASK 3.", "TASK 40."], update)
        self.assertEqual(update[-1], "return 0.")
        self.assertIn(rf"Target HwID: {DEVICE}.", self.log("findling"))
        self.assertIn("FW Ver= [2.10].", self.log("romstamp"))
        # The agent's copy is gone; the staged package stays.
        self.assertTrue((self.stage / "Update.exe").exists())
        self.assertTrue((self.stage / "config" / "config.ini").exists())

    def test_written_firmware_ends_with_3010_and_resets_the_count(self):
        self.devices.add(hwid=DEVICE, fw="2.9")
        self.assertEqual(self.install(), 3010, self.log("update"))
        update = self.log("update")
        self.assertEqual(tasks(update), ["TASK 1.", "TASK 3.", "TASK 41.", "TASK 5.", "TASK 7.", "TASK 9.", "TASK 20.",
                                         "TASK 21."], update)
        self.assertNotIn("  Hash is different.", update)
        self.assertFalse((self.stage / "MyTempCounter.ini").exists())

    def test_the_count_outlives_the_agents_copy(self):
        # No firmware program: every attempt fails. Each run comes from a
        # fresh copy that is deleted after it; the count stays staged.
        self.devices.add(hwid=DEVICE, fw="2.9")
        for attempt in (1, 2, 3):
            with self.subTest(attempt=attempt):
                self.assertEqual(self.install(flasher=False), 22, self.log("update"))
                self.assertIn(f"Write Loop count: {attempt}.", self.log("tallykeep"))
        self.assertEqual(self.install(flasher=False), 23, self.log("update"))
        last = self.log("update")
        run = last[max(i for i, l in enumerate(last) if l.startswith("**********")):]
        self.assertEqual(tasks(run), ["TASK 1.", "TASK 3.", "TASK 41.", "TASK 5.", "TASK 32."], run)

    def test_the_uninstall_command_removes_the_staged_package(self):
        self.devices.add(hwid=DEVICE, fw="2.10")
        self.assertEqual(self.install(), 0)
        self.assertTrue(self.stage.exists())
        line = doc_block("deploy.md", "The uninstall command", "bat").strip()
        self.assertIn(line, (DOCS / "deploy.md").read_text(encoding="utf-8").split("## Intune", 1)[1])
        self.run_script([line])
        self.assertFalse(self.stage.exists())

    def test_the_ansible_task_runs_the_install_command_in_its_copy(self):
        block = doc_block("deploy.md", "## Ansible", "yaml")
        command = re.search(r"win_command: (.+)\n", block).group(1)
        self.assertEqual(command, "cmd.exe /c install.cmd /s")
        self.devices.add(hwid=DEVICE, fw="2.9")
        self.assertEqual(self.run_script([command], self.agent_copy()), 3010, self.log("update"))
        # The codes the task takes as done are the table's success rows.
        ok = re.search(r"failed_when: fw\.rc not in \[([0-9, ]+)\]", block).group(1)
        self.assertEqual([int(c) for c in ok.split(",")], [0, 3010])


class DeployGuideTables(unittest.TestCase):
    def test_the_return_code_table_maps_every_exit_code_of_update(self):
        tools = (DOCS / "tools.md").read_text(encoding="utf-8")
        update = table_codes(tools[tools.index("## Update"):], "| Exit code |")
        deploy = (DOCS / "deploy.md").read_text(encoding="utf-8")
        mapped = table_codes(deploy, "| Code | Meaning | Intune |")
        self.assertIn(11, update)
        self.assertEqual(sorted(set(update) - set(mapped)), [])
        self.assertEqual(len(mapped), len(set(mapped)))


if __name__ == "__main__":
    unittest.main()
