"""The options dialog in the substitute host, driven by window messages the
way a person would use it: typing into the boxes, ticking Active, pressing
the buttons, closing and moving the window.

The helpers at the top (script pieces and the parsed `dump`) are shared with
test_dialog_layout.py.
"""

import os
import subprocess
import time
import unittest
import urllib.parse

import harness
from harness import Answer, StandinService, parse_fields, unescape
from standin_service import FullListenQueue, LateService

CAPTION = "vantu settings"
START = "load\nsethandles\ninit\nwait 100\n"
END = "quit\nunload\n"
VERIFY_PATH = "/verify_user.php"
REPORT_PATH = "/listen_in.php"
HOME_PAGE = "http://www.vantu.fm/"
REFUSED = "Socket-Fehler # 10061\r\nVerbindung abgelehnt."
WITH_ACCOUNT = "[Main]\r\nActive=1\r\nNickname=anna\r\nPassword=geheim\r\n"


def script(*parts):
    return "".join(part if part.endswith("\n") else part + "\n" for part in parts)


def snapshot(name):
    """Script lines that dump the dialog under the given name."""
    return "mark %s\ndump\n" % name


class Dump:
    """One `dump` of the dialog: its own fields, each control's fields (texts
    unescaped) and the status bar's text."""

    def __init__(self, fields):
        self.dialog = fields
        self.controls = {}
        self.status = None

    def __getitem__(self, control):
        return self.controls[control]

    def text(self, control):
        return self.controls[control]["text"]

    def checked(self, control):
        return self.controls[control]["checked"] == "1"

    @property
    def visible(self):
        return self.dialog["visible"] == "1"

    def window_rect(self):
        return tuple(int(v) for v in self.dialog["window"].split(","))


def dumps(result):
    """The dumps of a host run by the name of the mark before each."""
    found, name, current = {}, None, None
    for line in result.lines:
        if line.startswith("mark "):
            name = line[len("mark "):]
        elif line.startswith("dialog exists="):
            current = found[name] = Dump(parse_fields(line))
        elif line.startswith("control ") and current is not None:
            fields = parse_fields(line)
            fields["text"] = unescape(fields.get("text", ""))
            current.controls[line.split()[1]] = fields
        elif line.startswith("statusbar text=") and current is not None:
            current.status = unescape(line[len("statusbar text="):])
    return found


def as_status_bar_keeps(text):
    """Wine's status bar stores every non-printable character of a text as a
    space, so a message with CR LF reads back with two spaces there."""
    return "".join(c if c.isprintable() else " " for c in text)


def query_value(request, name):
    """A request parameter percent-decoded as the service reads it: bytes,
    shown as Windows-1252."""
    raw = request.param(name, decoded=False)
    return None if raw is None else urllib.parse.unquote_to_bytes(raw.encode("latin-1")).decode("cp1252")


def message_boxes(result):
    return [parse_fields(line) for line in result.starting("messagebox ")]


class DialogTestCase(harness.WineTestCase):
    def run_dialog(self, body, folder=None, ini=None):
        """Runs START + body + END; the host must end cleanly."""
        folder = folder or self.player(ini=ini)
        result = self.run_host(script(START, body, END), folder)
        self.assertCleanExit(result)
        return result, dumps(result)


