"""Now-playing reporting end to end: the real DLL in the substitute host,
reporting to the stand-in service.

The fast build runs every timer VANTU_TIME_DIVISOR times faster: a poll
every P ms and a cooldown of C ms. Expectations are placed with `mark` lines
between the polls, so they hold however slowly Wine runs the whole script.
"""

import os
import re
import time
import unittest

import harness
from harness import Answer, StandinService, WineTestCase
from standin_service import REPORT_PATH

ACCOUNT_INI = "[Main]\r\nActive=1\r\nNickname=jo smith\r\nPassword=a&b=c+d%\r\n"
QUERY = re.compile(r"^query (\d+) ")


def intervals(build):
    """The poll and cooldown intervals of a build, as the DLL computes them."""
    poll = max(1, 5000 // build.divisor)
    cooldown = max(1, 60000 // build.divisor)
    return poll, cooldown


def report_bytes(build, artist, song, user="jo%20smith", password="a%26b=c%2Bd%25"):
    target = "/listen_in.php?version=110&username=%s&password=%s&artist=%s&song=%s" % (
        user, password, artist, song)
    return ("GET %s HTTP/1.1\r\nContent-Type: text/html\r\nHost: 127.0.0.1:%d\r\n"
            "Accept: text/html, */*\r\nUser-Agent: Mozilla/3.0 (compatible; Indy Library)\r\n\r\n"
            % (target, build.port)).encode("latin-1")


def script(*lines):
    return "\n".join(("load", "sethandles", "init") + lines + ("quit", "unload", "exit 0")) + "\n"


class TimedRun:
    """A host run whose lines are read as they come, each with the time it
    arrived, so they can be set beside the service's request times."""

    def __init__(self, run):
        self.lines = []
        self.times = {}
        while True:
            try:
                line = run.wait_for("")
            except AssertionError:
                break
            self.lines.append(line)
            self.times.setdefault(line, time.monotonic())
        self.result = run.finish()

    def between(self, first, last):
        """The lines after the line `first` and before the line `last`."""
        return self.lines[self.lines.index(first) + 1:self.lines.index(last)]

    def queries(self, first, last):
        return [line for line in self.between(first, last) if QUERY.match(line)]


class ReportingTest(WineTestCase):
    def setUp(self):
        super().setUp()
        self.poll, self.cooldown = intervals(self.build)
        if self.poll < 100:
            self.skipTest("marks between polls need a poll of 100 ms or more (divisor %d)" % self.build.divisor)

    def timed(self, text, ini=ACCOUNT_INI, timeout=60):
        return TimedRun(self.start_host(text, folder=self.player(ini=ini), timeout=timeout))

    def test_reports_each_new_song_once_at_the_expected_ticks(self):
        service = self.service()
        p, c = self.poll, self.cooldown
        run = self.timed(script(
            r"play C:\Music\Simon & Garfunkel - The Boxer.mp3|simon & garfunkel - the boxer",
            "wait %d" % (p * 3 // 2),
            "mark first tick",
            r"play C:\Music\skipped.wav|Someone - Unsupported",
            "wait %d" % p,
            r"play C:\Music\tnt.ogg|ac/dc - t.n.t.",
            "wait %d" % (c - 2 * p),
            "mark cooldown ends",
            "wait %d" % (p * 2),
            "mark second report",
            # The same song again, from another file and in other case.
            r"entry D:\Other\TNT.MP3|AC/DC - T.N.T.",
            "wait %d" % (c + 2 * p),
            "mark end"))
        self.assertCleanExit(run.result)

        requests = service.requests_to(REPORT_PATH)
        self.assertEqual([r.raw for r in requests], [
            report_bytes(self.build, "Simon%20And%20Garfunkel", "The%20Boxer"),
            report_bytes(self.build, "Ac/dc", "T.n.t."),
        ], str(run.result))
        self.assertEqual([r.param("password") for r in requests], ["a&b=c+d%"] * 2)

        # One tick before the first mark, with the queries in their order.
        self.assertEqual(run.queries("init -> 0", "mark first tick"), [
            "query 104 104 -> 1", "query 125 0 -> 1", 'query 211 1 -> "C:\\Music\\Simon & Garfunkel - The Boxer.mp3"',
            "query 125 0 -> 1", 'query 212 1 -> "simon & garfunkel - the boxer"'])
        self.assertLess(requests[0].received, run.times["mark first tick"])
        # Not one query while the cooldown runs, though the entry changed.
        self.assertEqual(run.queries("mark first tick", "mark cooldown ends"), [])
        self.assertGreater(requests[1].received, run.times["mark cooldown ends"])
        self.assertLess(requests[1].received, run.times["mark second report"])

    def test_refusal_switches_reporting_off_until_the_user_confirms(self):
        p, c = self.poll, self.cooldown
        cases = [
            ("refusal text", Answer.refuse("Falsches Passwort f\xfcr jo smith"), "Falsches Passwort f\\xfcr jo smith"),
            ("2xx body cut off", Answer.raw_bytes(b"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\nNur ein Teil"),
             "Nur ein Teil"),
        ]
        for name, answer, shown in cases:
            with self.subTest(name):
                service = StandinService(self.build.port)
                service.queue(REPORT_PATH, answer)
                service.start()
                self.addCleanup(service.stop)
                run = self.timed(script(
                    r"play C:\Music\a.mp3|A - One",
                    "wait %d" % (p * 3),
                    "mark dialog",
                    "dump",
                    r"play C:\Music\b.mp3|A - Two",
                    "wait %d" % (c + 2 * p),
                    "mark still off",
                    "click active",
                    "click ok",
                    "wait %d" % (p * 2),
                    "mark confirmed"))
                service.stop()
                self.assertCleanExit(run.result)
                self.assertIn("statusbar text=" + shown, run.lines, str(run.result))
                self.assertEqual(run.result.starting("window shown vantu settings"),
                                 ["window shown vantu settings"], str(run.result))
                self.assertLess(run.lines.index("window shown vantu settings"), run.lines.index("mark dialog"))
                # Reporting is off: the ticks stop before asking the host.
                self.assertEqual(run.queries("mark dialog", "mark still off"), [], str(run.result))
                self.assertIn('query 212 2 -> "A - Two"', run.between("mark still off", "mark confirmed"))
                songs = [r.param("song") for r in service.requests_to(REPORT_PATH)]
                self.assertEqual(songs, ["One", "Two"], str(run.result))

    def test_failed_reports_change_nothing(self):
        p, c = self.poll, self.cooldown
        cases = [
            ("404", Answer.not_found()),
            ("500 with a body", Answer.status(500, "Internal Server Error", b"oops")),
            ("closed without answer", Answer.close()),
            ("unreachable", None),
        ]
        for name, answer in cases:
            with self.subTest(name):
                service = StandinService(self.build.port)
                self.addCleanup(service.stop)
                if answer is not None:
                    service.queue(REPORT_PATH, answer)
                    service.start()
                with self.start_host(script(
                        r"play C:\Music\a.mp3|A - One",
                        "wait %d" % (p * 2),
                        "mark failed",
                        r"play C:\Music\b.mp3|A - Two",
                        "wait %d" % (c + 2 * p),
                        "mark end"), folder=self.player(ini=ACCOUNT_INI)) as run:
                    run.wait_for("mark failed")
                    if answer is None:
                        service.start()
                    result = run.finish()
                service.stop()
                self.assertCleanExit(result)
                self.assertFalse(result.starting("window shown vantu settings"), str(result))
                self.assertFalse(result.starting("messagebox"), str(result))
                songs = [r.param("song") for r in service.requests_to(REPORT_PATH)]
                self.assertEqual(songs, ["Two"] if answer is None else ["One", "Two"], str(result))

    def test_unload_while_a_report_is_still_running(self):
        """The host unloads while a worker has a report in flight, with the
        dialog open. A worker cancelled at quit ends within quit's wait; one
        held before it connects outlives it and gives back the last
        reference on its own thread later. A name lookup that does not
        answer lets its worker go at quit and holds the library on a thread
        of its own until it ends. Either way the host must live on: a window
        of ours left behind with its code unmapped crashes the next message
        loop."""
        if not self.build.test_hooks:
            self.skipTest("the build has no VANTU_TEST_HOOKS")
        # (case, what the host holds, host calls quit, the service's answer,
        #  reports it receives, mapped right after unload, mapped once the
        #  hold is over)
        cases = [
            # Quit's wait ends when the worker leaves the list, a moment before
            # its thread gives the reference back: either may unload us.
            ("cancelled within quit's wait", None, True, Answer.never(), 1, None, "0"),
            ("held past quit's wait", "reports", True, Answer.accept(), 0, "1", "0"),
            # The run keeps the library: only quit, on this thread, ends it.
            ("held, the host unloads without quit", "reports", False, Answer.accept(), 1, "1", "1"),
            ("a name lookup hangs past quit", "lookups", True, Answer.accept(), 0, "1", "0"),
        ]
        for name, held, quits, answer, reports, mapped_after_unload, mapped_at_end in cases:
            with self.subTest(name):
                hold = ["hold%s on" % held] if held else []
                release = ["hold%s off" % held] if held else []
                # A held lookup runs on a thread of its own beside its worker.
                in_flight = 2 if held == "lookups" else 1
                service = StandinService(self.build.port)
                service.set_default(REPORT_PATH, answer)
                service.start()
                self.addCleanup(service.stop)
                result = self.run_host("\n".join(
                    ["load", "sethandles"] + hold + [
                        "stats", "init", "config",
                        r"play C:\Music\a.mp3|A - B",
                        "wait %d" % (self.poll * 2),
                        "mark in flight",
                        "stats"] + ["quit"] * quits + [
                        "unload", "mapped",
                        "wait 500",
                        "mark unloaded",
                        "dump"] + release + [
                        "wait 4000",
                        "mapped",
                        "stats",
                        "mark worker done",
                        "dump",
                        # A fresh load finds the header as in the image only
                        # when every reference, the worker's included, has
                        # been given back.
                        "load", "unload",
                        "exit 0"]) + "\n", folder=self.player(ini=ACCOUNT_INI))
                service.stop()
                self.assertCleanExit(result)
                self.assertEqual(len(service.requests_to(REPORT_PATH)), reports, str(result))
                threads = [int(harness.parse_fields(line)["threads"]) for line in result.starting("stats")]
                self.assertEqual(threads[1], threads[0] + in_flight, "the worker was not running at quit: %s" % result)
                self.assertEqual(threads[2], threads[0], "the worker outlived its release: %s" % result)
                mapped = [line.split()[1] for line in result.starting("mapped ")]
                self.assertEqual(len(mapped), 2, str(result))
                if mapped_after_unload is not None:
                    self.assertEqual(mapped[0], mapped_after_unload, "right after unload: %s" % result)
                self.assertEqual(mapped[1], mapped_at_end, "once the worker is done: %s" % result)
                # Quit ends the dialog on this thread; without quit it stays usable.
                dialogs = [harness.parse_fields(line) for line in result.starting("dialog exists=")]
                self.assertEqual([d["exists"] for d in dialogs], ["0" if quits else "1"] * 2, str(result))
                headers = result.starting("header ")
                self.assertEqual(len(headers), 2, str(result))
                fresh = "window=00000000" in headers[1]
                self.assertEqual(fresh, mapped_at_end == "0", "the second load: %s" % result)
                self.assertEqual(result.starting("unload -> "), ["unload -> 1", "unload -> 1"])


class ReleaseTimingTest(WineTestCase):
    build_kind = "slow"

    def test_first_poll_comes_five_seconds_after_init(self):
        service = self.service()
        result = self.run_host(script(
            r"play C:\Music\a.mp3|A - B",
            "wait 4600", "mark early",
            "wait 800", "mark late"), folder=self.player(ini=ACCOUNT_INI))
        self.assertCleanExit(result)
        before = result.lines[:result.index("mark early")]
        self.assertFalse([line for line in before if QUERY.match(line)], str(result))
        window = result.lines[result.index("mark early"):result.index("mark late")]
        self.assertIn("query 104 104 -> 1", window, str(result))
        self.assertEqual(len(service.wait_for_requests(1, REPORT_PATH, timeout=5)), 1, str(result))


class ReportingSoakTest(WineTestCase):
    WARM_UP_SONGS = 30
    SONGS = 300

    build_kind = "soak"

    def test_handles_and_memory_stay_flat_over_hundreds_of_reports(self):
        poll, cooldown = intervals(self.build)
        poll = max(poll, 10)  # the system's shortest window-timer interval
        # Each song plays through the cooldown and a few polls, so each one is
        # reported once.
        hold = cooldown + 3 * poll
        service = self.service()

        def songs(first, count):
            for number in range(first, first + count):
                yield r"play C:\Soak\song%d.mp3|artist %d - song %d" % (number, number, number)
                yield "wait %d" % hold

        total = self.WARM_UP_SONGS + self.SONGS
        lines = ["load", "sethandles", "init", "quiet on"]
        lines += songs(0, self.WARM_UP_SONGS)
        lines += ["stats"]
        lines += songs(self.WARM_UP_SONGS, self.SONGS)
        lines += ["wait 1000", "stats", "quit", "unload", "wait 500", "stats", "exit 0"]
        started = time.monotonic()
        result = self.run_host("\n".join(lines) + "\n", folder=self.player(ini=ACCOUNT_INI), timeout=240)
        seconds = time.monotonic() - started
        self.assertCleanExit(result)

        stats = [harness.parse_fields(line) for line in result.starting("stats")]
        warm, end, unloaded = ({key: int(value) for key, value in fields.items()} for fields in stats)
        songs_reported = [r.param("song") for r in service.requests_to(REPORT_PATH)]
        polls = int(seconds * 1000 / poll)
        print("\nsoak: %d songs in %.1f s, about %d polls every %d ms, %d reports (cooldown %d ms)"
              % (total, seconds, polls, poll, len(songs_reported), cooldown))
        for name, fields in (("after warm-up", warm), ("after the soak", end), ("after unload", unloaded)):
            print("soak: %-15s handles=%d private=%d working=%d threads=%d gdi=%d user=%d" % (
                name, fields["handles"], fields["private"], fields["working"], fields["threads"],
                fields["gdi"], fields["user"]))

        # Every song once, in order; a song lost to a late timer is allowed
        # for, a song reported twice is not.
        self.assertEqual(len(songs_reported), len(set(songs_reported)), songs_reported)
        numbers = [int(song.split()[-1]) for song in songs_reported]
        self.assertEqual(numbers, sorted(numbers))
        self.assertGreaterEqual(len(songs_reported), total * 9 // 10)

        self.assertLessEqual(end["handles"] - warm["handles"], 4, "handles grew")
        self.assertEqual(end["threads"], warm["threads"], "workers left running")
        self.assertEqual((end["gdi"], end["user"]), (warm["gdi"], warm["user"]), "GUI objects leaked")
        # Less than 1 KiB per report: a leaked client, thread or request text
        # costs far more.
        self.assertLess(end["private"] - warm["private"], self.SONGS * 1024, "memory grew")


if __name__ == "__main__":
    unittest.main()
