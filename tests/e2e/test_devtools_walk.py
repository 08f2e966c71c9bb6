"""Findling, Ailscan and Romstamp under Wine against fixture devices."""
import unittest

from fwutest import BIN, WineTestCase, prefix
from devtools_fixture import Devices, run_tool

BOTH_IDS = r"USB\VID_1234&PID_5678&REV_0100|USB\VID_1234&PID_5678"


class DeviceWalkTools(WineTestCase):
    @classmethod
    def setUpClass(cls):
        devices = Devices(prefix())
        devices.clear()
        # Enumerated in this order (ROOT\FWUFIXTURE\0000, 0001, ...).
        devices.add(hwid=BOTH_IDS, prob=9, fw="1.10", inf="oem12.inf")
        devices.add(hwidsz=r"ROOT\FWU_SINGLE_0001", prob=0, fw="1.2A")
        devices.add(hwid=r"PCI\VEN_FEED&DEV_0001")                      # no problem code, no firmware version
        devices.add(hwid=r"PCI\VEN_FEED&DEV_0002", prob=28, fw="2.0")
        devices.add(hwid=r"ACPI\FWU_BIG", prob=1000000000, fw="x")     # ten decimal digits
        devices.add(hwid=r"ACPI\FWU_NEG", prob=0xFFFFFFFF)             # -1 as a signed number

    # --- Findling -----------------------------------------------------------

    def test_findling_leading_part_matches_and_logs_the_device_entry(self):
        code, lines = run_tool(self, "Findling", r"/HwID:USB\VID_1234&PID_5678")
        self.assertEqual(code, 0)
        self.assertEqual(lines, [r"Target HwID: USB\VID_1234&PID_5678.",
                                 r"Match HwID [USB\VID_1234&PID_5678&REV_0100].", "return 0."])

    def test_findling_target_anywhere_key_any_case(self):
        for arg in ("/HwID:PID_5678", r"/hwid:USB\VID_1234", "-HWID:5678&REV", r"/HwID:ROOT\FWU_SINGLE"):
            with self.subTest(arg=arg):
                code, lines = run_tool(self, "Findling", arg)
                self.assertEqual(code, 0)
                self.assertEqual(lines[-1], "return 0.")

    def test_findling_single_string_hardware_id(self):
        code, lines = run_tool(self, "Findling", "/HwID:FWU_SINGLE")
        self.assertEqual((code, lines[1]), (0, r"Match HwID [ROOT\FWU_SINGLE_0001]."))

    def test_findling_case_sensitive_no_match_gives_6(self):
        code, lines = run_tool(self, "Findling", r"/HwID:usb\vid_1234")
        self.assertEqual(code, 6)
        self.assertEqual(lines, [r"Target HwID: usb\vid_1234.", "return 6."])

    def test_findling_missing_or_empty_option_gives_5(self):
        self.assertEqual(self.wine.run(BIN / "Findling.exe"), 5)
        self.assertEqual(self.wine.run(BIN / "Findling.exe", "/HwID"), 5)
        code, lines = run_tool(self, "Findling", "/HwID:")
        self.assertEqual((code, lines), (5, ["Target HwID: ."]))

    # --- Ailscan --------------------------------------------------------------

    def test_ailscan_compares_problem_code_as_text(self):
        for value, expected in (("9", 0), ("10", 1), ("90", 0xFFFFFFFF), ("8", 1)):
            with self.subTest(value=value):
                code, lines = run_tool(self, "Ailscan", "/HwID:PID_5678", f"/ProbCode:{value}")
                self.assertEqual(code, expected)
                signed = expected - (1 << 32) if expected >= 1 << 31 else expected
                self.assertEqual(lines, ["Target HwID: PID_5678.", f"Target ProbCode: {value}.",
                                         r"Match HwID [USB\VID_1234&PID_5678&REV_0100].", "ProbCode= [9].",
                                         f"return {signed}."])

    def test_ailscan_zero_against_zero(self):
        code, lines = run_tool(self, "Ailscan", "/HwID:FWU_SINGLE", "/ProbCode:0")
        self.assertEqual((code, lines[3]), (0, "ProbCode= [0]."))

    def test_ailscan_renders_large_and_negative_problem_codes_whole(self):
        code, lines = run_tool(self, "Ailscan", "/HwID:FWU_BIG", "/ProbCode:1000000000")
        self.assertEqual((code, lines[3]), (0, "ProbCode= [1000000000]."))
        code, lines = run_tool(self, "Ailscan", "/HwID:FWU_NEG", "/ProbCode:-1")
        self.assertEqual((code, lines[3]), (0, "ProbCode= [-1]."))

    def test_ailscan_first_match_without_problem_code_gives_8(self):
        code, lines = run_tool(self, "Ailscan", r"/HwID:PCI\VEN_FEED", "/ProbCode:28")
        self.assertEqual(code, 8)
        self.assertEqual(lines, [r"Target HwID: PCI\VEN_FEED.", "Target ProbCode: 28.",
                                 r"Match HwID [PCI\VEN_FEED&DEV_0001].", "return 8."])
        # The later device does have one; it is found when targeted alone.
        code, _ = run_tool(self, "Ailscan", r"/HwID:PCI\VEN_FEED&DEV_0002", "/ProbCode:28")
        self.assertEqual(code, 0)

    def test_ailscan_no_match_and_missing_options(self):
        code, lines = run_tool(self, "Ailscan", r"/HwID:PCI\VEN_DEAD", "/ProbCode:1")
        self.assertEqual((code, lines[-1]), (6, "return 6."))
        code, lines = run_tool(self, "Ailscan", r"/HwID:PCI\VEN_1234")
        self.assertEqual((code, lines), (5, [r"Target HwID: PCI\VEN_1234.", "Target ProbCode: ."]))
        code, lines = run_tool(self, "Ailscan", "/ProbCode:3")
        self.assertEqual((code, lines), (5, ["Target HwID: .", "Target ProbCode: 3."]))
        self.assertEqual(self.wine.run(BIN / "Ailscan.exe", "/HwID:PID_5678", "/Ver:9"), 5)

    # --- Romstamp -------------------------------------------------------------

    def test_romstamp_compares_versions_as_text_ignoring_case(self):
        for hwid, value, expected, found in (("PID_5678", "1.9", 0xFFFFFFFF, "1.10"),
                                             ("PID_5678", "1.10", 0, "1.10"),
                                             ("PID_5678", "1.1", 1, "1.10"),
                                             ("FWU_SINGLE", "1.2a", 0, "1.2A"),
                                             ("FWU_SINGLE", "1.2B", 0xFFFFFFFF, "1.2A")):
            with self.subTest(hwid=hwid, value=value):
                code, lines = run_tool(self, "Romstamp", f"/HwID:{hwid}", f"/Ver:{value}")
                self.assertEqual(code, expected)
                signed = -1 if expected == 0xFFFFFFFF else expected
                self.assertEqual(lines[0:2], [f"Target HwID: {hwid}.", f"Target Fw Ver: {value}."])
                self.assertEqual(lines[3:], [f"FW Ver= [{found}].", f"return {signed}."])

    def test_romstamp_first_match_without_version_gives_8(self):
        code, lines = run_tool(self, "Romstamp", r"/HwID:PCI\VEN_FEED", "/Ver:2.0")
        self.assertEqual((code, lines[-1]), (8, "return 8."))
        self.assertNotIn("FW Ver= [2.0].", lines)

    def test_romstamp_missing_options_and_no_match(self):
        code, lines = run_tool(self, "Romstamp", "/HwID:PID_5678", "/ProbCode:9")
        self.assertEqual((code, lines), (5, ["Target HwID: PID_5678.", "Target Fw Ver: ."]))
        code, lines = run_tool(self, "Romstamp", "/HwID:NOSUCH", "/Ver:1")
        self.assertEqual((code, lines), (6, ["Target HwID: NOSUCH.", "Target Fw Ver: 1.", "return 6."]))


if __name__ == "__main__":
    unittest.main()