class FirstStartTest(DialogTestCase):
    def test_first_start_shows_defaults_and_reports_nothing_until_ok(self):
        service = self.service()
        service.set_default(REPORT_PATH, Answer.accept())
        folder = self.player()
        ticks = 4 * 5000 // self.build.divisor  # four poll periods
        result = self.run_host(script(
            # Dumped before any message is pumped: the dialog came up inside init.
            "load\nsethandles\ninit\n", snapshot("start"),
            "play C:\\Music\\abba.mp3|ABBA - Waterloo\nwait %d\n" % ticks, snapshot("before ok"),
            "settext username anna\nsettext password geheim\nclick ok\nwait %d\n" % ticks,
            snapshot("after ok"), END), folder)
        self.assertCleanExit(result)
        seen = dumps(result)

        start = seen["start"]
        self.assertTrue(start.visible)
        self.assertEqual(start.dialog["active"], "1", str(result))
        self.assertEqual(start.dialog["focus"], "username")
        self.assertEqual((start.text("username"), start.text("password")), ("", ""))
        self.assertTrue(start.checked("active"), "Active is ticked on the first start")
        self.assertEqual(start.status, "")

        self.assertTrue(seen["before ok"].visible)
        reports = service.requests_to(REPORT_PATH)
        self.assertTrue(reports, "a report after OK with Active ticked: %s" % result)
        self.assertEqual(query_value(reports[0], "username"), "anna")
        self.assertFalse(seen["after ok"].visible)
        self.assertEqual(folder.ini_bytes(), b"[Main]\r\nActive=1\r\nNickname=anna\r\nPassword=geheim\r\n")

    def test_nothing_is_reported_or_written_before_ok(self):
        service = self.service()
        folder = self.player()
        ticks = 4 * 5000 // self.build.divisor
        result, seen = self.run_dialog(
            "play C:\\Music\\abba.mp3|ABBA - Waterloo\nwait %d\nclick cancel\nwait %d\n" % (ticks, ticks)
            + snapshot("after cancel"), folder)
        self.assertEqual(service.requests_to(REPORT_PATH), [], str(result))
        self.assertIsNone(folder.ini_bytes(), "Cancel writes nothing")
        self.assertFalse(seen["after cancel"].visible)


class EditingTest(DialogTestCase):
    def test_ok_saves_what_was_typed_and_the_next_show_shows_it(self):
        folder = self.player()
        result, seen = self.run_dialog(
            "settext username J\\xfcrgen M\\xfcller\nsettext password p w&=;\nclick active\n"
            "click ok\nwait 100\n" + snapshot("saved") + "config\nwait 100\n" + snapshot("shown again"),
            folder)
        self.assertFalse(seen["saved"].visible, str(result))
        self.assertEqual(folder.ini_bytes(),
                         b"[Main]\r\nActive=0\r\nNickname=J\xfcrgen M\xfcller\r\nPassword=p w&=;\r\n")
        again = seen["shown again"]
        self.assertTrue(again.visible)
        self.assertEqual(again.text("username"), "J\xfcrgen M\xfcller")
        self.assertEqual(again.text("password"), "p w&=;")
        self.assertFalse(again.checked("active"))

    def test_cancel_discards_the_edits(self):
        folder = self.player(ini=WITH_ACCOUNT)
        result, seen = self.run_dialog(
            "config\nwait 100\nsettext username someone else\nsettext password x\nclick active\n"
            "click cancel\nwait 100\n" + snapshot("cancelled") + "config\nwait 100\n" + snapshot("shown again"),
            folder)
        self.assertFalse(seen["cancelled"].visible, str(result))
        self.assertEqual(folder.ini_bytes(), WITH_ACCOUNT.encode("latin-1"), "Cancel writes nothing")
        again = seen["shown again"]
        self.assertEqual((again.text("username"), again.text("password")), ("anna", "geheim"))
        self.assertTrue(again.checked("active"))

    def test_password_shows_stars_but_keeps_its_text(self):
        result, seen = self.run_dialog("settext password s3cr3t\n" + snapshot("typed"))
        self.assertEqual(seen["typed"].text("password"), "s3cr3t", str(result))
        style = int(seen["typed"]["password"]["style"], 16)
        self.assertTrue(style & 0x20, "ES_PASSWORD")

    def test_typing_stops_at_what_the_settings_file_keeps(self):
        # The file reads back at most 2047 characters, so the boxes take no
        # more: nothing typed is cut silently at the next start.
        folder = self.player()
        name, password = "n" * 2100, "p" * 2100
        result, seen = self.run_dialog(
            "type username %s\ntype password %s\n" % (name, password) + snapshot("typed") +
            "click ok\nwait 100\n", folder)
        typed = seen["typed"]
        self.assertEqual((len(typed.text("username")), len(typed.text("password"))), (2047, 2047), str(result)[:500])
        self.assertEqual(folder.ini_bytes(), ("[Main]\r\nActive=1\r\nNickname=%s\r\nPassword=%s\r\n"
                                              % (name[:2047], password[:2047])).encode("latin-1"))

    def test_write_failure_shows_the_error_box_and_keeps_the_dialog_open(self):
        folder = self.player()
        os.makedirs(folder.ini_path)  # a folder where the file should be: every write fails
        result, seen = self.run_dialog(
            "settext username anna\nclick ok\nwait 100\n" + snapshot("after ok"), folder)
        boxes = message_boxes(result)
        self.assertEqual(len(boxes), 1, str(result))
        self.assertEqual(boxes[0]["caption"], "vantu_host")
        self.assertEqual(unescape(boxes[0]["text"]).lower(),
                         ("In %s kann nicht geschrieben werden." % harness.windows_path(folder.ini_path)).lower())
        self.assertEqual(boxes[0]["icon"], "1")
        self.assertTrue(seen["after ok"].visible, "the dialog stays open after a failed save")
        self.assertEqual(seen["after ok"].text("username"), "anna")


