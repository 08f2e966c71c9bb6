"""Fixture devices for the device tools' end-to-end tests.

devfixture.exe (tests/harness) creates root-enumerated devices in the
module's throwaway prefix with the hardware IDs and properties a test asks
for, and removes them again.
"""
import time

from fwutest import BIN, TESTBIN, log_lines, winpath

FIXTURE = TESTBIN / "devfixture.exe"


class Devices:
    def __init__(self, wine):
        self.wine = wine

    def fixture(self, *args, timeout=60):
        """Runs devfixture. A run that did not print "started" never began
        (Wine lost the start), so it is made again, at most twice."""
        for attempt in range(3):
            r = self.wine.wine(str(FIXTURE), *args, timeout=timeout)
            if r.stdout.startswith("started") or attempt == 2:
                return r
            time.sleep(1)

    def clear(self):
        r = self.fixture("/REMOVE")
        assert "removed" in r.stdout, (r.returncode, r.stdout, r.stderr)

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
        r = self.fixture(*args, timeout=600)
        ids = [line[8:] for line in r.stdout.splitlines() if line.startswith("created ")]
        assert r.returncode == 0 and ids, (r.returncode, r.stdout, r.stderr)
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
