"""The release package: the zip the release target leaves in the build
tree, what it holds (programs, examples, documentation with links that
resolve, changelog, checksums), what PACKAGE.txt says about signing, and a
packager's run of an example from a fresh unzip in a fresh Wine prefix."""
import hashlib
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile
from pathlib import Path

from fwutest import BIN, ROOT, WineTestCase, log_lines, prefix, winpath

sys.path.insert(0, str(ROOT / "scripts"))
import checklinks  # noqa: E402
import peversion  # noqa: E402

PROGRAMS = ["Update", "Findling", "Ailscan", "Romstamp", "Unbinder", "Portscout", "Progress", "Optpick",
            "Tallykeep", "IniSeal", "TaskLint"]
VERSION = re.search(r"project\(\w+ VERSION ([0-9.]+)", (ROOT / "CMakeLists.txt").read_text()).group(1)
NAME = f"FirmwareUpdateTools-{VERSION}"


def make_release(out, env=None, version=VERSION, check=True):
    e = None
    if env:
        import os
        e = dict(os.environ)
        e.update(env)
    r = subprocess.run(["bash", str(ROOT / "scripts" / "release.sh"), str(BIN.parent), version, str(out)],
                       capture_output=True, text=True, env=e, timeout=300)
    if not check:
        return r
    if r.returncode != 0:
        raise AssertionError(f"release.sh failed: {r.stdout}{r.stderr}")
    return Path(out) / f"FirmwareUpdateTools-{version}.zip"


def unpack(zip_path, into):
    with zipfile.ZipFile(zip_path) as z:
        z.extractall(into)
    return Path(into) / NAME


