"""The installer under Wine.

Every cross build makes <build>/package/vantu-setup.exe (installer/) from the
stripped DLL beside it, and tests/installer/fake_player.exe, which holds a
window of the player's class open. The tests run the installer silently
against fake player folders (an empty winamp.exe, with a space in the path as
under "Program Files") and read the registry with Wine's reg.exe.
"""

import os
import re
import select
import shutil
import subprocess
import tempfile
import time

import harness
from harness import WineTestCase

UNINSTALL_ROOT = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
PLAYER_KEY = UNINSTALL_ROOT + r"\Winamp"
OWN_KEY = UNINSTALL_ROOT + r"\gen_vantu"
SETUP = "vantu-setup.exe"
UNINSTALLER = "uninstall_gen_vantu.exe"
EXIT_NO_PLAYER = 2
EXIT_PLAYER_RUNNING = 3
EXIT_MEANINGS = {0: "done", 1: "cancelled", EXIT_NO_PLAYER: "no winamp.exe in the folder",
                 EXIT_PLAYER_RUNNING: "a player window exists"}
# Nothing an installer would write: mixed line ends, no final newline, a
# byte above 127.
USER_INI = b"[Main]\r\nActive=0\r\nNickname=jo\xe9\nPassword=p w"
OLD_TIME = 1000000000  # 2001: any rewrite of the file moves its time stamp
WINE_TIMEOUT = 120


def wine(*args):
    """Runs a Windows program to its end. Its output goes to files, not pipes:
    the first program of a prefix starts Wine's background services, which
    inherit its handles and would hold a pipe open long after it ended."""
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        result = subprocess.run(harness.wine(*args), env=harness.environment().env, stdin=subprocess.DEVNULL,
                                stdout=out, stderr=err, timeout=WINE_TIMEOUT)
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(result.args, result.returncode, out.read(), err.read())


def verbatim(text):
    """Arguments for wine that give the Windows command line `text` as it is.
    Wine quotes every argument that holds a space, but NSIS reads /D= and _?=
    only unquoted, to the end of the line, as a user types them."""
    assert "  " not in text, text
    return text.split(" ")


def reg_values(key):
    """The key's values as {name: data}, or None when the key does not exist."""
    result = wine("reg", "query", key)
    if result.returncode != 0:
        return None
    lines = result.stdout.decode("latin-1").splitlines()
    return dict(m.groups() for m in (re.match(r"^ {4}(.+?) {4}REG_\w+ {4}(.*)$", line) for line in lines) if m)


def reg_set(key, values):
    wine("reg", "delete", key, "/f")
    for name, data in values.items():
        result = wine("reg", "add", key, "/v", name, "/d", data, "/f")
        assert result.returncode == 0, "reg add %s %s: %s" % (key, name, result.stderr)


def wait_until(condition, what, seconds=60):
    deadline = time.monotonic() + seconds
    while not condition():
        if time.monotonic() > deadline:
            raise AssertionError("not within %d s: %s" % (seconds, what))
        time.sleep(0.5)


def file_state(path):
    """Bytes and modification time, or None when the file is missing."""
    if not os.path.exists(path):
        return None
    with open(path, "rb") as file:
        return file.read(), os.stat(path).st_mtime_ns


class FakePlayer:
    """A running fake_player.exe: its window exists from start() to stop()."""

    def __init__(self, exe):
        self._process = subprocess.Popen(
            harness.wine(exe, "120"), env=harness.environment().env, stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, start_new_session=True)
        ready, _, _ = select.select([self._process.stdout], [], [], 60)
        line = self._process.stdout.readline() if ready else b""
        if line.strip() != b"ready":
            self.stop()
            raise AssertionError("fake player did not start: %r" % line)

    def stop(self):
        if self._process.poll() is None:
            self._process.stdin.close()  # its end of input ends it
            try:
                self._process.wait(30)
            except subprocess.TimeoutExpired:
                os.killpg(self._process.pid, 9)
                self._process.wait()


