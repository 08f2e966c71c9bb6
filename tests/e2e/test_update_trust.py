"""Trust checks before a program task under Wine: Authenticode signature
(unsigned, signed with a test certificate made here whose root the tests put
into the machine's "Root" store, tampered, and signed under a root no store
holds), the SHA-256 comparison, and the three ways to skip the check."""
import hashlib
import shutil
import subprocess
import tempfile
import time
import unittest
from pathlib import Path

import wine_only
from fwutest import ARTIFACTS, TESTBIN, WineTestCase, finish, log_lines, screenshot, wait_window, winpath, xdotool

PROGRAMS = ("Update.exe", "testprog.exe")
EMPTY_SHA256 = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"

_chains = {}


def signed_chain(root_name):
    """(signed, tampered, root) for a throwaway certificate chain made with
    openssl: a root named `root_name` and a code-signing leaf under it. The
    first two are copies of testprog.exe signed with the leaf, the second
    with one code byte changed; the third is the root's DER file."""
    if root_name in _chains:
        return _chains[root_name]
    work = Path(tempfile.mkdtemp(prefix="fwu-sign-"))
    (work / "x.cnf").write_text(
        "[req]\ndistinguished_name=dn\n[dn]\n"
        "[ca]\nbasicConstraints=critical,CA:TRUE\nkeyUsage=critical,keyCertSign,cRLSign\n"
        "subjectKeyIdentifier=hash\n"
        "[leaf]\nbasicConstraints=critical,CA:FALSE\nkeyUsage=critical,digitalSignature\n"
        "extendedKeyUsage=codeSigning\nsubjectKeyIdentifier=hash\nauthorityKeyIdentifier=keyid\n")

    def sh(*cmd):
        subprocess.run(cmd, cwd=work, check=True, capture_output=True)

    sh("openssl", "req", "-x509", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "ca.key", "-out", "ca.crt",
       "-days", "2", "-subj", f"/CN={root_name}", "-config", "x.cnf", "-extensions", "ca")
    sh("openssl", "x509", "-in", "ca.crt", "-outform", "DER", "-out", "ca.cer")
    sh("openssl", "req", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "leaf.key", "-out", "leaf.csr",
       "-subj", "/CN=FWU Test Signer", "-config", "x.cnf")
    sh("openssl", "x509", "-req", "-in", "leaf.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
       "-out", "leaf.crt", "-days", "2", "-extfile", "x.cnf", "-extensions", "leaf")
    sh("osslsigncode", "sign", "-certs", "leaf.crt", "-ac", "ca.crt", "-key", "leaf.key", "-n", "testprog",
       "-h", "sha256", "-in", str(TESTBIN / "testprog.exe"), "-out", "signed.exe")
    data = bytearray((work / "signed.exe").read_bytes())
    data[0x400] ^= 0xFF  # code bytes no longer match the signed digest
    (work / "tampered.exe").write_bytes(bytes(data))
    _chains[root_name] = (work / "signed.exe", work / "tampered.exe", work / "ca.cer")
    return _chains[root_name]


TEST_ROOT = "FWU Test Root"        # put into the machine's "Root" store by the tests that need it
UNKNOWN_ROOT = "FWU Unknown Root"  # in no store, ever


def signed_programs():
    """(signed, tampered) copies of testprog.exe under the test root."""
    return signed_chain(TEST_ROOT)[:2]


class TrustCase(WineTestCase):
    def run_tasks(self, sections, *args, files=(), name="pkg"):
        pkg = self.package(PROGRAMS, name=name)
        for src, dst in files:
            shutil.copy(src, pkg.path(dst))
        pkg.write_config(sections)
        self.pkg = pkg
        code = self.wine.run(pkg.path("Update.exe"), *args, f"/LOG:{pkg.win('run.log')}")
        lines = log_lines(pkg.path("run.log"))
        return code, lines[lines.index("Admin.") + 1:]

    def program_task(self, **keys):
        task = {"Type": "0", "Path": "testprog.exe", "Param_S": "/RECORD:%UPDATEDIR%\\rec.txt /EXIT:3",
                "WaitExit": "TRUE", "RET_0x00000003": "-1"}
        task.update(keys)
        return task

    def started(self):
        return self.pkg.path("rec.txt").exists()

    def rootstore(self, mode, root_name):
        r = self.wine.wine(str(TESTBIN / "rootstore.exe"), mode, winpath(signed_chain(root_name)[2]),
                           always_prints=True)
        return r.returncode, r.stdout.strip()

    def trust_test_root(self):
        """Puts the test root into the local machine's "Root" store for this
        test: signatures under it are then trusted on Windows too, because
        their chain ends in a root the machine holds. Taken out again at the
        end of the test."""
        code, out = self.rootstore("add", TEST_ROOT)
        self.assertEqual((code, out), (0, f'added "{TEST_ROOT}" to LocalMachine\\Root'))
        self.addCleanup(self.untrust_test_root)

    def untrust_test_root(self):
        code, out = self.rootstore("remove", TEST_ROOT)
        self.assertEqual((code, out), (0, f'removed "{TEST_ROOT}" from LocalMachine\\Root'))


