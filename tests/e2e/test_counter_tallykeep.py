"""Tallykeep under Wine: limits, precedence, the counter file and sealed
configurations."""
import time
import unittest

from fwutest import TESTBIN, NotStarted, WineTestCase, finish, log_lines


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


    def count(self, pkg):
        data = pkg.path("MyTempCounter.ini").read_bytes()
        text = data.decode("utf-16") if data[:2] == b"\xff\xfe" else data.decode("latin-1")
        for line in text.splitlines():
            if line.strip().lower().startswith("loop="):
                return int(line.split("=", 1)[1])
        raise AssertionError(f"no Loop value in {text!r}")

    def test_failed_increment_write_is_an_error(self):
        # A folder named like the counter file: the new count cannot be stored.
        pkg = self.tool("3")
        pkg.path("MyTempCounter.ini").mkdir()
        self.assertEqual(self.tk(pkg, "/increment", "/loop"), 6)
        lines = log_lines(pkg.path("t.log"))
        self.assertEqual(lines[-3], "Read Loop count: 0.")
        self.assertRegex(lines[-2], r"^error - write Loop count failed \(\d+\)\.$")
        self.assertEqual(lines[-1], "return 6.")
        self.assertNotIn("Write Loop count: 1.", lines)
        self.assertTrue(pkg.path("MyTempCounter.ini").is_dir())

    def test_failed_increment_write_over_max_path(self):
        # The program's own path fits in MAX_PATH, the counter file's does not.
        pkg = self.tool("3")
        base = len(pkg.win())
        deep = pkg.path("d" * (250 - base - 1))
        deep.mkdir()
        (deep / "T.exe").write_bytes(pkg.path("Tallykeep.exe").read_bytes())
        exe = pkg.win(deep.name, "T.exe")
        self.assertLess(len(exe), 260)
        self.assertGreater(len(pkg.win(deep.name, "MyTempCounter.ini")), 259)
        log = pkg.win("long.log")
        self.assertEqual(self.wine.run(deep / "T.exe", "/increment", "/loop", f"/LOG:{log}"), 6)
        lines = log_lines(pkg.path("long.log"))
        self.assertRegex(lines[-2], r"^error - write Loop count failed \(\d+\)\.$")
        self.assertEqual(lines[-1], "return 6.")
        self.assertEqual(self.wine.run(deep / "T.exe", "/check", "/loop"), 0)

    def test_delete_that_leaves_the_file_is_an_error(self):
        pkg = self.tool("3")
        self.assertEqual(self.tk(pkg, "/increment", "/loop"), 0)
        counter = pkg.path("MyTempCounter.ini")
        ready = pkg.path("held.txt")
        holder = self.wine.start(TESTBIN / "testprog.exe", f"/HOLD:{pkg.win('MyTempCounter.ini')}",
                                 f"/RECORD:{pkg.win('held.txt')}", "/SLEEP:8000")
        deadline = time.time() + 30
        while not ready.exists():
            self.assertLess(time.time(), deadline, "the holder did not start")
            time.sleep(0.1)
        self.assertEqual(self.tk(pkg, "/delete", "/loop"), 7)
        lines = log_lines(pkg.path("t.log"))
        self.assertRegex(lines[-2], r"^error - delete counter file failed \(\d+\)\.$")
        self.assertEqual(lines[-1], "return 7.")
        self.assertTrue(counter.exists())
        self.assertEqual(finish(holder), 0)
        # Once nothing holds it, delete works, and with no file it is still 0.
        self.assertEqual(self.tk(pkg, "/delete", "/loop"), 0)
        self.assertFalse(counter.exists())
        self.assertEqual(self.tk(pkg, "/delete", "/loop"), 0)
        self.assertEqual(log_lines(pkg.path("t.log"))[-1], "return 0.")

    def test_increments_started_at_once_all_count(self):
        pkg = self.tool("100")
        total = 0
        for _ in range(3):
            procs = [self.wine.start(pkg.path("Tallykeep.exe"), "/increment", "/loop") for _ in range(8)]
            lost = 0
            for proc in procs:
                try:
                    self.assertEqual(finish(proc), 0)
                except NotStarted:
                    lost += 1  # Wine lost the start: that run never happened
            for _ in range(lost):
                self.assertEqual(self.wine.run(pkg.path("Tallykeep.exe"), "/increment", "/loop"), 0)
            total += 8
            self.assertEqual(self.count(pkg), total)


if __name__ == "__main__":
    unittest.main()
