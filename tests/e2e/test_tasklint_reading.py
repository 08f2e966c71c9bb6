"""TaskLint.exe under Wine against the real Update on the same lists: task
sections with negative numbers, a section header without its closing
bracket, and a loop only the silent run cannot leave."""
import unittest

from fwutest import WineTestCase, BIN, log_lines, winpath


class TaskLintReadsLikeUpdate(WineTestCase):
    def write(self, text):
        pkg = self.package(("Update.exe", "TaskLint.exe"))
        pkg.write_config(text=text.replace("\n", "\r\n"))
        self.pkg = pkg
        return pkg

    def update(self, *args):
        code = self.wine.run(self.pkg.path("Update.exe"), *args, f"/LOG:{self.pkg.win('run.log')}")
        return code, log_lines(self.pkg.path("run.log"))

    def tasklint(self):
        r = self.wine.wine(str(BIN / "TaskLint.exe"), winpath(self.pkg.config), always_prints=True)
        return r.returncode, r.stdout + r.stderr

    def test_negative_task_sections_are_run_and_pass(self):
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=9\nGoto=-2\n[TASK_-2]\nType=11\nData=12\n")
        code, lines = self.update("/s")
        self.assertEqual(code, 12, lines)
        self.assertIn("TASK -2.", lines)
        code, out = self.tasklint()
        self.assertEqual(code, 0, out)
        self.assertIn("2 tasks, no findings", out)

    def test_keys_below_a_header_without_bracket_belong_to_the_section_above(self):
        # TASK_1 gives 1 (no /Never on the command line). The RET_ key under
        # the broken header is TASK_1's: Update goes on with TASK_5, not 2.
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=12\nData=/Never\n"
                   "[TASK_2\nType=11\nData=3\nRET_0x00000001=5\n[TASK_5]\nType=11\nData=7\n")
        code, lines = self.update("/s")
        self.assertEqual(code, 7, lines)
        self.assertNotIn("TASK 2.", lines)
        code, out = self.tasklint()
        self.assertEqual(code, 2, out)
        self.assertIn("config.ini:6: error: [TASK_1] '[TASK_2' lacks its closing bracket", out)
        self.assertIn("count as keys of [TASK_1]", out)

    def test_a_restart_loop_only_the_silent_run_meets(self):
        # Silent, the restart does nothing and gives 0xFFFFFFFF: here that
        # leads back to the restart for ever. TaskLint finds the loop.
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=3\nRET_0xFFFFFFFF=1\n")
        code, out = self.tasklint()
        self.assertEqual(code, 2, out)
        self.assertIn("config.ini:3: error: [TASK_1] silent run: loop with no way out: TASK_1 repeat for ever", out)
        # The same restart ending the run: Update /s ends, TaskLint is content.
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=3\nRET_0xFFFFFFFF=2\n[TASK_2]\nType=11\nData=12\n")
        code, lines = self.update("/s")
        self.assertEqual(code, 12, lines)
        self.assertIn("return code 0xFFFFFFFF.", lines)
        code, out = self.tasklint()
        self.assertEqual(code, 0, out)

    def test_a_parameter_test_for_the_silent_option(self):
        # Update /s finds its own /s in any letter case: the test gives 0.
        # Branching back on 0 is a loop that the silent run never leaves.
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=12\nData=/S\nRET_0x00000000=2\nRET_0x00000001=-1\n"
                   "[TASK_2]\nType=11\nData=5\n")
        code, lines = self.update("/s")
        self.assertEqual(code, 5, lines)
        self.assertIn("return code 0x00000000.", lines)
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=12\nData=/S\nRET_0x00000000=1\nRET_0x00000001=-1\n")
        code, out = self.tasklint()
        self.assertEqual(code, 2, out)
        self.assertIn("config.ini:3: error: [TASK_1] silent run: loop with no way out: TASK_1 repeat for ever", out)

    def test_a_number_beyond_32_bits_keeps_its_low_bits(self):
        # 4294967298 is 2 to Update: the run goes on with TASK_2, and the
        # exit code of 99999999999 is its low 32 bits.
        self.write("[CERT]\nVERIFY=OFF\n[TASK_1]\nType=13\nRET_0x00000000=4294967298\n"
                   "[TASK_2]\nType=11\nData=99999999999\n")
        code, lines = self.update("/s")
        self.assertEqual(code, 99999999999 & 0xFFFFFFFF, lines)
        self.assertIn("TASK 2.", lines)
        code, out = self.tasklint()
        self.assertEqual(code, 1, out)
        self.assertIn("config.ini:5: warning: [TASK_1] RET_0x00000000: '4294967298' does not fit in 32 bits: "
                      "Update reads it as 2", out)
        self.assertIn("config.ini:8: warning: [TASK_2] Data: '99999999999' does not fit in 32 bits: the run ends "
                      "with exit code 1215752191", out)


if __name__ == "__main__":
    unittest.main()