class ReleaseZip(unittest.TestCase):
    """The zip of `cmake --build --preset windows --target release`: the very
    file in the build tree that the README names."""

    @classmethod
    def setUpClass(cls):
        cls.tmp = Path(tempfile.mkdtemp(prefix="fwu-release-"))
        cls.zip = BIN.parent / f"{NAME}.zip"
        cls.started = time.time()
        r = subprocess.run(["cmake", "--build", str(BIN.parent), "--target", "release"],
                           capture_output=True, text=True, timeout=1800)
        if r.returncode != 0:
            raise AssertionError(f"the release target failed: {r.stdout[-3000:]}{r.stderr[-3000:]}")
        with zipfile.ZipFile(cls.zip) as z:
            cls.names = set(z.namelist())
            z.extractall(cls.tmp / "unzip")
        cls.root = cls.tmp / "unzip" / NAME

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def test_the_zip_is_where_the_readme_says(self):
        self.assertIn(f"build/windows/FirmwareUpdateTools-<version>.zip", (ROOT / "README.md").read_text())
        if BIN.parent.resolve() == (ROOT / "build" / "windows").resolve():
            self.assertTrue((ROOT / "build" / "windows" / f"{NAME}.zip").is_file())
        self.assertGreaterEqual(self.zip.stat().st_mtime, self.started - 2, "the zip was not made afresh")
        self.assertEqual({n.split("/")[0] for n in self.names}, {NAME}, "one top folder named after the version")

    def test_every_program_is_packed_with_the_project_version(self):
        built = [p for p in PROGRAMS if (BIN / f"{p}.exe").exists()]
        self.assertEqual(built, PROGRAMS, "the release target builds every program")
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
                        places = [self.root / "examples" / ex.name]
                        if top == "docs/examples":
                            places.append(self.root / "docs" / "examples" / ex.name)
                        for place in places:
                            for ini in ex.rglob("*.ini"):
                                packed = place / ini.relative_to(ex)
                                self.assertTrue(packed.exists(), packed)
                                # CR LF line ends, the text otherwise unchanged
                                self.assertEqual(packed.read_bytes().replace(b"\r\n", b"\n"),
                                                 ini.read_bytes().replace(b"\r\n", b"\n"))
        for page in ["README.md", "CHANGELOG.md"] + [f"docs/{p.name}" for p in (ROOT / "docs").glob("*.md")]:
            with self.subTest(page=page):
                self.assertEqual((self.root / page).read_bytes(), (ROOT / page).read_bytes())
        self.assertTrue((self.root / "docs" / "images" / "device-update.png").exists())

    def test_changelog_begins_with_this_release(self):
        first = next(l for l in (self.root / "CHANGELOG.md").read_text().splitlines() if l.startswith("## "))
        self.assertRegex(first, rf"^## {re.escape(VERSION)}\b")

    def test_every_relative_link_resolves_inside_the_zip(self):
        problems, count = checklinks.check(self.root)
        self.assertEqual(problems, [])
        self.assertGreater(count, 10)

    def test_sha256sums_covers_every_other_file(self):
        sums = (self.root / "SHA256SUMS").read_text()
        listed = {}
        for line in sums.splitlines():
            m = re.fullmatch(r"([0-9a-f]{64})  (.+)", line)
            self.assertIsNotNone(m, line)
            listed[m.group(2)] = m.group(1)
        files = {str(p.relative_to(self.root)) for p in self.root.rglob("*") if p.is_file()}
        self.assertEqual(set(listed), files - {"SHA256SUMS"})
        for name, digest in listed.items():
            self.assertEqual(hashlib.sha256((self.root / name).read_bytes()).hexdigest(), digest, name)
        r = subprocess.run(["sha256sum", "--strict", "-c", "SHA256SUMS"], cwd=self.root, capture_output=True,
                           text=True)
        self.assertEqual(r.returncode, 0, r.stdout + r.stderr)

    def test_package_txt_says_the_programs_are_not_signed(self):
        listing = (self.root / "PACKAGE.txt").read_text()
        self.assertIn("Signature: the programs are NOT signed.", listing)
        self.assertIn("Verify=FALSE", listing)
        self.assertIn("sha256sum -c SHA256SUMS", listing)

    def test_a_changelog_without_this_version_fails_the_release(self):
        r = make_release(self.tmp / "other", version="99.0.0", check=False)
        self.assertNotEqual(r.returncode, 0)
        self.assertIn("the first entry of CHANGELOG.md is", r.stderr)
        self.assertFalse((self.tmp / "other" / "FirmwareUpdateTools-99.0.0.zip").exists())

    def test_a_program_of_another_version_fails_the_release(self):
        build = self.tmp / "stale-build"
        (build / "bin").mkdir(parents=True)
        for exe in BIN.glob("*.exe"):
            shutil.copy(exe, build / "bin" / exe.name)
        # Tallykeep as a build of another version left it.
        exe = build / "bin" / "Tallykeep.exe"
        data = bytearray(exe.read_bytes())
        fixed = data.find(struct.pack("<I", 0xFEEF04BD), data.find("VS_VERSION_INFO".encode("utf-16-le")))
        ls = struct.unpack_from("<I", data, fixed + 12)[0]
        struct.pack_into("<I", data, fixed + 12, ls ^ 0x10000)
        exe.write_bytes(bytes(data))
        r = subprocess.run(["bash", str(ROOT / "scripts" / "release.sh"), str(build), VERSION, str(build / "out")],
                           capture_output=True, text=True, timeout=300)
        self.assertEqual(r.returncode, 1, r.stdout + r.stderr)
        self.assertIn(f"release: programs built with another version than {VERSION}:", r.stderr)
        self.assertIn("Tallykeep.exe", r.stderr)
        self.assertNotIn("Update.exe", r.stderr)
        self.assertFalse((build / "out" / f"{NAME}.zip").exists())

    def signed_release(self, name, env):
        out = self.tmp / name
        root = unpack(make_release(out, env), out / "unzip")
        return root, (root / "PACKAGE.txt").read_text()

    def assert_signed(self, root, cafile):
        for exe in root.glob("*.exe"):
            with self.subTest(program=exe.name):
                r = subprocess.run(["osslsigncode", "verify", "-CAfile", str(cafile), "-in", str(exe)],
                                   capture_output=True, text=True)
                self.assertIn("Signature verification: ok", r.stdout + r.stderr)
                self.assertIsNotNone(peversion.version_info(exe))
        r = subprocess.run(["sha256sum", "-c", "SHA256SUMS"], cwd=root, capture_output=True, text=True)
        self.assertEqual(r.returncode, 0, "the sums are of the signed programs")

    @unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"), "needs osslsigncode, openssl")
    def test_a_self_signed_certificate_is_named_a_test_certificate(self):
        keys = self.tmp / "keys"
        keys.mkdir()
        subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                        "-subj", "/CN=Firmware Update Tools Test", "-addext", "extendedKeyUsage=codeSigning",
                        "-keyout", str(keys / "key.pem"), "-out", str(keys / "cert.pem")],
                       check=True, capture_output=True)
        root, listing = self.signed_release(
            "signed", {"FWU_SIGN_CERT": str(keys / "cert.pem"), "FWU_SIGN_KEY": str(keys / "key.pem")})
        self.assert_signed(root, keys / "cert.pem")
        self.assertIn("signed with a TEST certificate", listing)
        self.assertIn("subject: CN=Firmware Update Tools Test", listing)
        self.assertNotIn("NOT signed", listing)
        # The unsigned package has no signature.
        r = subprocess.run(["osslsigncode", "verify", "-in", str(self.root / "Update.exe")],
                           capture_output=True, text=True)
        self.assertNotIn("Signature verification: ok", r.stdout + r.stderr)

    @unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"), "needs osslsigncode, openssl")
    def test_a_certificate_issued_by_a_ca_is_named_with_its_subject(self):
        keys = self.tmp / "ca-keys"
        keys.mkdir()
        (keys / "x.cnf").write_text(
            "[req]\ndistinguished_name=dn\n[dn]\n[ca]\nbasicConstraints=critical,CA:TRUE\n"
            "keyUsage=critical,keyCertSign\n[leaf]\nbasicConstraints=critical,CA:FALSE\n"
            "keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")

        def sh(*cmd):
            subprocess.run(cmd, cwd=keys, check=True, capture_output=True)

        sh("openssl", "req", "-x509", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "ca.key", "-out",
           "ca.crt", "-days", "2", "-subj", "/CN=Packager Root", "-config", "x.cnf", "-extensions", "ca")
        sh("openssl", "req", "-new", "-nodes", "-newkey", "rsa:2048", "-keyout", "leaf.key", "-out", "leaf.csr",
           "-subj", "/O=Contoso/CN=Contoso Code Signing", "-config", "x.cnf")
        sh("openssl", "x509", "-req", "-in", "leaf.csr", "-CA", "ca.crt", "-CAkey", "ca.key", "-CAcreateserial",
           "-out", "leaf.crt", "-days", "2", "-extfile", "x.cnf", "-extensions", "leaf")
        sh("openssl", "pkcs12", "-export", "-in", "leaf.crt", "-inkey", "leaf.key", "-certfile", "ca.crt",
           "-passout", "pass:secret", "-out", "leaf.pfx")
        root, listing = self.signed_release(
            "pfx", {"FWU_SIGN_PKCS12": str(keys / "leaf.pfx"), "FWU_SIGN_PASS": "secret"})
        self.assert_signed(root, keys / "ca.crt")
        self.assertIn("Signature: the programs are signed (Authenticode, SHA-256) with the certificate", listing)
        self.assertIn("subject: CN=Contoso Code Signing,O=Contoso", listing)
        self.assertIn("issuer:  CN=Packager Root", listing)
        self.assertIn("not time-stamped", listing)
        self.assertNotIn("TEST", listing)

    @unittest.skipUnless(shutil.which("osslsigncode") and shutil.which("openssl"), "needs osslsigncode, openssl")
    def test_a_test_signature_made_on_request_is_named_so(self):
        root, listing = self.signed_release("test-signed", {"FWU_SIGN_TEST": "1"})
        self.assertIn("signed with a TEST certificate, not fit for shipping", listing)
        self.assertIn("real Windows refuses a self-signed certificate", listing)
        r = subprocess.run(["osslsigncode", "verify", "-in", str(root / "Update.exe")], capture_output=True,
                           text=True)
        self.assertIn("TEST CERTIFICATE", r.stdout + r.stderr)


