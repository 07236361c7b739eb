"""The plug-in's frame in the substitute host: the export and its header, the
order of init and quit, where the settings come from, the write error box,
and a long load-init-quit-unload cycle that must leave nothing behind."""

import os
import shutil

import harness
from harness import WineTestCase

REPORT = "/listen_in.php"
START = "load\nsethandles\ninit\n"
DIALOG_SHOWN = "window shown vantu settings"


def ini(nickname="bob", password="secret", active="1"):
    return "[Main]\r\nActive=%s\r\nNickname=%s\r\nPassword=%s\r\n" % (active, nickname, password)


class HeaderTest(WineTestCase):
    def test_header_as_found_and_the_handle_the_host_wrote_is_queried(self):
        result = self.run_host(START.replace("init\n", "") + "load\ninit\nplay C:\\\\a.mp3|Abba - Waterloo\n"
                               "wait 500\nquit\nunload\nunload\n", self.player(ini()))
        self.assertCleanExit(result)
        first, second = result.starting("header ")
        fields = harness.parse_fields(first)
        self.assertEqual(fields["version"], "16", first)
        self.assertTrue(fields["description"].endswith("Plugin"), first)
        self.assertNotEqual(fields["description"], "Plugin", first)
        # Fields 6 and 7 hold zero until the host writes them ...
        self.assertEqual((fields["window"], fields["instance"]), ("00000000", "00000000"), first)
        self.assertEqual(fields["same"], "1", first)
        # ... and a second load of the same library returns the same record,
        # now with the handles the host wrote.
        again = harness.parse_fields(second)
        self.assertNotEqual(again["window"], "00000000", second)
        self.assertNotEqual(again["instance"], "00000000", second)
        # The watcher made in init sends its queries to that window: the host
        # sees them in its own window procedure.
        self.assertIn("query 104 104 -> 1", result.lines, str(result))


class LifecycleTest(WineTestCase):
    def test_init_then_quit_then_unload_and_no_query_after_quit(self):
        folder = self.player(ini())
        result = self.run_host(START + "play C:\\\\a.mp3|Abba - Waterloo\nwait 500\nquit\n"
                               "play C:\\\\b.mp3|Queen - Bohemian Rhapsody\nwait 600\nunload\nwait 300\n",
                               folder)
        self.assertCleanExit(result)
        calls = [line for line in result.lines if line.split(" ")[0] in ("call", "init", "quit", "unload")]
        self.assertEqual(calls, ["call init", "init -> 0", "call quit", "quit", "unload -> 1"], str(result))
        quit_at = result.index("quit")
        self.assertTrue(any(line.startswith("query ") for line in result.lines[:quit_at]), str(result))
        self.assertEqual([line for line in result.lines[quit_at:] if line.startswith("query ")], [],
                         "the watcher went on after quit:\n%s" % result)
        # Nothing is saved at quit.
        self.assertEqual(folder.ini_bytes(), ini().encode(), "quit changed the settings file")

    def test_unload_without_quit_keeps_the_run_until_init_and_quit_come(self):
        # The run holds the library: without quit it goes on, and only a
        # later init (which ends it first) and quit give its reference back.
        result = self.run_host(START + "config\nplay C:\\\\a.mp3|Abba - Waterloo\nwait 300\nunload\n"
                               "wait 300\nmapped\ndump\nload\nsethandles\ninit\nconfig\n"
                               "wait 300\nquit\nunload\nwait 100\nmapped\ndump\n", self.player(ini()))
        self.assertCleanExit(result)
        self.assertEqual(result.starting("mapped "), ["mapped 1", "mapped 0"], str(result))
        dialogs = [harness.parse_fields(line) for line in result.starting("dialog ")]
        self.assertEqual([(d["exists"], d["visible"]) for d in dialogs], [("1", "1"), ("0", "0")], str(result))
        self.assertNotEqual(harness.parse_fields(result.starting("header ")[1])["window"], "00000000",
                            "the library was unloaded under its run:\n%s" % result)

    def test_settings_file_decides_dialog_and_reporting(self):
        # (case, settings file or None, expect reports, expect the dialog at init)
        cases = [
            ("user name, Active=1", ini(), True, False),
            ("user name, Active=0", ini(active="0"), False, False),
            ("user name, Active=yes reads the default", ini(active="yes"), True, False),
            ("user name, no Active key", "[Main]\r\nNickname=bob\r\nPassword=secret\r\n", True, False),
            ("no user name", ini(nickname=""), False, True),
            ("no file", None, False, True),
        ]
        for case, content, reports, dialog in cases:
            with self.subTest(case=case):
                service = self.service()
                folder = self.player(content)
                result = self.run_host(START + "dump\nplay C:\\\\Music\\\\a.mp3|Abba - Waterloo\nwait 700\n"
                                       "quit\nunload\n", folder)
                self.assertCleanExit(result)
                sent = service.requests_to(REPORT)
                service.stop()
                self.assertEqual(bool(sent), reports, "%s: reports %s\n%s" % (case, sent, result))
                self.assertEqual(DIALOG_SHOWN in result.lines, dialog, "%s:\n%s" % (case, result))
                if reports:
                    self.assertEqual((sent[0].param("username"), sent[0].param("password")), ("bob", "secret"),
                                     case)
                if dialog:
                    # Filled from the settings as loaded: empty, Active ticked.
                    self.assertIn("text= ", result.first("control username ") + " ", case)
                    self.assertIn(" checked=1 ", result.first("control active "), case)
                # Init never writes the file.
                self.assertEqual(folder.ini_bytes(), None if content is None else content.encode(), case)

    def test_settings_path_follows_the_executable_not_the_library(self):
        folder = self.player(ini(nickname="beside_exe"), with_dll=False)
        # The library lives elsewhere, with settings files of its own that
        # must not be read.
        library = os.path.join(folder.path, "lib")
        os.makedirs(os.path.join(library, "Plugins"))
        shutil.copy(self.build.dll, os.path.join(library, harness.DLL_NAME))
        for decoy in (os.path.join(library, "Plugins", harness.INI_NAME), os.path.join(library, harness.INI_NAME)):
            with open(decoy, "w") as settings:
                settings.write(ini(nickname="beside_dll"))
        service = self.service()
        result = self.run_host("load lib\\\\gen_vantu.dll\nsethandles\ninit\n"
                               "play C:\\\\a.mp3|Abba - Waterloo\nwait 700\nquit\nunload\n", folder)
        self.assertCleanExit(result)
        users = [request.param("username") for request in service.requests_to(REPORT)]
        self.assertEqual(users, ["beside_exe"], str(result))


