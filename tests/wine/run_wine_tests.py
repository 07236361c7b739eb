#!/usr/bin/env python3
"""Runs every tests/wine/test_*.py against a cross build under Wine and Xvfb.

Ends with one line "N passed, N failed" (", N skipped" when any were
skipped); the exit status is non-zero when any test failed.
"""

import argparse
import os
import signal
import sys
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)


class Watchdog:
    """Ends every Wine process when one test runs longer than the limit, so
    that a hang fails that test instead of the whole run."""

    def __init__(self, seconds):
        self.seconds = seconds
        self._timer = None

    def arm(self):
        self.disarm()
        self._timer = threading.Timer(self.seconds, self._fire)
        self._timer.daemon = True
        self._timer.start()

    def disarm(self):
        if self._timer:
            self._timer.cancel()
            self._timer = None

    def _fire(self):
        import harness
        print("watchdog: a test ran longer than %d s; killing Wine" % self.seconds, file=sys.stderr, flush=True)
        harness.kill_wine()


class Result(unittest.TextTestResult):
    watchdog = None

    def startTest(self, test):
        self._began = time.monotonic()
        self.watchdog.arm()
        super().startTest(test)

    def stopTest(self, test):
        self.watchdog.disarm()
        super().stopTest(test)
        if self.showAll:
            self.stream.writeln("    (%.1f s)" % (time.monotonic() - self._began))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dll-build", default=os.path.join("build", "dll-test"),
                        help="cross build with a fast VANTU_TIME_DIVISOR and the stand-in service's URL")
    parser.add_argument("--slow-dll-build",
                        help="cross build with VANTU_TIME_DIVISOR=1 (tests of the real timing)")
    parser.add_argument("-k", dest="patterns", action="append", default=[],
                        help="only tests whose name matches (substring or fnmatch pattern); repeatable")
    parser.add_argument("--test-timeout", type=int, default=300, help="seconds before the watchdog steps in")
    parser.add_argument("-q", "--quiet", action="store_true", help="dots instead of one line per test")
    args = parser.parse_args()

    os.environ["VANTU_DLL_BUILD"] = os.path.abspath(args.dll_build)
    if args.slow_dll_build:
        os.environ["VANTU_SLOW_DLL_BUILD"] = os.path.abspath(args.slow_dll_build)

    # A terminated run still stops its Wine processes and Xvfb.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    import harness
    try:
        harness.build("fast")
        harness.environment()
    except harness.HarnessError as error:
        print("run_wine_tests: %s" % error, file=sys.stderr)
        print("0 passed, 1 failed")
        return 2

    loader = unittest.TestLoader()
    if args.patterns:
        loader.testNamePatterns = [p if "*" in p else "*%s*" % p for p in args.patterns]
    suite = loader.discover(HERE, pattern="test_*.py", top_level_dir=HERE)

    Result.watchdog = Watchdog(args.test_timeout)
    runner = unittest.TextTestRunner(stream=sys.stdout, verbosity=1 if args.quiet else 2, resultclass=Result)
    began = time.monotonic()
    try:
        result = runner.run(suite)
    finally:
        harness.shutdown()
    failed = len(result.failures) + len(result.errors) + len(result.unexpectedSuccesses)
    skipped = len(result.skipped)
    passed = result.testsRun - failed - skipped
    summary = "%d passed, %d failed" % (passed, failed)
    if skipped:
        summary += ", %d skipped" % skipped
    print("wine tests took %.0f s" % (time.monotonic() - began))
    print(summary)
    return 1 if failed or result.testsRun == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
