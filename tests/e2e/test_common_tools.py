"""The common log under concurrent writers, IniSeal on Windows, and what the
built programs carry (PE32+, subsystem, manifest, version information)."""
import struct
import time
import unittest

from fwutest import BIN, TESTBIN, WineTestCase, finish, log_lines, read_log, winpath


def pe_info(path):
    data = path.read_bytes()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    assert data[pe:pe + 4] == b"PE\0\0"
    magic = struct.unpack_from("<H", data, pe + 24)[0]
    subsystem = struct.unpack_from("<H", data, pe + 24 + 68)[0]
    return magic, subsystem, data


class BuiltPrograms(unittest.TestCase):
    def test_update_and_iniseal_headers_and_resources(self):
        magic, subsystem, data = pe_info(BIN / "Update.exe")
        self.assertEqual(magic, 0x20B)  # PE32+
        self.assertEqual(subsystem, 2)  # Windows GUI
        for needle in (b'level="requireAdministrator" uiAccess="false"', b"Microsoft.Windows.Common-Controls",
                       b'version="6.0.0.0"', b"<dpiAware", "FileVersion".encode("utf-16-le"),
                       "Update.exe".encode("utf-16-le")):
            self.assertTrue(needle in data, needle)
        magic, subsystem, data = pe_info(BIN / "IniSeal.exe")
        self.assertEqual(magic, 0x20B)
        self.assertEqual(subsystem, 3)  # console: it prints its findings
        self.assertTrue("IniSeal.exe".encode("utf-16-le") in data)


class LogWriters(WineTestCase):
    def test_second_writer_of_an_open_log_writes_nothing_and_still_works(self):
        pkg = self.package(programs=("testprog.exe",), layout="tool")
        log = pkg.win("shared.log")
        first = self.wine.start(pkg.path("testprog.exe"), f"/LOG:{log}", "/SLEEP:4000", "/EXIT:1")
        time.sleep(1.5)
        self.assertEqual(self.wine.run(pkg.path("testprog.exe"), f"/LOG:{log}", "/EXIT:0x80000001"), 0x80000001)
        self.assertEqual(finish(first), 1)
        lines = log_lines(pkg.path("shared.log"))
        self.assertEqual(sum(1 for l in lines if l.startswith("*" * 10)), 1)
        self.assertEqual(lines[-1], "return 1.")

    def test_many_processes_append_whole_lines(self):
        pkg = self.package(programs=("testprog.exe",), layout="tool")
        for i in range(4):
            self.assertEqual(self.wine.run(pkg.path("testprog.exe"), f"/LOG:{pkg.win('a.log')}", f"/EXIT:{i}"), i)
        lines = log_lines(pkg.path("a.log"))
        self.assertEqual(len(lines), 4 * 4)  # banner, LOG mode, pid, return
        self.assertEqual([l for l in lines if l.startswith("return")], [f"return {i}." for i in range(4)])
        self.assertEqual(read_log(pkg.path("a.log")).count("\ufeff"), 0)


class IniSealOnWindows(WineTestCase):
    def test_seal_open_verify_round_trip(self):
        pkg = self.package(programs=("IniSeal.exe",), layout="tool")
        plain = pkg.path("plain.ini")
        plain.write_bytes(b"\xff\xfe" + "[MSG]\r\nIDS_STR_TITLE=T\u00e9st \u65e5\r\n[TASK_1]\r\nType=11\r\nData=7\r\n"
                          .encode("utf-16-le"))
        seal = pkg.path("IniSeal.exe")
        self.assertEqual(self.wine.run(seal, "seal", winpath(plain), pkg.win("sealed.ini")), 0)
        self.assertEqual(self.wine.run(seal, "verify", pkg.win("sealed.ini")), 0)
        self.assertEqual(self.wine.run(seal, "open", pkg.win("sealed.ini"), pkg.win("open.ini")), 0)
        text = pkg.path("open.ini").read_bytes()[2:].decode("utf-16-le")
        self.assertIn("IDS_STR_TITLE=T\u00e9st \u65e5", text)
        self.assertIn("Data=7", text)
        data = bytearray(pkg.path("sealed.ini").read_bytes())
        data[10] ^= 1
        pkg.path("bad.ini").write_bytes(bytes(data))
        self.assertEqual(self.wine.run(seal, "verify", pkg.win("bad.ini")), 3)
        self.assertEqual(self.wine.run(seal, "verify", pkg.win("missing.ini")), 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