class WriteErrorTest(WineTestCase):
    def test_write_error_box_names_the_file_and_the_dialog_stays(self):
        # No Plugins folder beside the executable, so the settings file cannot
        # be written; the executable's name gives the box its caption.
        folder = self.player(host_name="VANTU_Host.test.exe", with_dll=False)
        library = os.path.join(folder.path, "lib")
        os.makedirs(library)
        shutil.copy(self.build.dll, os.path.join(library, harness.DLL_NAME))
        shutil.rmtree(folder.plugins)
        result = self.run_host("load lib\\\\gen_vantu.dll\nsethandles\ninit\nsettext username bob\n"
                               "click ok\nwait 200\ndump\nquit\nunload\n", folder)
        self.assertCleanExit(result)
        boxes = result.starting("messagebox ")
        self.assertEqual(len(boxes), 1, str(result))
        box = harness.parse_fields(boxes[0])
        expected_path = harness.windows_path(os.path.join(folder.path, "Plugins", harness.INI_NAME))
        self.assertEqual(box["caption"], "Vantu_host", boxes[0])
        self.assertEqual(box["text"], "In %s kann nicht geschrieben werden." % expected_path, boxes[0])
        self.assertEqual((box["buttons"], box["icon"]), ("OK", "1"), boxes[0])
        # While the box is up the thread's windows are disabled; afterwards
        # the dialog is back, active, with the focus where the click left it.
        self.assertEqual(sorted(box["windows"].split(",")), ["Substitute Host:0", "vantu settings:0"], boxes[0])
        dialog = harness.parse_fields(result.first("dialog "))
        self.assertEqual(dialog["visible"], "1", "the dialog closed after the error:\n%s" % result)
        self.assertEqual((dialog["enabled"], dialog["active"], dialog["focus"]), ("1", "1", "ok"),
                         result.first("dialog "))
        self.assertFalse(os.path.exists(folder.plugins), "a settings folder appeared")


