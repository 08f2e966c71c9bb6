"""Prints the test classes of end-to-end modules, one `module.Class` a line,
as `python3 -m unittest module` would run them (inherited tests count for
the class that inherits them). The build lists them at configure time to
give a long module one ctest test per class.
  python3 caseclasses.py MODULE...
"""
import sys
import unittest


def classes(suite):
    for test in suite:
        if isinstance(test, unittest.TestSuite):
            yield from classes(test)
        else:
            yield test.id().rsplit(".", 1)[0]


def main(modules):
    loader = unittest.TestLoader()
    for module in modules:
        suite = loader.loadTestsFromName(module)
        if loader.errors:  # a module that does not import: no list at all
            print("\n".join(loader.errors), file=sys.stderr)
            return 1
        seen = []
        for name in classes(suite):
            if name not in seen:
                seen.append(name)
        print("\n".join(seen))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
