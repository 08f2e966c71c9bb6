"""The release package: what the zip holds, signing, and a packager's run
of an example from a fresh unzip in a fresh Wine prefix."""
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile
from pathlib import Path

from fwutest import BIN, ROOT, WineTestCase, log_lines, prefix, winpath

sys.path.insert(0, str(ROOT / "scripts"))
import peversion  # noqa: E402

PROGRAMS = ["Update", "Findling", "Ailscan", "Romstamp", "Unbinder", "Portscout", "Progress", "Optpick",
            "Tallykeep", "IniSeal", "TaskLint"]
VERSION = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
NAME = f"FirmwareUpdateTools-{VERSION}"


def make_release(out, env=None):
    e = None
    if env:
        import os
        e = dict(os.environ)
        e.update(env)
    r = subprocess.run(["bash", str(ROOT / "scripts" / "release.sh"), str(BIN.parent), VERSION, str(out)],
                       capture_output=True, text=True, env=e, timeout=300)
    if r.returncode != 0:
        raise AssertionError(f"release.sh failed: {r.stdout}{r.stderr}")
    return Path(out) / f"{NAME}.zip"


class ReleaseZip(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="fwu-release-"))
        cls.zip = make_release(cls.tmp)
        with zipfile.ZipFile(cls.zip) as z:
            cls.names = set(z.namelist())
            z.extractall(cls.tmp / "unzip")
        cls.root = cls.tmp / "unzip" / NAME

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_every_built_program_is_packed_with_its_version(self):
        built = [p for p in PROGRAMS if (BIN / f"{p}.exe").exists()]
        for required in ("Update", "IniSeal", "TaskLint"):
            self.assertIn(required, built)
        for p in built:
            with self.subTest(program=p):
                self.assertIn(f"{NAME}/{p}.exe", self.names)
                info = peversion.version_info(self.root / f"{p}.exe")
                self.assertIsNotNone(info, "no version information")
                self.assertEqual(info[0], VERSION + ".0")
                self.assertTrue(info[1])
        listing = (self.root / "PACKAGE.txt").read_text()
        missing = [p for p in PROGRAMS if p not in built]
        for p in built:
            self.assertRegex(listing, rf"\n  {p}\.exe\t{re.escape(VERSION)}\.0\t")
        if missing:
            self.assertIn("Not in this package (not built): " + " ".join(f"{p}.exe" for p in missing), listing)
        else:
            self.assertNotIn("Not in this package", listing)

    def test_examples_readme_and_reference_are_packed(self):
        for top in ("examples", "docs/examples"):
            for ex in (ROOT / top).iterdir():
                if (ex / "config" / "config.ini").exists():
                    with self.subTest(example=ex.name):
                        packed = self.root / "examples" / ex.name / "config" / "config.ini"
                        self.assertTrue(packed.exists())
                        # CR LF line ends, the text otherwise unchanged
                        self.assertEqual(packed.read_bytes().replace(b"\r\n", b"\n"),
                                         (ex / "config" / "config.ini").read_bytes().replace(b"\r\n", b"\n"))
        self.assertTrue((self.root / "README.md").exists())
        self.assertTrue((self.root / "docs" / "reference.md").exists())
        self.assertTrue((self.root / "docs" / "images" / "device-update.png").exists())

    @unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"), "needs osslsigncode, openssl")
    def test_programs_are_signed_when_a_certificate_is_given(self):
        keys = self.tmp / "keys"
        keys.mkdir()
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Firmware Update Tools Test", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", str(keys / "key.pem"), "-out", str(keys / "cert.pem")],
                       check=True, capture_output=True)
        out = self.tmp / "signed"
        z = make_release(out, {"FWU_SIGN_CERT": str(keys / "cert.pem"), "FWU_SIGN_KEY": str(keys / "key.pem")})
        with zipfile.ZipFile(z) as zf:
            zf.extractall(out / "unzip")
        root = out / "unzip" / NAME
        self.assertIn("The programs are signed.", (root / "PACKAGE.txt").read_text())
        for exe in root.glob("*.exe"):
            with self.subTest(program=exe.name):
                r = subprocess.run(["osslsigncode", "verify", "-CAfile", str(keys / "cert.pem"), "-in", str(exe)],
                                   capture_output=True, text=True)
                self.assertIn("Signature verification: ok", r.stdout + r.stderr)
                self.assertIsNotNone(peversion.version_info(exe))
        # The unsigned package has no signature.
        r = subprocess.run(["osslsigncode", "verify", "-in", str(self.root / "Update.exe")],
                           capture_output=True, text=True)
        self.assertNotIn("Signature verification: ok", r.stdout + r.stderr)


class PackagerRun(WineTestCase):
    """Unzips the package and runs an example the way a packager does."""

    def setUp(self):
        super().setUp()
        self.zip = make_release(self.tmp)
        with zipfile.ZipFile(self.zip) as z:
            z.extractall(self.tmp / "unzip")
        self.unzipped = self.tmp / "unzip" / NAME

    def lay_out(self, example):
        """A package folder: the programs, then the example's files."""
        pkg = self.tmp / example
        pkg.mkdir()
        for exe in self.unzipped.glob("*.exe"):
            shutil.copy(exe, pkg / exe.name)
        shutil.copytree(self.unzipped / "examples" / example, pkg, dirs_exist_ok=True)
        return pkg

    def test_example_runs_silently_from_the_unzip(self):
        pkg = self.lay_out("run-and-branch")
        log = pkg / "update.log"
        code = self.wine.run(pkg / "Update.exe", "/s", f"/LOG:{winpath(log)}", timeout=120)
        lines = log_lines(log)
        self.assertEqual(code, 259, lines)
        tasks = [l for l in lines if re.fullmatch(r"TASK \d+\.", l)]
        self.assertEqual(tasks, ["TASK 1.", "TASK 20.", "TASK 21."])
        self.assertIn("return code 0x00000003.", lines)
        self.assertEqual(lines[-2:], ["end by return value task.", "return 259."])

    def test_tasklint_from_the_unzip_checks_the_package(self):
        pkg = self.lay_out("run-and-branch")
        tasklint = pkg / "TaskLint.exe"
        self.assertEqual(self.wine.run(tasklint, winpath(pkg / "config" / "config.ini")), 0)
        broken = self.lay_out("device-update")
        (broken / "config" / "config.ini").write_text("[TASK_1]\r\nType=0\r\nPath=Missing.exe\r\nWaitExit=yes\r\n")
        r = self.wine.wine(str(tasklint), winpath(broken / "config" / "config.ini"))
        self.assertEqual(r.returncode, 2, r.stdout + r.stderr)
        self.assertIn("config.ini:4: warning: [TASK_1] WaitExit: 'yes' reads as FALSE", r.stdout)
        self.assertIn("Missing.exe is missing from the package folder", r.stdout)
        self.assertIn("falls off the end of the list", r.stdout)


if __name__ == "__main__":
    unittest.main()