class Signature(TrustCase):
    def test_unsigned_program_ends_the_run_with_ten(self):
        code, lines = self.run_tasks({"TASK_1": self.program_task()}, "/s")
        self.assertEqual(code, 10)
        self.assertEqual(lines, ["TASK 1.", "  WinVerifyTrust return 0x800B0100.", "Target is not trusted.",
                                 "return 10."])
        self.assertFalse(self.started())
        self.assertFalse(self.pkg.path("config", "__MyParams.dat").exists())

    def test_verify_false_lets_it_run(self):
        for n, word in enumerate(("FALSE", "false")):
            code, lines = self.run_tasks({"TASK_1": self.program_task(Verify=word)}, "/s", name=f"p{n}")
            self.assertEqual(code, 0)
            self.assertEqual(lines[:2], ["TASK 1.", f'  Exec: "{self.pkg.win("testprog.exe")}" '
                                                    f'/RECORD:{self.pkg.win()}\\rec.txt /EXIT:3.'])
            self.assertTrue(self.started())
        code, lines = self.run_tasks({"TASK_1": self.program_task(Verify="no")}, "/s", name="pno")
        self.assertEqual(code, 10)

    def test_the_three_ways_to_skip_the_check(self):
        cases = [
            ({"CERT": {"VERIFY": "off"}}, ("/s",)),
            ({}, ("/s", "/DisableCertificationCheck")),
            ({}, ("/s", "/disablecertificationcheck")),
        ]
        for n, (extra, args) in enumerate(cases):
            with self.subTest(args=args, extra=extra):
                code, lines = self.run_tasks({**extra, "TASK_1": self.program_task()}, *args, name=f"p{n}")
                self.assertEqual(code, 0)
                self.assertEqual(lines[:2][1], "Skip trust check.")
                self.assertTrue(self.started())
        # "-DisableCertificationCheck" is not a stored "/DisableCertificationCheck".
        code, _ = self.run_tasks({"TASK_1": self.program_task()}, "/s", "-DisableCertificationCheck", name="dash")
        self.assertEqual(code, 10)

    def test_other_task_types_are_never_verified(self):
        code, lines = self.run_tasks({"TASK_1": {"Type": "12", "Data": "/s", "Path": "testprog.exe",
                                                 "Distinct": "00", "CalcFile": "%UPDATEDIR%\\testprog.exe"},
                                      "TASK_2": {"Type": "11", "Data": "4"}}, "/s")
        self.assertEqual(code, 4)
        self.assertEqual(lines[:2], ["TASK 1.", "Execute return code 0x00000000."])

    def test_signed_and_tampered_programs(self):
        self.trust_test_root()
        signed, tampered = signed_programs()
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="signed.exe")}, "/s",
                                     files=[(signed, "signed.exe")])
        self.assertEqual(code, 0, lines)
        self.assertTrue(self.started())
        self.assertFalse(any("WinVerifyTrust" in l for l in lines))
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="tampered.exe")}, "/s",
                                     files=[(tampered, "tampered.exe")], name="tampered")
        self.assertEqual(code, 10)
        self.assertEqual(lines[1], "  WinVerifyTrust return 0x80096010.")
        self.assertFalse(self.started())

    def test_signature_from_an_unknown_root_as_wine_answers(self):
        """Wine-only: see wine_only.UNKNOWN_ROOT for what Windows answers."""
        self.assertEqual(self.rootstore("remove", UNKNOWN_ROOT),
                         (5, f'not in LocalMachine\\Root: "{UNKNOWN_ROOT}"'))
        signed = signed_chain(UNKNOWN_ROOT)[0]
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="signed.exe")}, "/s",
                                     files=[(signed, "signed.exe")])
        expected = wine_only.UNKNOWN_ROOT.wine
        self.assertEqual(code, expected.exit_code, lines)
        results = [l for l in lines if "WinVerifyTrust" in l]
        if expected.result is None:
            self.assertEqual(results, [])
            self.assertTrue(self.started())
        else:
            self.assertEqual(results, [f"  WinVerifyTrust return {expected.result}."])
            self.assertFalse(self.started())

    def test_trust_failure_box_when_not_silent(self):
        pkg = self.package(PROGRAMS)
        pkg.write_config({"MSG": {"IDS_STR_TITLE": "Firmware Update",
                                  "IDS_STR_CERTIFICATION": "The update program is not trusted.\\nNothing was changed."},
                          "TASK_1": self.program_task()})
        self.pkg = pkg
        proc = self.wine.start(pkg.path("Update.exe"), f"/LOG:{pkg.win('run.log')}")
        win = wait_window("^Firmware Update$")
        screenshot(ARTIFACTS / "update-not-trusted.png")
        xdotool("windowactivate", "--sync", win)
        xdotool("key", "--window", win, "Return")
        self.assertEqual(finish(proc), 10)
        self.assertEqual(log_lines(pkg.path("run.log"))[-2:], ["Target is not trusted.", "return 10."])


