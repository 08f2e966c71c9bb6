"""Seeded random task lists that run without anyone at the machine.

Each list mixes the test program (testprog.exe, which exits with the code
given in /EXIT:) waited for or not, programs that are missing, go-to and
return-value tasks, message boxes and task dialogs (which answer 6 in a
silent run), restarts and shutdowns (which do nothing in a silent run), the
WOW64 and parameter tests, RET_ keys in odd spellings, targets that do not
exist, sections with negative numbers and tasks of no known type.

Every branch leads to a task that comes later in a fixed order (the
positive numbers upwards, then TASK_-2, then TASK_2147483647), so every
list ends, whatever its results: Update run on it must end too.
"""
import random

TESTPROG = "testprog.exe"
EXIT_CODES = [0, 1, 3, 6, 259, 3010, 0x7FFFFFFF, 0x80000001, 0xFFFFFFFE]
RETURN_DATA = ["0", "7", "3010", "0xBC2", "0x80000001", "0xFFFFFFFF", "-5", "12abc", "abc", "", "2147483648"]
BAD_TYPES = ["14", "99", "-1", "", None]
NEGATIVE = -2
TOP = 2147483647


def rank(number):
    """The order in which branches may go: never back, so every run ends."""
    if number == NEGATIVE:
        return 1 << 40
    if number == TOP:
        return 1 << 41
    return number


class TaskList:
    def __init__(self, seed):
        self.seed = seed
        self.sections = []   # [(name, {key: value})]
        self.results = {}    # task number -> exit code of its program
        self.verify_on = False
        self.kinds = set()   # the kinds of task in the list, and its odd spellings

    def ini_text(self):
        lines = []
        for name, keys in self.sections:
            lines.append(f"[{name}]")
            for k, v in keys.items():
                lines.append(f"{k}={v}")
            lines.append("")
        return "\r\n".join(lines) + "\r\n"

    def result_args(self):
        """--result options for TaskLint --trace: what each program gives."""
        args = []
        for n, code in sorted(self.results.items()):
            args += ["--result", f"{n}={code:#x}"]
        return args

    def describe(self):
        return f"seed {self.seed}:\n{self.ini_text()}"


def _number_text(rng, value):
    """A branch target as a packager might write it."""
    style = rng.random()
    if value == -1:
        return rng.choice(["-1", "0xFFFFFFFF", "-1"])
    if style < 0.7:
        return str(value)
    if style < 0.85 and value >= 0:
        return hex(value)
    if style < 0.93:
        return f" {value} "
    return f"{value}abc"


def _ret_key(rng, result):
    style = rng.random()
    if style < 0.8:
        return f"RET_0x{result:08X}"
    if style < 0.92:
        return f"ret_0x{result:08x}"
    # Not eight digits: Update never reads this key (unless the value has
    # eight digits anyway).
    return f"RET_0x{result:X}"