class InstallerTest(WineTestCase):
    def setUp(self):
        super().setUp()
        package = os.path.join(self.build.directory, "package")
        self.setup_exe = os.path.join(package, SETUP)
        self.packaged_dll = os.path.join(package, harness.DLL_NAME)
        self.fake_player_exe = harness.find_file(self.build.directory, "fake_player.exe")
        for path in (self.setup_exe, self.packaged_dll, self.fake_player_exe):
            if not path or not os.path.exists(path):
                self.fail("%s is missing from %s: the cross build makes it when makensis is installed"
                          % (path or "fake_player.exe", self.build.directory))
        self.version = self.build.cache["CMAKE_PROJECT_VERSION"]
        for key in (PLAYER_KEY, OWN_KEY):
            wine("reg", "delete", key, "/f")
            self.addCleanup(wine, "reg", "delete", key, "/f")

    def folder(self, player=True, ini=None):
        """A fake player folder; returns (Unix path, Windows path)."""
        path = tempfile.mkdtemp(prefix="vantu inst ", dir=os.environ.get("VANTU_WINE_TMP"))
        self.addCleanup(shutil.rmtree, path, ignore_errors=True)
        if player:
            open(os.path.join(path, "winamp.exe"), "wb").close()
        if ini is not None:
            os.makedirs(os.path.join(path, "Plugins"))
            ini_path = os.path.join(path, "Plugins", harness.INI_NAME)
            with open(ini_path, "wb") as file:
                file.write(ini)
            os.utime(ini_path, (OLD_TIME, OLD_TIME))
        return path, harness.windows_path(path)

    def install(self, *command_line):
        return wine(self.setup_exe, "/S", *command_line).returncode

    def uninstall_in_place(self, folder):
        """Runs the uninstaller without its copy to the temp folder (_?=), so
        that its exit code is the answer; it cannot delete itself then."""
        plugins = harness.windows_path(os.path.join(folder, "Plugins"))
        return wine(os.path.join(folder, "Plugins", UNINSTALLER), "/S", *verbatim("_?=" + plugins)).returncode

    def assertExit(self, code, expected, case=""):
        meaning = lambda c: "%d (%s)" % (c, EXIT_MEANINGS.get(c, "?"))  # noqa: E731
        self.assertEqual(code, expected, "%s: exit %s, expected %s" % (case, meaning(code), meaning(expected)))

    def assertInstalled(self, folder, installed=True):
        dll = os.path.join(folder, "Plugins", harness.DLL_NAME)
        if not installed:
            self.assertFalse(os.path.exists(dll), "%s exists" % dll)
            return
        with open(dll, "rb") as landed, open(self.packaged_dll, "rb") as packaged:
            self.assertTrue(landed.read() == packaged.read(), "%s differs from the packaged DLL" % dll)

    def test_silent_install_keeps_the_settings_and_uninstalls(self):
        folder, win = self.folder(ini=USER_INI)
        ini = os.path.join(folder, "Plugins", harness.INI_NAME)
        before = file_state(ini)

        self.assertExit(self.install(*verbatim("/D=" + win)), 0)
        self.assertInstalled(folder)
        self.assertEqual(file_state(ini), before, "the installer touched gen_vantu.ini")
        uninstaller = os.path.join(folder, "Plugins", UNINSTALLER)
        self.assertTrue(os.path.exists(uninstaller))
        values = reg_values(OWN_KEY) or {}
        program = '"%s\\Plugins\\%s"' % (win, UNINSTALLER)
        for name, expected in (("DisplayName", "vantu.fm Plugin for Winamp"),
                               ("DisplayVersion", self.version),
                               ("InstallLocation", win),
                               ("UninstallString", program),
                               ("QuietUninstallString", program + " /S")):
            self.assertEqual(values.get(name), expected, "uninstall entry value %s" % name)

        # As Add/Remove Programs does it: the registered command. The
        # uninstaller hands over to a copy of itself and returns at once.
        quiet = re.match(r'^"([^"]+)" (.*)$', values["QuietUninstallString"])
        self.assertEqual(wine(quiet.group(1), *quiet.group(2).split()).returncode, 0)
        wait_until(lambda: not os.path.exists(uninstaller) and reg_values(OWN_KEY) is None,
                   "uninstaller and its entry removed")
        self.assertInstalled(folder, installed=False)
        self.assertEqual(file_state(ini), before, "a silent uninstall must keep gen_vantu.ini")
        self.assertTrue(os.path.exists(os.path.join(folder, "winamp.exe")))

    def test_installed_dll_runs_in_the_host(self):
        # The stripped DLL, where the installer put it, as the player loads it.
        folder = self.player(ini=b"[Main]\r\nActive=0\r\nNickname=jo\r\nPassword=x\r\n", with_dll=False)
        open(os.path.join(folder.path, "winamp.exe"), "wb").close()
        self.assertExit(self.install("/D=" + harness.windows_path(folder.path)), 0)
        result = self.run_host("load\nsethandles\ninit\nquit\nunload\nexit 0\n", folder=folder)
        self.assertCleanExit(result)
        for line in ("init -> 0", "quit", "unload -> 1"):
            self.assertIn(line, result.lines, str(result))
        self.assertFalse(result.starting("error"), str(result))

    def test_finds_the_player_folder_in_its_uninstall_entry(self):
        # `found` holds the player; `other` does too and must stay untouched.
        cases = (
            ("InstallLocation", lambda found, other: {"InstallLocation": found}),
            ("UninstallString quoted, with an argument",
             lambda found, other: {"UninstallString": '"%s\\UninstWA.exe" /S' % found}),
            ("UninstallString bare", lambda found, other: {"UninstallString": found + "\\UninstWA.exe"}),
            ("InstallLocation before UninstallString",
             lambda found, other: {"InstallLocation": found, "UninstallString": '"%s\\UninstWA.exe"' % other}),
        )
        for name, entry in cases:
            with self.subTest(case=name):
                (found, found_win), (other, other_win) = self.folder(), self.folder()
                reg_set(PLAYER_KEY, entry(found_win, other_win))
                self.assertExit(self.install(), 0, name)
                self.assertInstalled(found)
                self.assertFalse(os.path.exists(os.path.join(other, "Plugins")), name)
                self.assertEqual((reg_values(OWN_KEY) or {}).get("InstallLocation"), found_win, name)

    def test_refuses_a_folder_without_the_player(self):
        cases = (
            ("/D= without winamp.exe", True, None),
            ("no /D= and no uninstall entry", False, None),
            ("uninstall entry without winamp.exe", False, "InstallLocation"),
        )
        for name, by_switch, entry_value in cases:
            with self.subTest(case=name):
                folder, win = self.folder(player=False)
                reg_set(PLAYER_KEY, {entry_value: win} if entry_value else {})
                code = self.install(*verbatim("/D=" + win)) if by_switch else self.install()
                self.assertExit(code, EXIT_NO_PLAYER, name)
                self.assertEqual(os.listdir(folder), [], name)
                self.assertIsNone(reg_values(OWN_KEY), name)

    def test_refuses_to_install_or_uninstall_while_the_player_runs(self):
        folder, win = self.folder(ini=USER_INI)

        player = FakePlayer(self.fake_player_exe)
        self.addCleanup(player.stop)
        self.assertExit(self.install(*verbatim("/D=" + win)), EXIT_PLAYER_RUNNING)
        self.assertInstalled(folder, installed=False)
        self.assertIsNone(reg_values(OWN_KEY))
        player.stop()
        self.assertExit(self.install(*verbatim("/D=" + win)), 0, "install once the player is closed")
        self.assertInstalled(folder)

        player = FakePlayer(self.fake_player_exe)
        self.addCleanup(player.stop)
        self.assertExit(self.uninstall_in_place(folder), EXIT_PLAYER_RUNNING)
        self.assertInstalled(folder)
        self.assertIsNotNone(reg_values(OWN_KEY))
        player.stop()
        self.assertExit(self.uninstall_in_place(folder), 0, "uninstall once the player is closed")
        self.assertInstalled(folder, installed=False)
        self.assertIsNone(reg_values(OWN_KEY))
        with open(os.path.join(folder, "Plugins", harness.INI_NAME), "rb") as ini:
            self.assertEqual(ini.read(), USER_INI)
