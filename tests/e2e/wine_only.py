"""Answers the end-to-end tests can only take from Wine.

The tests run the real programs under Wine. Where Wine answers otherwise
than Windows and a test must still assert what Wine gives, the value lives
here and nowhere else: each entry holds Wine's value, the value Windows
gives beside it, and one line on why they differ. A test asserts `.wine`;
on Windows the same assertion holds with `.windows` (where that is one
value; a text says what Windows does where it is not). So this module is
also the list of what these tests do not show about Windows.
"""
from typing import NamedTuple, Optional


class Differs(NamedTuple):
    wine: object
    windows: object
    why: str


class Trust(NamedTuple):
    """How Update's trust check ends for one program: its exit code, and the
    result it logs ("  WinVerifyTrust return <result>."), None when the
    check passes and the program starts."""
    exit_code: int
    result: Optional[str]


# A program signed by a chain whose root no store of the machine holds.
UNKNOWN_ROOT = Differs(
    wine=Trust(exit_code=0, result=None),
    windows=Trust(exit_code=10, result="0x800B0109"),
    why="Wine's WinVerifyTrust does not check the chain's root; Windows refuses it with CERT_E_UNTRUSTEDROOT")

# WinVerifyTrust on a program file that does not exist.
MISSING_FILE_RESULT = Differs(
    wine="0x00000002",
    windows="an HRESULT such as 0x80070002",
    why="Wine passes the bare Win32 error of the failed open on; Windows answers an HRESULT")

# Model and firmware revision of the first IDE drive (Win32_DiskDrive).
DISK_MODEL = Differs(
    wine="Wine Disk Drive",
    windows="the drive's own model; no IDE drive at all on most NVMe and RST machines",
    why="Wine's WMI reports one IDE drive of its own making")
DISK_FIRMWARE = Differs(
    wine="",
    windows="the drive's FirmwareRevision",
    why="Wine's Win32_DiskDrive has no FirmwareRevision")

# The result of IELaunchURL for a URL task.
IELAUNCHURL_RESULT = Differs(
    wine="0x80004001",
    windows="S_OK: the browser starts and is waited for, no error line",
    why="Wine's ieframe.dll has no IELaunchURL: E_NOTIMPL")

# Whether a window that a program brings to the front (a fresh dialog, or the
# first instance raised by a second start) becomes the foreground window with
# an active caption, while another program's window had the foreground.
BROUGHT_TO_FRONT = Differs(
    wine=True,
    windows="not always: the foreground lock keeps it behind and flashes its taskbar button instead",
    why="Wine has no foreground lock (AllowSetForegroundWindow and LockSetForegroundWindow are stubs)")

# The owner shellprobe's "lockopen" gives the log lock it holds open. Wine
# grants an object's owner every standard right, so there the lock must
# belong to another account (Local System) for a writer to meet its DACL
# alone; on Windows the owner gets no WRITE_OWNER anyway.
LOCK_PROBE_OWNER = Differs(
    wine="system",
    windows="caller",
    why="Wine lets a process name any owner for an object it creates; Windows asks for SeRestorePrivilege")
