"""Fixture devices for the device tools' end-to-end tests.

devfixture.exe (tests/harness) creates root-enumerated devices in the
module's throwaway prefix with the hardware IDs and properties a test asks
for, and removes them again.
"""
from fwutest import BIN, TESTBIN, log_lines, winpath

FIXTURE = TESTBIN / "devfixture.exe"


class Devices:
    def __init__(self, wine):
        self.wine = wine

    def clear(self):
        r = self.wine.wine(str(FIXTURE), "/REMOVE")
        assert "removed" in r.stdout, r.stdout

    def add(self, hwid=None, hwidsz=None, prob=None, fw=None, inf=None, iface=None, count=None, empty_inf=False):
        """Creates one device (or `count`); returns the instance IDs. With
        `empty_inf` its INF name is an empty string."""
        args = ["/EMPTYINF"] if empty_inf else []
        for key, value in (("HWID", hwid), ("HWIDSZ", hwidsz), ("PROB", prob), ("FW", fw), ("INF", inf),
                           ("IFACE", iface), ("COUNT", count)):
            if value is not None:
                if isinstance(value, (list, tuple)):
                    value = ("|" if key == "HWID" else ",").join(str(v) for v in value)
                args.append(f"/{key}:{value}")
        r = self.wine.wine(str(FIXTURE), *args, timeout=600)
        ids = [line[8:] for line in r.stdout.splitlines() if line.startswith("created ")]
        assert r.returncode == 0 and ids, r.stdout
        return ids


def run_tool(case, name, *args, log="run.log", env=None):
    """Runs a device tool with /LOG:; returns (exit code, event lines after the banner)."""
    path = case.tmp / log
    if path.exists():
        path.unlink()
    code = case.wine.run(BIN / f"{name}.exe", *args, f"/LOG:{winpath(path)}", env=env)
    lines = log_lines(path)
    case.assertRegex(lines[0], rf"^\*{{10}} {name} - \d{{4}}/\d\d/\d\d - \d\d:\d\d:\d\d \*{{10}}$")
    case.assertEqual(lines[1], f"LOG mode ({winpath(path)}).")
    return code, lines[2:]
