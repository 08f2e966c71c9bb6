"""Tallykeep under Wine: limits, precedence, the counter file and sealed
configurations."""
import unittest

from fwutest import WineTestCase, log_lines


class Tallykeep(WineTestCase):
    def tool(self, limit=None, sealed=False, name="pkg"):
        pkg = self.package(programs=("Tallykeep.exe",), layout="tool", name=name)
        if limit is not None:
            pkg.write_config({"Counter": {"Loop": limit}}, sealed=sealed)
        return pkg

    def tk(self, pkg, *args):
        return self.wine.run(pkg.path("Tallykeep.exe"), *args, f"/LOG:{pkg.win('t.log')}")

    def test_default_limit_and_log(self):
        pkg = self.tool()
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 0)
        self.assertEqual(self.tk(pkg, "/increment", "/loop"), 0)
        self.assertEqual(log_lines(pkg.path("t.log"))[-3:],
                         ["Read Loop count: 0.", "Write Loop count: 1.", "return 0."])
        self.assertTrue(pkg.path("MyTempCounter.ini").exists())
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 1)
        self.assertEqual(log_lines(pkg.path("t.log"))[-1], "return 1.")

    def test_limits(self):
        for limit, counts in (("3", [0, 0, 0, 1]), ("0", [1]), ("-1", [1]), ("", [0, 1])):
            with self.subTest(limit=limit):
                pkg = self.tool(limit, name=f"l{limit or 'empty'}")
                got = []
                for _ in counts:
                    got.append(self.tk(pkg, "/check", "/loop"))
                    self.tk(pkg, "/increment", "/loop")
                self.assertEqual(got, counts)

    def test_hex_limit_with_counter_file(self):
        pkg = self.tool("0x10")
        pkg.path("MyTempCounter.ini").write_text("[Counter]\r\nLoop=15\r\n")
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 0)
        pkg.path("MyTempCounter.ini").write_text("[Counter]\r\nLoop=16\r\n")
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 1)

    def test_precedence_and_missing_loop(self):
        pkg = self.tool("5")
        self.assertEqual(self.tk(pkg, "/check", "/increment", "/loop"), 0)
        self.assertEqual(log_lines(pkg.path("t.log"))[-2], "Write Loop count: 1.")
        self.assertEqual(self.tk(pkg, "/increment", "/delete", "/loop"), 0)
        self.assertFalse(pkg.path("MyTempCounter.ini").exists())
        self.assertEqual(self.tk(pkg, "/delete", "/loop"), 0)  # no file: still 0
        for args in (("/check",), ("/increment",), ("/delete",), ("/loop",), ()):
            with self.subTest(args=args):
                self.assertEqual(self.tk(pkg, *args), 5)
                self.assertEqual(log_lines(pkg.path("t.log"))[-1], "return 5.")
        self.assertFalse(pkg.path("MyTempCounter.ini").exists())
        self.assertEqual(self.tk(pkg, "/increment", "/loop"), 0)
        self.assertEqual(log_lines(pkg.path("t.log"))[-2], "Write Loop count: 1.")

    def test_sealed_and_falsified_config(self):
        pkg = self.tool("2", sealed=True)
        self.tk(pkg, "/increment", "/loop")
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 0)  # limit 2 decoded
        data = bytearray(pkg.config.read_bytes())
        data[len(data) // 2] ^= 0x01
        pkg.config.write_bytes(bytes(data))
        self.assertEqual(self.tk(pkg, "/check", "/loop"), 1)  # falsified: limit 1


if __name__ == "__main__":
    unittest.main()