class PackagerRun(WineTestCase):
    """Unzips the package and runs an example the way a packager does."""

    def test_packagers_tools_report_the_project_version(self):
        for tool in ("TaskLint", "IniSeal"):
            with self.subTest(tool=tool):
                r = self.wine.wine(str(self.unzipped / f"{tool}.exe"), "--version", always_prints=True)
                self.assertEqual(r.returncode, 0, r.stdout + r.stderr)
                self.assertEqual(r.stdout.strip(), f"{tool} {VERSION}")

    def setUp(self):
        super().setUp()
        self.zip = make_release(self.tmp)
        self.unzipped = unpack(self.zip, self.tmp / "unzip")

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
        self.assertEqual(code, 16, lines)
        tasks = [l for l in lines if re.fullmatch(r"TASK \d+\.", l)]
        self.assertEqual(tasks, ["TASK 1.", "TASK 20.", "TASK 21."])
        self.assertIn("return code 0x00000003.", lines)
        self.assertEqual(lines[-2:], ["end by return value task.", "return 16."])

    def test_tasklint_from_the_unzip_checks_the_package(self):
        pkg = self.lay_out("run-and-branch")
        tasklint = pkg / "TaskLint.exe"
        self.assertEqual(self.wine.run(tasklint, winpath(pkg / "config" / "config.ini")), 0)
        broken = self.lay_out("device-update")
        (broken / "config" / "config.ini").write_text("[TASK_1]\r\nType=0\r\nPath=Missing.exe\r\nWaitExit=yes\r\n")
        r = self.wine.wine(str(tasklint), winpath(broken / "config" / "config.ini"), always_prints=True)
        self.assertEqual(r.returncode, 2, r.stdout + r.stderr)
        self.assertIn("config.ini:4: warning: [TASK_1] WaitExit: 'yes' reads as FALSE", r.stdout)
        self.assertIn("Missing.exe is missing from the package folder", r.stdout)
        self.assertIn("falls off the end of the list", r.stdout)


if __name__ == "__main__":
    unittest.main()