def generate(seed):
    rng = random.Random(seed)
    tl = TaskList(seed)
    tl.verify_on = rng.random() < 0.3
    tl.sections.append(("CERT", {"VERIFY": "ON" if tl.verify_on else "OFF"}))

    count = rng.randint(3, 10)
    numbers = list(range(1, count + 1))
    # Now and then a gap: the run falls into a missing section.
    if rng.random() < 0.3:
        numbers.remove(rng.randint(2, count))
    if rng.random() < 0.04:
        numbers.remove(1)
    extra = []
    if rng.random() < 0.35:
        extra.append(NEGATIVE)
    if rng.random() < 0.15:
        extra.append(TOP)
    all_numbers = numbers + extra
    highest = max(numbers)

    def targets_after(n):
        later = [m for m in all_numbers if rank(m) > rank(n)]
        missing = [m for m in (highest + 1, highest + 2, -7, 1000) if rank(m) > rank(n) or m in (-7, 1000)]
        return later, missing

    def pick_target(n):
        later, missing = targets_after(n)
        roll = rng.random()
        if roll < 0.78 and later:
            return rng.choice(later[:3])
        if roll < 0.84:
            return -1
        if roll < 0.92:
            return 0  # reads as "no key": n + 1
        return rng.choice(missing)

    def add_ret_keys(keys, n, actual, others):
        values = [actual] if actual is not None and rng.random() < 0.75 else []
        values += rng.sample(others, min(len(others), rng.randint(0, 2)))
        for v in dict.fromkeys(values):
            keys[_ret_key(rng, v)] = _number_text(rng, pick_target(n))

    for n in all_numbers:
        keys = {}
        if n in (NEGATIVE, TOP):
            tl.kinds.add(f"TASK_{n}")
        if n == NEGATIVE or n == TOP:
            kind = rng.choice(["program", "box", "return", "goto"])
        else:
            kind = rng.choices(
                ["program", "box", "dialog", "restart", "url", "wow64", "goto", "return", "param", "bad"],
                weights=[7, 1, 1, 1, 0.5, 0.5, 1.5, 0.8, 0.7, 0.4])[0]
        if kind == "program":
            code = rng.choice(EXIT_CODES)
            missing = rng.random() < 0.12
            keys["Type"] = "0"
            keys["Path"] = rng.choice(["missing.exe", "sub\\missing.exe"]) if missing else \
                rng.choice([TESTPROG, "TestProg.EXE"])
            exit_text = str(code) if code < 0x80000000 and rng.random() < 0.5 else f"0x{code:08X}"
            keys["Param"] = "/EXIT:99"
            keys["Param_S"] = f"/EXIT:{exit_text}"
            # Without Param_S, or with an empty one, the silent run starts
            # the program without arguments (never with Param): exit code 0.
            style = rng.random()
            if style < 0.14:
                if style < 0.07:
                    del keys["Param_S"]
                else:
                    keys["Param_S"] = ""
                code = 0
                tl.kinds.add("no Param_S")
            wait = rng.random() < 0.8
            keys["WaitExit"] = rng.choice(["TRUE", "true"]) if wait else rng.choice(["FALSE", "yes"])
            if not missing and rng.random() < 0.15:
                keys["Method"] = "ShellExecuteEx"
            if tl.verify_on:
                keys["Verify"] = "FALSE"
            if rng.random() < 0.15:
                keys["AfterWait"] = "20"
            if not missing:
                tl.results[n] = code
            actual = 0xFFFFFFFF if missing else (code if wait else 0)
            add_ret_keys(keys, n, actual, [0, 1, 6, 0xFFFFFFFF, 0x80000001])
        elif kind == "box":
            keys.update({"Type": "1", "MsgText": "Go on?", "MsgType": "MB_YESNO"})
            add_ret_keys(keys, n, 6, [7, 1, 2])
        elif kind == "dialog":
            keys.update({"Type": "10", "TD_MainInstruction": "Update", "TD_CommonButtons": "TDCBF_OK_BUTTON"})
            add_ret_keys(keys, n, 6, [1, 2])
        elif kind == "restart":
            keys["Type"] = rng.choice(["2", "3"])
            add_ret_keys(keys, n, 0xFFFFFFFF, [0, 1])
        elif kind == "url":
            keys.update({"Type": "4", "URL": "https://example.com/"})
            add_ret_keys(keys, n, 0, [1])
        elif kind == "wow64":
            keys["Type"] = "5"
            add_ret_keys(keys, n, 1, [0])
        elif kind == "param":
            keys.update({"Type": "12", "Data": rng.choice(["/s", "/S", "/DryRun", ""])})
            add_ret_keys(keys, n, None, [0, 1])
        elif kind == "goto":
            keys["Type"] = "9"
            if rng.random() < 0.85:
                keys["Goto"] = _number_text(rng, pick_target(n))
            # A go-to task ignores its RET_ keys.
            if rng.random() < 0.2:
                keys["RET_0x00000000"] = "1"
        elif kind == "return":
            keys.update({"Type": "11", "Data": rng.choice(RETURN_DATA)})
        else:
            bad = rng.choice(BAD_TYPES)
            if bad is not None:
                keys["Type"] = bad
            keys["Data"] = "1"
        tl.kinds.add(kind)
        if any(k.startswith("ret_") for k in keys):
            tl.kinds.add("lower-case key")
        if keys.get("Path", "").endswith("missing.exe"):
            tl.kinds.add("missing program")
        tl.sections.append((f"TASK_{n}", keys))
    return tl