class Hash(TrustCase):
    def test_distinct_compares_the_sha256_of_calcfile(self):
        image = b"firmware image " * 10000
        digest = hashlib.sha256(image).hexdigest()
        cases = [
            (digest.lower(), "fw.bin", 0, []),
            (digest.upper(), "fw.bin", 0, []),
            ("00" * 32, "fw.bin", 10, ["  Hash is different."]),
            (":".join(digest[i:i + 2] for i in range(0, 64, 2)), "fw.bin", 10, ["  Hash is different."]),
            (digest, "missing.bin", 10, ["  Hash is different."]),
            (EMPTY_SHA256.lower(), "empty.bin", 0, []),
            ("", "fw.bin", 0, []),  # nothing to compare
        ]
        for n, (distinct, calc, expected, extra) in enumerate(cases):
            with self.subTest(distinct=distinct, calc=calc):
                pkg = self.package(PROGRAMS, name=f"p{n}")
                pkg.path("fw.bin").write_bytes(image)
                pkg.path("empty.bin").write_bytes(b"")
                task = self.program_task(Verify="FALSE", Distinct=distinct, CalcFile=f"%UPDATEDIR%\\{calc}")
                pkg.write_config({"TASK_1": task})
                self.pkg = pkg
                code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}")
                lines = log_lines(pkg.path("run.log"))
                lines = lines[lines.index("Admin.") + 1:]
                self.assertEqual(code, expected, lines)
                if expected == 10:
                    self.assertEqual(lines[1:], extra + ["Target is not trusted.", "return 10."])
                    self.assertFalse(self.started())

    def test_both_checks_fail_signature_line_first(self):
        code, lines = self.run_tasks({"TASK_1": self.program_task(Distinct="AB" * 32,
                                                                  CalcFile="%UPDATEDIR%\\testprog.exe")}, "/s")
        self.assertEqual(code, 10)
        self.assertEqual(lines, ["TASK 1.", "  WinVerifyTrust return 0x800B0100.", "  Hash is different.",
                                 "Target is not trusted.", "return 10."])


