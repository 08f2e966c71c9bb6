"""Trust checks before a program task under Wine: Authenticode signature
(unsigned, signed with a test certificate made here, tampered), the SHA-256
comparison, and the three ways to skip the check."""
import hashlib
import shutil
import subprocess
import tempfile
import unittest
from pathlib import Path

from fwutest import ARTIFACTS, WineTestCase, finish, log_lines, screenshot, wait_window, xdotool

PROGRAMS = ("Update.exe", "testprog.exe")
EMPTY_SHA256 = "E3B0C44298FC1C149AFBF4C8996FB92427AE41E4649B934CA495991B7852B855"

_signed = None


def signed_programs():
    """(signed, tampered) copies of testprog.exe, signed with a throwaway
    certificate chain (root and code-signing leaf) made with openssl."""
    global _signed
    if _signed:
        return _signed
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
       "-days", "2", "-subj", "/CN=FWU Test Root", "-config", "x.cnf", "-extensions", "ca")
    sh("openssl", "req", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "leaf.key", "-out", "leaf.csr",
       "-subj", "/CN=FWU Test Signer", "-config", "x.cnf")
    sh("openssl", "x509", "-req", "-in", "leaf.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
       "-out", "leaf.crt", "-days", "2", "-extfile", "x.cnf", "-extensions", "leaf")
    from fwutest import TESTBIN
    sh("osslsigncode", "sign", "-certs", "leaf.crt", "-ac", "ca.crt", "-key", "leaf.key", "-n", "testprog",
       "-h", "sha256", "-in", str(TESTBIN / "testprog.exe"), "-out", "signed.exe")
    data = bytearray((work / "signed.exe").read_bytes())
    data[0x400] ^= 0xFF  # code bytes no longer match the signed digest
    (work / "tampered.exe").write_bytes(bytes(data))
    _signed = (work / "signed.exe", work / "tampered.exe")
    return _signed


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
        signed, tampered = signed_programs()
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="signed.exe")}, "/s",
                                     files=[(signed, "signed.exe")])
        # Wine accepts a well-formed signature whose root it does not know.
        self.assertEqual(code, 0, lines)
        self.assertTrue(self.started())
        self.assertFalse(any("WinVerifyTrust" in l for l in lines))
        code, lines = self.run_tasks({"TASK_1": self.program_task(Path="tampered.exe")}, "/s",
                                     files=[(tampered, "tampered.exe")], name="tampered")
        self.assertEqual(code, 10)
        self.assertEqual(lines[1], "  WinVerifyTrust return 0x80096010.")
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


if __name__ == "__main__":
    unittest.main()
