"""Portscout under Wine against fixture devices with USB device interfaces."""
import unittest

from fwutest import BIN, WineTestCase, prefix
from devtools_fixture import Devices, run_tool

HUB, BILLBOARD, DEVICE, HOST = 0, 1, 2, 3


class PortscoutRuns(WineTestCase):
    @classmethod
    def setUpClass(cls):
        devices = Devices(prefix())
        devices.clear()
        devices.add(hwid=r"USB\VID_1234&PID_5678&REV_0100|USB\VID_1234&PID_5678", iface=DEVICE)
        devices.add(hwid=r"usb\vid_0abc&pid_0def&rev_0001|usb\vid_0abc&pid_0def", iface=DEVICE)
        devices.add(hwid=r"USB\ROOT_HUB30&VID_2222&PID_0001", iface=HUB)
        devices.add(hwid=r"PCI\VEN_3333&DEV_0003|USB\VID_3333&PID_0003&MI_00", iface=HOST)
        devices.add(hwidsz=r"USB\VID_4444&PID_0004", iface=BILLBOARD)
        devices.add(hwid=r"USB\VID_12345&PID_0001", iface=DEVICE)
        devices.add(hwid=r"USB\VID_0000&PID_0007", iface=DEVICE)
        devices.add(hwid=r"USB\VID_5555&PID_0005")                        # exposes no interface

    def test_hex_and_decimal_ids_give_the_same_search(self):
        for vid, pid in (("0x1234", "0x5678"), ("4660", "22136"), ("0X1234", "0x5678")):
            with self.subTest(vid=vid, pid=pid):
                code, lines = run_tool(self, "Portscout", f"/VID:{vid}", f"/PID:{pid}")
                self.assertEqual(code, 1)
                self.assertEqual(lines[0], "Target: VID=0x1234 PID=0x5678.")
                self.assertEqual(lines[-2:], [r"Found: USB\VID_1234&PID_5678&REV_0100.", "return 1."])
                self.assertTrue(all(line.startswith("Check: ") for line in lines[1:-2]))
                self.assertEqual(lines[-3], r"Check: USB\VID_1234&PID_5678&REV_0100.")

    def test_lower_case_ids_match_and_found_line_is_upper_cased(self):
        code, lines = run_tool(self, "Portscout", "/VID:0xabc", "/PID:0xDEF")
        self.assertEqual(code, 1)
        self.assertEqual(lines[-3:], [r"Check: usb\vid_0abc&pid_0def&rev_0001.",
                                      r"Found: USB\VID_0ABC&PID_0DEF&REV_0001.", "return 1."])

    def test_type_selects_the_interface_class(self):
        # (TYPE value, VID, PID, expected)
        for type_arg, vid, pid, expected in ((f"/TYPE:{HUB}", 0x2222, 1, 1),
                                             (f"/TYPE:{DEVICE}", 0x2222, 1, 0),
                                             (f"/TYPE:{BILLBOARD}", 0x4444, 4, 1),
                                             (f"/TYPE:{HOST}", 0x3333, 3, 1),
                                             (f"/TYPE:{HUB}", 0x1234, 0x5678, 0),
                                             ("/TYPE:7", 0x1234, 0x5678, 1),
                                             ("/TYPE:7", 0x2222, 1, 0),
                                             ("/TYPE:x", 0x1234, 0x5678, 1),
                                             (None, 0x4444, 4, 0)):
            with self.subTest(type=type_arg, vid=hex(vid)):
                args = [f"/VID:0x{vid:X}", f"/PID:{pid}"] + ([type_arg] if type_arg else [])
                code, lines = run_tool(self, "Portscout", *args)
                self.assertEqual(code, expected)
                self.assertEqual(lines[-1], f"return {expected}.")

    def test_hub_search_log_in_full(self):
        code, lines = run_tool(self, "Portscout", "/VID:0x2222", "/PID:0x0001", "/TYPE:0")
        self.assertEqual(code, 1)
        self.assertEqual(lines, ["Target: VID=0x2222 PID=0x0001.", r"Check: USB\ROOT_HUB30&VID_2222&PID_0001.",
                                 r"Found: USB\ROOT_HUB30&VID_2222&PID_0001.", "return 1."])

    def test_later_hardware_id_of_a_device_matches(self):
        code, lines = run_tool(self, "Portscout", "/VID:0x3333", "/PID:3", "/TYPE:3")
        self.assertEqual(code, 1)
        self.assertEqual(lines[1:], [r"Check: PCI\VEN_3333&DEV_0003.", r"Check: USB\VID_3333&PID_0003&MI_00.",
                                     r"Found: USB\VID_3333&PID_0003&MI_00.", "return 1."])

    def test_five_hex_digit_vendor_and_one_id_alone(self):
        code, lines = run_tool(self, "Portscout", "/VID:0x12345", "/PID:1")
        self.assertEqual((code, lines[0]), (1, "Target: VID=0x12345 PID=0x0001."))
        code, lines = run_tool(self, "Portscout", "/PID:7")
        self.assertEqual((code, lines[0], lines[-1]), (1, "Target: VID=0x0000 PID=0x0007.", "return 1."))

    def test_not_found(self):
        for vid, pid in (("0x5555", "5"), ("0x1234", "0x5679")):
            with self.subTest(vid=vid):
                code, lines = run_tool(self, "Portscout", f"/VID:{vid}", f"/PID:{pid}")
                self.assertEqual((code, lines[-1]), (0, "return 0."))
                self.assertFalse(any(line.startswith("Found: ") for line in lines))

    def test_both_ids_zero_gives_5(self):
        for args in ((), ("/VID:0ABC",), ("/VID:0", "/PID:0"), ("/VID:", "/PID:abc"), ("/VID:12 ",)):
            with self.subTest(args=args):
                code, lines = run_tool(self, "Portscout", *args)
                self.assertEqual((code, lines), (5, ["parameter error."]))
        self.assertEqual(self.wine.run(BIN / "Portscout.exe"), 5)


if __name__ == "__main__":
    unittest.main()