class ShowAndCloseTest(DialogTestCase):
    # Every way of closing hides the window; none destroys it or ends the
    # host's message loop.
    CLOSES = [
        ("OK", "click ok"),
        ("Cancel", "click cancel"),
        ("close box", "close"),
        ("Alt+F4", "altf4"),
    ]

    def test_every_close_hides_and_the_dialog_comes_back(self):
        for name, command in self.CLOSES:
            with self.subTest(close=name):
                result, seen = self.run_dialog(
                    "config\nwait 100\n%s\nwait %d\n" % (command, 2 * 1000 // self.build.divisor + 100)
                    + snapshot("closed") + "config\nwait 100\n" + snapshot("again"),
                    ini=WITH_ACCOUNT if name == "OK" else None)
                closed = seen["closed"]
                self.assertEqual(closed.dialog["exists"], "1", "%s destroyed the dialog: %s" % (name, result))
                # Hidden also after the raise timer's one tick, which brings it only to the front.
                self.assertFalse(closed.visible, "%s: %s" % (name, result))
                self.assertEqual(closed.dialog["active"], "0", "%s left the hidden dialog active" % name)
                self.assertTrue(seen["again"].visible, "%s: %s" % (name, result))
                self.assertEqual(seen["again"].dialog["active"], "1")

    def test_config_twice_gives_one_window_and_keeps_what_was_typed(self):
        result, seen = self.run_dialog(
            "settext username typed but not saved\nconfig\nwait 100\nconfig\nwait 100\n" + snapshot("twice"))
        self.assertEqual(len(result.starting("window shown " + CAPTION)), 1, str(result))
        # Showing a visible dialog does not refill it.
        self.assertEqual(seen["twice"].text("username"), "typed but not saved")
        self.assertEqual(seen["twice"].dialog["active"], "1")

    def test_centred_on_first_show_then_where_the_user_left_it(self):
        result, seen = self.run_dialog(
            snapshot("first") + "move 100 50\nclose\nwait 100\nconfig\nwait 100\n" + snapshot("moved"))
        left, top, right, bottom = seen["first"].window_rect()
        width, height = right - left, bottom - top
        self.assertEqual((left, top), ((1024 - width) // 2, (768 - height) // 2), str(result))
        self.assertEqual(seen["moved"].window_rect(), (100, 50, 100 + width, 50 + height))

    def test_quit_destroys_the_dialog_and_nothing_after_it_touches_the_settings(self):
        # The dialog goes at quit, on this thread: the unload may run under
        # the loader lock or on a report worker's thread, where it could not.
        folder = self.player()
        result = self.run_host(script(
            START, "quit\n", snapshot("after quit"),
            "config\nwait 100\n",
            "settext username after quit\nclick active\nclick ok\nwait 100\n", snapshot("after ok"),
            "unload\nwait 100\n", snapshot("after unload"),
            # A second load registers its window class afresh and works as the first.
            START, snapshot("reloaded"), "click cancel\nwait 100\n", snapshot("reloaded closed"), END), folder)
        self.assertCleanExit(result)
        seen = dumps(result)
        self.assertEqual(seen["after quit"].dialog["exists"], "0", "quit destroys the dialog:\n%s" % result)
        self.assertEqual(seen["after ok"].dialog["exists"], "0", "config after quit makes a dialog")
        self.assertFalse(seen["after ok"].visible, "OK after quit closes the dialog")
        self.assertIsNone(folder.ini_bytes(), "OK after quit must not save")
        self.assertEqual(seen["after unload"].dialog["exists"], "0", "unloading destroys the dialog")
        self.assertTrue(seen["reloaded"].visible)
        self.assertEqual(seen["reloaded"].text("username"), "")
        self.assertFalse(seen["reloaded closed"].visible)
        self.assertEqual(message_boxes(result), [])


class VerifyTest(DialogTestCase):
    # What is typed, how it must reach the service (percent-encoded so that a
    # query parser sees exactly what was typed), and the service's answer.
    CASES = [
        ("anna", "geheim", "Hallo anna"),
        ("", "", "Benutzername fehlt"),
        ("a b&c", "x+y%#", "OK"),
        ("J\xfcrgen", "pa\\ss", "Willkommen J\xfcrgen"),
    ]

    def test_verify_sends_the_typed_account_and_shows_the_answer(self):
        service = self.service()
        body = ""
        for index, (user, password, answer) in enumerate(self.CASES):
            service.queue(VERIFY_PATH, Answer.body(answer.encode("cp1252")))
            body += "settext username %s\nsettext password %s\nclick verify\n" % (
                escape(user), escape(password)) + snapshot("case %d" % index)
        folder = self.player()
        result, seen = self.run_dialog(body, folder)
        requests = service.requests_to(VERIFY_PATH)
        self.assertEqual(len(requests), len(self.CASES), str(result))
        for index, (user, password, answer) in enumerate(self.CASES):
            with self.subTest(user=user, password=password):
                self.assertEqual(query_value(requests[index], "username"), user)
                self.assertEqual(query_value(requests[index], "password"), password)
                self.assertEqual(requests[index].params[0], ("version", "110"))
                self.assertEqual(seen["case %d" % index].status, as_status_bar_keeps(answer))
        self.assertIsNone(folder.ini_bytes(), "Verify stores nothing")
        self.assertTrue(seen["case 0"].checked("active"), "Verify leaves Active alone")

    def test_unreachable_service_shows_the_socket_error_until_the_next_show(self):
        # Nothing listens on the build's port in this test.
        result, seen = self.run_dialog(
            "settext username anna\nclick verify\n" + snapshot("verified")
            + "config\nwait 100\n" + snapshot("config while visible")
            + "close\nwait 100\nconfig\nwait 100\n" + snapshot("shown from hidden"))
        self.assertEqual(seen["verified"].status, as_status_bar_keeps(REFUSED), str(result))
        self.assertEqual(seen["config while visible"].status, as_status_bar_keeps(REFUSED),
                         "the text stays while the dialog is up")
        self.assertEqual(seen["shown from hidden"].status, "", "showing from hidden clears the status bar")
        self.assertEqual(message_boxes(result), [])


class VerifyLimitTest(DialogTestCase):
    """Verify runs on the player's UI thread: whatever the server does, the
    call gives up at its one limit, which in the DLL is the real one: 15 s
    from the press to the answer's last byte, shared by the name lookup, the
    connect, the send and the answer. A stage that runs out before the
    request is sent says so as a connect time-out, one after it as a read
    time-out."""

    READ_TIMEOUT = "Zeit\xfcberschreitung beim Lesen"
    CONNECT_TIMEOUT = "Socket-Fehler # 10060\r\nZeit\xfcberschreitung bei Verbindung."
    TRICKLE = Answer.trickle(b"HTTP/1.1 200 OK\r\nX-Slow: ", every=2.0)

    def verify_held(self, before="", after=""):
        """Presses Verify (with the script lines before and after it);
        returns the seconds the dialog's thread was held, the status bar's
        text then, and the host's result."""
        with self.start_host(script(START, before, "settext username anna\nmark pressing\nclick verify\n",
                                    snapshot("verified"), after, END), timeout=90) as run:
            run.wait_for("mark pressing")
            pressed = time.monotonic()
            run.wait_for("mark verified")
            held = time.monotonic() - pressed
            result = run.finish()
        self.assertCleanExit(result)
        return held, dumps(result)["verified"].status, result

    def assertHeldForTheLimit(self, held, result):
        # The margin is far below the 6 s that a slow first stage adds where
        # the answer starts a limit of its own.
        self.assertGreater(held, 14.0, "ended before the limit: %s" % result)
        self.assertLess(held, 17.0, "held past the limit: %s" % result)

    def test_a_quick_connect_then_a_trickle_ends_at_the_limit(self):
        self.service().queue(VERIFY_PATH, self.TRICKLE)
        held, status, result = self.verify_held()
        self.assertEqual(status, self.READ_TIMEOUT, str(result))
        self.assertHeldForTheLimit(held, result)

    def test_a_slow_accept_then_a_trickle_ends_at_the_limit(self):
        # The listen queue is full for 6 s; the SYN the system retries at 7 s
        # gets in, the request goes out, and the answer trickles.
        late = LateService(self.service_port(), 6, lambda service: service.queue(VERIFY_PATH, self.TRICKLE)).start()
        try:
            held, status, result = self.verify_held()
        finally:
            late.stop()
        self.assertEqual(len(late.service.requests_to(VERIFY_PATH)), 1, "the request never went out: %s" % result)
        self.assertEqual(status, self.READ_TIMEOUT, str(result))
        self.assertHeldForTheLimit(held, result)

    def test_a_slow_name_lookup_then_a_trickle_ends_at_the_limit(self):
        if not self.build.test_hooks:
            self.skipTest("the build has no VANTU_TEST_HOOKS")
        service = self.service()
        service.queue(VERIFY_PATH, self.TRICKLE)
        held, status, result = self.verify_held(before="holdlookups on 6000\n", after="holdlookups off\n")
        self.assertEqual(len(service.requests_to(VERIFY_PATH)), 1, "the request never went out: %s" % result)
        self.assertEqual(status, self.READ_TIMEOUT, str(result))
        self.assertHeldForTheLimit(held, result)

    def test_a_wall_clock_set_during_a_trickle_moves_no_limit(self):
        # 1.5 s into the call the wall clock that the DLL reads goes back or
        # forward an hour, as a time sync or a machine waking up does.
        for offset in (-3600 * 1000, 3600 * 1000):
            with self.subTest(offset=offset):
                with StandinService(self.build.port) as service:
                    service.queue(VERIFY_PATH, self.TRICKLE)
                    held, status, result = self.verify_held(before="wallclock %d 1500\n" % offset)
                shifted = int(parse_fields(result.first("wallclock "))["imports"])
                self.assertGreater(shifted, 0, "nothing of the DLL reads the wall clock to move: %s" % result)
                self.assertEqual(status, self.READ_TIMEOUT, str(result))
                self.assertHeldForTheLimit(held, result)

    def test_a_name_lookup_that_does_not_answer_gives_up_at_the_limit(self):
        if not self.build.test_hooks:
            self.skipTest("the build has no VANTU_TEST_HOOKS")
        held, status, result = self.verify_held(before="holdlookups on\n", after="holdlookups off\nwait 500\n")
        self.assertEqual(status, as_status_bar_keeps(self.CONNECT_TIMEOUT), str(result))
        self.assertHeldForTheLimit(held, result)

    def test_a_full_listen_queue_gives_up_at_the_limit(self):
        full = FullListenQueue(self.service_port()).start()
        self.addCleanup(full.stop)
        held, status, result = self.verify_held()
        self.assertEqual(status, as_status_bar_keeps(self.CONNECT_TIMEOUT), str(result))
        self.assertHeldForTheLimit(held, result)


def escape(text):
    """A text as a host script argument (bytes above 127 and "\\" escaped)."""
    return "".join("\\\\" if c == "\\" else "\\x%02x" % ord(c) if ord(c) > 127 else c for c in text)


class RefusalTest(DialogTestCase):
    def test_refusal_while_hidden_brings_the_dialog_up_with_the_reason(self):
        service = self.service()
        service.queue(REPORT_PATH, Answer.refuse("Falsches Passwort f\xfcr anna"))
        folder = self.player(ini=WITH_ACCOUNT)
        ticks = 5 * 5000 // self.build.divisor
        with self.start_host(script(
                START, snapshot("before"), "play C:\\Music\\abba.mp3|ABBA - Waterloo\n",
                "wait %d\n" % ticks, snapshot("refused"), "close\nwait 100\nconfig\nwait 100\n",
                snapshot("shown again"), END), folder) as run:
            result = run.finish()
        self.assertCleanExit(result)
        seen = dumps(result)
        self.assertFalse(seen["before"].visible, "no dialog at start with an account: %s" % result)
        refused = seen["refused"]
        self.assertTrue(refused.visible, str(result))
        self.assertEqual(refused.status, "Falsches Passwort f\xfcr anna")
        self.assertFalse(refused.checked("active"), "the refusal switched reporting off")
        self.assertEqual(refused.text("username"), "anna")
        self.assertEqual(refused.dialog["focus"], "username")
        self.assertEqual(seen["shown again"].status, "", "the refusal is shown once")
        self.assertEqual(folder.ini_bytes(), WITH_ACCOUNT.encode("latin-1"), "a refusal writes nothing")


class LinkTest(DialogTestCase):
    """The links and the logo open the home page through the shell. The test
    prefix gets an http handler that writes what it was asked to open into a
    file, and the previous handler is put back afterwards."""

    # Wine's HKEY_CLASSES_ROOT does not look into HKCU\Software\Classes, so
    # the machine-wide handler is replaced for the test and restored after.
    HANDLER_KEY = r"HKCR\http\shell\open\command"

    def setUp(self):
        super().setUp()
        scratch = self.player().path
        self.opened = os.path.join(scratch, "opened.txt")
        saved = harness.windows_path(os.path.join(scratch, "handler.reg"))
        self.reg("export", self.HANDLER_KEY, saved, "/y")
        self.addCleanup(self.reg, "import", saved)
        self.reg("add", self.HANDLER_KEY, "/ve", "/d",
                 'C:\\windows\\system32\\cmd.exe /c echo %%1>>"%s"' % harness.windows_path(self.opened), "/f")

    def reg(self, *args):
        subprocess.run(harness.wine("reg", *args), env=harness.environment().env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def opened_urls(self, count, timeout=10.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if os.path.exists(self.opened):
                with open(self.opened, "rb") as opened:
                    lines = opened.read().decode("latin-1").split()
                if len(lines) >= count:
                    return lines
            time.sleep(0.1)
        return []

    def test_each_link_opens_the_home_page_and_the_dialog_stays(self):
        for link in ("website-link", "signup-link", "logo"):
            with self.subTest(link=link):
                if os.path.exists(self.opened):
                    os.remove(self.opened)
                result, seen = self.run_dialog("click %s\nwait 300\n" % link + snapshot("clicked"))
                self.assertEqual(self.opened_urls(1), [HOME_PAGE], "%s: %s" % (link, result))
                self.assertTrue(seen["clicked"].visible)
                self.assertEqual(message_boxes(result), [])

    def test_plain_labels_open_nothing(self):
        result, _ = self.run_dialog("click username-label\nclick no-account-label\nwait 300\n")
        self.assertEqual(self.opened_urls(1, timeout=1.0), [], str(result))


if __name__ == "__main__":
    unittest.main()