class CycleTest(WineTestCase):
    CYCLES = 200

    build_kind = "soak"  # its fast rhythm lets every cycle report a song

    def cycle_figures(self, dll, cycle, folder):
        """Loads the library dll (beside the host, or the one in Plugins) and
        runs it through the cycle many times and returns the process figures before and after."""
        if dll != harness.DLL_NAME:
            shutil.copy(os.path.join(self.build.directory, dll), os.path.join(folder.path, dll))
        cycle = ("load\n" if dll == harness.DLL_NAME else "load %s\n" % dll) + cycle
        script = ("quiet on\nplay C:\\\\a.mp3|Abba - Waterloo\n" + cycle * 3 + "wait 100\nstats\nhandletypes\n" +
                  cycle * self.CYCLES + "wait 100\nstats\nhandletypes\n")
        result = self.run_host(script, folder, timeout=240)
        self.assertCleanExit(result)
        self.assertEqual(result.starting("messagebox "), [], str(result)[-3000:])
        self.assertEqual(len(result.starting("unload -> 1")), self.CYCLES + 3, str(result)[-3000:])
        before, after = (harness.parse_fields(line) for line in result.starting("stats "))
        figures = {key: (int(before[key]), int(after[key])) for key in before}
        kinds = "\n".join(result.starting("handletypes"))
        print("\n    %s, %d cycles in %.1f s: %s\n%s" % (dll, self.CYCLES, result.seconds,
              ", ".join("%s %d -> %d" % (key, a, b) for key, (a, b) in figures.items()), kinds))
        return {key: b - a for key, (a, b) in figures.items()}, kinds

    def test_load_init_report_quit_unload_cycle_leaves_nothing_behind(self):
        # A ten-line library built like ours shows what the statically
        # linked C++ runtime itself leaves behind per load; it is printed for
        # comparison. On i686, libgcc's registry of DWARF unwind tables,
        # which every load that links the unwinder joins, makes a semaphore
        # for its lock and never closes it. Ours links no unwinder, so it
        # must leave nothing on either architecture.
        runtime, _ = self.cycle_figures("runtime_baseline.dll", "sethandles\ninit\nquit\nunload\n", self.player(ini()))
        # Every cycle reports the song, accepted and failing by turns.
        service = self.service()
        service.queue(REPORT, *[answer for _ in range(self.CYCLES + 3)
                                for answer in (harness.Answer.accept(), harness.Answer.status(500, "Internal Error"))])
        poll = max(10, 5000 // self.build.divisor)
        ours, kinds = self.cycle_figures(harness.DLL_NAME,
                                         "sethandles\ninit\nconfig\nwait %d\nquit\nunload\n" % (poll + 60),
                                         self.player(ini()))
        reports = len(service.requests_to(REPORT))
        self.assertEqual(reports, self.CYCLES + 3, "not every cycle reported its song")
        for key in ("handles", "threads", "windows", "gdi", "user", "tls"):
            self.assertLessEqual(ours[key], 0,
                                 "%s grew by %d, the runtime alone by %d\n%s" % (key, ours[key], runtime[key], kinds))
        # Even one kilobyte lost per cycle would cross this bound twice over.
        self.assertLess(ours["private"], 100 * 1024, "private memory grew by %d bytes" % ours["private"])


class ForeignRuntimeTest(WineTestCase):
    """A player that another module built with MinGW's shared runtime has
    loaded holds that runtime's libgcc before the plug-in comes. The
    plug-in's start-up then hands its unwind tables to that libgcc, so a
    plug-in that threw would end the player at its first failure. Here every
    failure must stay a message or be dropped, and the player must live on."""

    def test_failures_stay_values_with_mingws_shared_libgcc_loaded_first(self):
        libgcc = self.build.shared_libgcc
        self.assertTrue(libgcc and os.path.exists(libgcc), "the toolchain's shared libgcc: %r" % libgcc)
        folder = self.player(ini())
        shutil.copy(libgcc, folder.path)
        poll = max(10, 5000 // self.build.divisor)
        cooldown = 60000 // self.build.divisor
        # Nothing listens on the build's port at first, so both requests are
        # refused; once the first report has failed, the service comes up.
        with self.start_host(
                "preload %s\n" % os.path.basename(libgcc) + START +
                "config\nsettext username anna\nclick verify\ngettext status-bar\nclose\n"
                "play C:\\\\a.mp3|Abba - Waterloo\nwait %d\nmark refused\nwait 300\n"
                "play C:\\\\b.mp3|Queen - Bohemian Rhapsody\nwait %d\n"
                "quit\nunload\nwait 100\nmark alive\n" % (poll + 300, cooldown + 2 * poll + 300), folder) as run:
            run.wait_for("mark refused")
            service = self.service()
            result = run.finish()
        self.assertCleanExit(result)
        self.assertTrue(result.first("preload "), str(result))
        # Wine's status bar keeps CR and LF as spaces.
        self.assertEqual(result.first("text status-bar "),
                         "text status-bar Socket-Fehler # 10061  Verbindung abgelehnt.", str(result))
        refused_at = result.index("mark refused")
        self.assertIn('query 212 1 -> "Abba - Waterloo"', result.lines[:refused_at],
                      "the first song was not reported: %s" % result)
        # The refused report was dropped without a word, and reporting went on.
        self.assertEqual(result.starting("messagebox "), [], str(result))
        self.assertEqual([(r.param("artist"), r.param("song")) for r in service.requests_to(REPORT)],
                         [("Queen", "Bohemian Rhapsody")], str(result))
        self.assertEqual(result.lines[-1], "mark alive", str(result))
