"""The device tools' executables: GUI subsystem, manifest and version resource.

Reads the built files directly; needs no Wine prefix.
"""
import struct
import unittest

from fwutest import BIN

TOOLS = {
    "Findling": "Device presence check",
    "Ailscan": "Device problem code check",
    "Romstamp": "Device firmware version check",
    "Unbinder": "Driver package removal",
    "Portscout": "USB device presence check",
}


def wide(text):
    return text.encode("utf-16-le")


class ToolExecutables(unittest.TestCase):
    def test_gui_subsystem_manifest_and_version(self):
        for name, description in TOOLS.items():
            with self.subTest(tool=name):
                data = (BIN / f"{name}.exe").read_bytes()
                pe = struct.unpack_from("<I", data, 0x3C)[0]
                self.assertEqual(data[pe:pe + 4], b"PE\0\0")
                subsystem = struct.unpack_from("<H", data, pe + 4 + 20 + 68)[0]
                self.assertEqual(subsystem, 2, "not a GUI-subsystem program")
                self.assertIn(b'<requestedExecutionLevel level="asInvoker"', data)
                dpi_aware = b">true</dpiAware>" in data
                self.assertEqual(dpi_aware, name == "Unbinder")
                for text in ("OriginalFilename", f"{name}.exe", "InternalName", description, "FileVersion"):
                    self.assertIn(wide(text), data, f"version resource lacks {text!r}")


if __name__ == "__main__":
    unittest.main()