class HeldFiles(TrustCase):
    """What was verified is what starts: the program file is opened once,
    verified through that handle and held, without write or delete sharing,
    until its process exists; CalcFile is held the same way until the
    program has ended. The races run on the Windows side, where share modes
    hold."""

    def test_program_swapped_between_check_and_start_never_runs_unsigned(self):
        self.trust_test_root()
        signed, _ = signed_programs()
        pkg = self.package(PROGRAMS + ("filerace.exe",))
        self.pkg = pkg
        shutil.copy(signed, pkg.path("signed.exe"))
        shutil.copy(TESTBIN / "testprog.exe", pkg.path("unsigned.exe"))
        shutil.copy(signed, pkg.path("prog.exe"))
        tasks = {f"TASK_{n}": {"Type": "0", "Path": "prog.exe", "WaitExit": "TRUE",
                               "Param_S": "/IMAGE:%UPDATEDIR%\\images.txt"} for n in range(1, 31)}
        tasks["TASK_31"] = {"Type": "11", "Data": "0"}
        pkg.write_config(tasks)
        seconds = 60
        swapper = self.wine.start(pkg.path("filerace.exe"), "swap", pkg.win("prog.exe"), pkg.win("signed.exe"),
                                  pkg.win("unsigned.exe"), str(seconds * 1000), pkg.win("swaps.txt"))
        codes = []
        end = time.time() + seconds - 5
        while time.time() < end:
            codes.append(self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}"))
            images = pkg.path("images.txt").read_text() if pkg.path("images.txt").exists() else ""
            if "unsigned" in images:
                break
        finish(swapper, seconds + 60)
        images = pkg.path("images.txt").read_text().split() if pkg.path("images.txt").exists() else []
        swaps = pkg.path("swaps.txt").read_text()
        self.assertNotIn("unsigned", images, f"an unsigned program ran; exit codes {codes}")
        # The race was on: programs ran, the file was replaced meanwhile, and
        # the check caught the unsigned one at times.
        self.assertIn("signed", images)
        self.assertGreater(int(swaps.split()[0].split("=")[1]), 10, swaps)
        self.assertIn(10, codes)
        self.assertTrue(set(codes) <= {0, 10}, codes)
        # A check fails on the unsigned program, or when the file is being
        # replaced at that moment and cannot be opened denying changes
        # (sharing violation, 32).
        lines = log_lines(pkg.path("run.log"))
        results = {l for l in lines if l.startswith("  WinVerifyTrust")}
        self.assertTrue(results <= {f"  WinVerifyTrust return {r}." for r in ("0x800B0100", "0x00000020",
                                                                               "0x80070020")}, results)

    def test_held_program_starts_both_ways(self):
        """The program file is held while it starts, and is its own CalcFile:
        both ways of starting still open it."""
        self.trust_test_root()
        signed, _ = signed_programs()
        digest = hashlib.sha256(signed.read_bytes()).hexdigest()
        for n, method in enumerate(("", "ShellExecuteEx")):
            with self.subTest(method=method):
                task = self.program_task(Path="signed.exe", Method=method, CalcFile="%UPDATEDIR%\\signed.exe",
                                         Distinct=digest, Param_S="/IMAGE:%UPDATEDIR%\\images.txt /EXIT:3")
                code, lines = self.run_tasks({"TASK_1": task}, "/s", files=[(signed, "signed.exe")], name=f"m{n}")
                self.assertEqual(code, 0, lines)
                self.assertEqual(self.pkg.path("images.txt").read_text().split(), ["signed"])
                self.assertIn("Execute return code 0x00000000.", lines)
                self.assertIn("return code 0x00000003.", lines)

    def test_missing_program_fails_as_before(self):
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="missing.exe")}, "/s")
        self.assertEqual(code, 10)
        self.assertEqual(lines, ["TASK 1.", f"  WinVerifyTrust return {wine_only.MISSING_FILE_RESULT.wine}.",
                                 "Target is not trusted.", "return 10."])

    def test_calcfile_cannot_be_changed_while_its_program_runs(self):
        image = b"firmware image " * 1000
        digest = hashlib.sha256(image).hexdigest()
        pkg = self.package(PROGRAMS + ("filerace.exe",))
        self.pkg = pkg
        pkg.path("fw.bin").write_bytes(image)
        pkg.path("other.bin").write_bytes(b"other")

        def probe(out, **keys):
            return {"Type": "0", "Path": "filerace.exe", "Verify": "FALSE", "WaitExit": "TRUE",
                    "Param_S": f"probe %UPDATEDIR%\\fw.bin %UPDATEDIR%\\other.bin %UPDATEDIR%\\{out}", **keys}

        pkg.write_config({"TASK_1": probe("during.txt", CalcFile="%UPDATEDIR%\\fw.bin", Distinct=digest),
                          "TASK_2": probe("after.txt"),
                          "TASK_3": {"Type": "11", "Data": "0"}})
        code = self.wine.run(pkg.path("Update.exe"), "/s", f"/LOG:{pkg.win('run.log')}")
        self.assertEqual(code, 0, log_lines(pkg.path("run.log")))
        during = dict(l.split("=", 1) for l in pkg.path("during.txt").read_text().splitlines() if l)
        after = dict(l.split("=", 1) for l in pkg.path("after.txt").read_text().splitlines() if l)
        # The task's program may read the file; nobody may change it.
        self.assertEqual(during["read"], "ok")
        self.assertTrue(during["write"].startswith("error"), during)
        self.assertTrue(during["replace"].startswith("error"), during)
        self.assertTrue(during["delete"].startswith("error"), during)
        # Once the program has ended the file is free again: the second
        # probe replaced it and deleted it.
        self.assertEqual(after, {"read": "ok", "write": "ok", "replace": "ok", "delete": "ok"})
        self.assertFalse(pkg.path("fw.bin").exists())


if __name__ == "__main__":
    unittest.main()
