"""The substitute host itself: its script parsing, its output escapes, its
exit codes and its query answers, so that a fault in the tool is not taken
for a fault in the plug-in."""

from harness import WineTestCase


class ScriptTest(WineTestCase):
    def test_a_script_that_does_not_parse_runs_nothing(self):
        # (case, script, expected error)
        cases = [
            ("unknown command", "bogus", "line 1: unknown command bogus"),
            ("integer", "wait soon", "line 1: not an integer: soon"),
            ("entry without title", "play a.mp3", "line 1: expected <file>|<title>"),
            ("unknown control", "click okay", "line 1: unknown control: okay"),
            ("switch", "nulltext maybe", "line 1: expected on or off: maybe"),
            ("stray argument", "init now", "line 1: init takes no arguments"),
            ("missing argument", "move 10", "line 1: move needs more arguments"),
            ("line count skips nothing", "# comment\n\nmark first\r\nbogus x", "line 4: unknown command bogus"),
        ]
        for case, script, error in cases:
            with self.subTest(case=case):
                result = self.run_host(script + "\n")
                self.assertEqual(result.code, 2, "%s: %s" % (case, result))
                self.assertEqual(result.lines, ["error script " + error], case)

    def test_escapes_in_and_out_and_the_exit_code(self):
        result = self.run_host("mark a\\x01\\tb\\\\c\\r\\n\\xe4 \\q|z\r\n"
                               "mark\n"
                               "exit 7\n"
                               "mark never\n")
        self.assertEqual(result.code, 7, str(result))
        self.assertEqual(result.lines, ["window shown Substitute Host", "mark a\\x01\\x09b\\c\\r\\n\\xe4 \\q|z",
                                        "mark "], str(result))

    def test_a_crash_ends_the_host_with_its_own_code(self):
        result = self.run_host("mark before\ncrash\nmark after\n")
        self.assertEqual(result.code, 113, str(result))
        crash = result.first("crash ")
        self.assertIsNotNone(crash, str(result))
        self.assertIn("code=c0000005", crash)
        self.assertNotIn("mark after", result.lines)

    def test_dialog_commands_without_a_dialog_say_so_and_go_on(self):
        result = self.run_host("settext username x\nclick ok\ngettext status-bar\nclose\naltf4\n"
                               "move 1 2\ndump\n")
        self.assertEqual(result.code, 0, str(result))
        self.assertEqual(result.lines[1:], [
            "error settext: no dialog", "error click: no dialog", "error gettext: no dialog",
            "error close: no dialog", "error altf4: no dialog", "error move: no dialog",
            "dialog exists=0 visible=0 window=0,0,0,0 client=0,0 topmost=0 active=0 foreground=0 focus=- enabled=0"])

    def test_plugin_calls_before_load_are_refused(self):
        result = self.run_host("sethandles\ninit\nconfig\nquit\nunload\n")
        self.assertEqual(result.code, 0, str(result))
        self.assertEqual(result.lines[1:], ["error sethandles: not loaded", "error init: not loaded",
                                            "error config: not loaded", "error quit: not loaded",
                                            "error unload: not loaded"])


class QueryTest(WineTestCase):
    """The plug-in's watcher serves as the client of the host's answers."""

    SETTINGS = "[Main]\r\nActive=1\r\nNickname=bob\r\nPassword=pw\r\n"

    def test_answers_follow_the_entry_the_state_and_the_null_mode(self):
        self.service()
        result = self.run_host("load\nsethandles\ninit\n"
                               "nulltext on\nplay C:\\\\a.mp3|Abba - Waterloo\nwait 300\n"
                               "mark state\nentry C:\\\\b.mp3|Queen - Bohemian Rhapsody\nstate 3\nwait 300\n"
                               "mark text\nnulltext off\nstate 1\nwait 300\n"
                               "quit\nunload\n", self.player(self.SETTINGS))
        self.assertEqual(result.code, 0, str(result))
        lines = result.lines
        null_part = lines[:lines.index("mark state")]
        state_part = lines[lines.index("mark state"):lines.index("mark text")]
        text_part = lines[lines.index("mark text"):]
        self.assertIn("query 125 0 -> 1", null_part, str(result))
        self.assertIn("query 211 1 -> 0", null_part, str(result))
        # `entry` moves the index but leaves the state alone; `state` sets it.
        self.assertIn("query 104 104 -> 3", state_part, str(result))
        self.assertFalse([line for line in state_part if line.startswith("query 125")], str(result))
        self.assertIn("query 125 0 -> 2", text_part, str(result))
        self.assertIn('query 211 2 -> "C:\\b.mp3"', text_part, str(result))
        self.assertIn('query 212 2 -> "Queen - Bohemian Rhapsody"', text_part, str(result))
