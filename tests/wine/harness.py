"""Running the plug-in under Wine in the substitute host.

One Wine prefix and one Xvfb display serve a whole test run. Each test builds
a "player folder" (vantu_host.exe with Plugins/gen_vantu.dll beside it, and
optionally a settings file), runs a host script in it and reads the events
the host prints. Every run has a time limit: a host that does not finish is
killed and the test fails with what it printed so far.
"""

import atexit
import os
import queue
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "service"))

import standin_service  # noqa: E402
from standin_service import Answer, StandinService  # noqa: E402,F401

HOST_EXE = "vantu_host.exe"
DLL_NAME = "gen_vantu.dll"
INI_NAME = "gen_vantu.ini"
DEFAULT_TIMEOUT = 60


class HarnessError(Exception):
    pass


class HostTimeout(AssertionError):
    """The host did not finish in time; it has been killed."""


# -- builds ------------------------------------------------------------------

class Build:
    """A cross build folder holding the host and the plug-in, and the values
    its CMake cache was configured with."""

    def __init__(self, directory):
        self.directory = os.path.abspath(directory)
        self.cache = read_cmake_cache(os.path.join(self.directory, "CMakeCache.txt"))
        self.host = find_file(self.directory, HOST_EXE)
        self.dll = find_file(self.directory, DLL_NAME)
        url = self.cache.get("VANTU_SERVICE_BASE_URL", "")
        match = re.match(r"^http://127\.0\.0\.1:(\d+)$", url)
        self.port = int(match.group(1)) if match else None
        self.divisor = int(self.cache.get("VANTU_TIME_DIVISOR", "1"))
        # Test presets build in the hooks the host drives (holdreports).
        self.test_hooks = self.cache.get("VANTU_TEST_HOOKS", "OFF").upper() in ("ON", "1", "TRUE", "YES")
        # The shipped build is i686; the x86_64 twin runs where 32-bit
        # programs cannot.
        self.wine_arch = self.cache.get("VANTU_WINE_ARCH", "win32")
        self.bits = 64 if self.wine_arch == "win64" else 32
        # MinGW's shared libgcc of the build's toolchain, for a host that has
        # it loaded before the plug-in.
        self.shared_libgcc = self.cache.get("VANTU_SHARED_LIBGCC")

    def require(self):
        missing = [name for name, path in ((HOST_EXE, self.host), (DLL_NAME, self.dll)) if not path]
        if missing:
            raise HarnessError("%s not found under %s (build it first)" % (" and ".join(missing), self.directory))
        return self


def read_cmake_cache(path):
    values = {}
    if not os.path.exists(path):
        raise HarnessError("no CMakeCache.txt in %s" % os.path.dirname(path))
    with open(path, encoding="utf-8", errors="replace") as cache:
        for line in cache:
            match = re.match(r"^([A-Za-z_][A-Za-z0-9_]*):[A-Z]+=(.*)$", line.rstrip("\n"))
            if match:
                values[match.group(1)] = match.group(2)
    return values


def find_file(directory, name):
    """The first `name` below `directory`, without following symbolic links
    (a Wine prefix in the build folder links its drive Z: to the root)."""
    for folder, subfolders, files in os.walk(directory):
        subfolders[:] = sorted(d for d in subfolders if d not in ("dosdevices", "CMakeFiles"))
        if name in files:
            return os.path.join(folder, name)
    return None


_builds = {}


def build(kind="fast"):
    """The build the runner was given: "fast" (--dll-build), "slow"
    (--slow-dll-build) or "soak" (VANTU_SOAK_DLL_BUILD or build/dll-soak, a
    very fast rhythm: VANTU_TIME_DIVISOR around 1000). Raises
    unittest.SkipTest when the slow or the soak one is absent."""
    if kind == "soak":
        directory = os.environ.get("VANTU_SOAK_DLL_BUILD") or os.path.join(ROOT, "build", "dll-soak")
        if not os.path.exists(os.path.join(directory, "CMakeCache.txt")):
            raise unittest.SkipTest("no soak build (set VANTU_SOAK_DLL_BUILD)")
    else:
        directory = os.environ.get({"fast": "VANTU_DLL_BUILD", "slow": "VANTU_SLOW_DLL_BUILD"}[kind])
    if not directory:
        if kind == "slow":
            raise unittest.SkipTest("no slow DLL build given (--slow-dll-build)")
        directory = os.path.join(ROOT, "build", "dll-test")
    if directory not in _builds:
        _builds[directory] = Build(directory).require()
    return _builds[directory]


# -- Wine and Xvfb -------------------------------------------------------------

# Debian's `wine` script picks the 32-bit loader whenever it is installed, so
# the 64-bit prefix names its loader itself.
WINE64_LOADER = "/usr/lib/wine/wine64"


class Environment:
    """The run's Wine prefix, Xvfb display and persistent wineserver, for
    one architecture: "win32" or "win64"."""

    def __init__(self, prefix, arch):
        self.prefix = os.path.abspath(prefix)
        self.arch = arch
        self.display = None
        self._xvfb = None

    @property
    def env(self):
        env = dict(os.environ)
        env.update(WINEPREFIX=self.prefix, WINEARCH=self.arch, WINEDEBUG="-all",
                   DISPLAY=self.display or "", LC_ALL="C", WINEDLLOVERRIDES="winemenubuilder.exe=d")
        if self.arch == "win64":
            env["WINELOADER"] = WINE64_LOADER
        else:
            env.pop("WINELOADER", None)
        return env

    def wine(self, *args):
        """The command line that runs a Windows program of this prefix."""
        return [WINE64_LOADER if self.arch == "win64" else "wine", *args]

    def start(self):
        self._start_xvfb()
        self.prepare_prefix()
        # A server that stays up spares every host run its start-up.
        subprocess.run(["wineserver", "-p"], env=self.env, check=False)
        return self

    def stop(self):
        subprocess.run(["wineserver", "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if self._xvfb:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(5)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
            self._xvfb = None

    def kill_wine(self):
        """Ends every Windows process of the prefix (the watchdog's last resort)."""
        subprocess.run(["wineserver", "-k"], env=self.env, check=False,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            self._xvfb = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                start_new_session=True, preexec_fn=die_with_parent)
        except OSError:
            os.close(read_end)
            os.close(write_end)
            raise HarnessError("Xvfb is not installed; scripts/setup installs it (package xvfb)")
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise HarnessError("Xvfb did not start")
        self.display = ":" + number

    def prepare_prefix(self):
        """Makes the prefix once; later runs find it ready."""
        ready = os.path.join(self.prefix, ".vantu-ready")
        made = prefix_arch(self.prefix)
        if made and made != self.arch:
            raise HarnessError("the Wine prefix %s is %s, the build needs %s (set VANTU_WINEPREFIX to another folder)"
                               % (self.prefix, made, self.arch))
        if os.path.exists(ready) and open(ready).read() == PREFIX_SETTINGS:
            return
        os.makedirs(self.prefix, exist_ok=True)
        quiet = dict(env=self.env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            subprocess.run(self.wine("wineboot", "-i"), **quiet)
        except subprocess.CalledProcessError as error:
            if error.returncode == 126 and self.arch == "win32":
                raise HarnessError("32-bit Wine cannot start: this machine cannot execute 32-bit x86 programs "
                                   "(scripts/machine says which build to run)")
            raise HarnessError("Wine could not make a %s prefix in %s (%s); scripts/setup installs Wine"
                               % (self.arch, self.prefix, error))
        except OSError as error:
            raise HarnessError("Wine is not installed (%s); scripts/setup installs it" % error)
        settings = os.path.join(self.prefix, "vantu-tests.reg")
        with open(settings, "w") as reg:
            reg.write(PREFIX_SETTINGS)
        subprocess.run(self.wine("regedit", "/S", windows_path(settings)), **quiet)
        subprocess.run(["wineserver", "-w"], **quiet)
        fonts = os.path.join(self.prefix, "drive_c", "windows", "Fonts")
        os.makedirs(fonts, exist_ok=True)
        shutil.copy(sans_serif_font(), fonts)
        with open(ready, "w") as marker:
            marker.write(PREFIX_SETTINGS)


# A crash ends the process with its exit code instead of waiting in a dialog.
# Xvfb runs no window manager: unmanaged windows keep the positions Windows
# would give them, and hiding one does not wait 2 s for the manager's answer.
PREFIX_SETTINGS = """REGEDIT4

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"
"""


def prefix_arch(prefix):
    """The architecture a Wine prefix was made for, or None before it exists."""
    try:
        with open(os.path.join(prefix, "system.reg"), encoding="latin-1") as registry:
            for line in registry:
                match = re.match(r"^#arch=(win32|win64)", line)
                if match:
                    return match.group(1)
    except OSError:
        pass
    return None


def die_with_parent():
    """Xvfb gets SIGTERM when the test run ends, however it ends."""
    try:
        import ctypes
        ctypes.CDLL("libc.so.6", use_errno=True).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    except OSError:
        pass


def sans_serif_font():
    """MS Sans Serif resolves only when this bitmap font is in the prefix."""
    try:
        listing = subprocess.run(["dpkg", "-L", "fonts-wine"], capture_output=True, text=True).stdout.split()
        for path in listing:
            if path.endswith("/sserife.fon"):
                return path
    except OSError:
        pass
    for path in ("/usr/share/wine/fonts/sserife.fon", "/usr/share/fonts/wine/sserife.fon"):
        if os.path.exists(path):
            return path
    raise HarnessError("sserife.fon not found (package fonts-wine)")


_environment = None


def environment():
    """The run's environment, started on first use and stopped at exit."""
    global _environment
    if _environment is None:
        prefix = os.environ.get("VANTU_WINEPREFIX") or os.path.join(build().directory, "wineprefix")
        _environment = Environment(prefix, build().wine_arch).start()
        atexit.register(shutdown)
    return _environment


def shutdown():
    global _environment
    if _environment is not None:
        _environment.stop()
        _environment = None


def kill_wine():
    if _environment is not None:
        _environment.kill_wine()


def wine(*args):
    """The command line that runs a Windows program in the run's prefix."""
    return environment().wine(*args)


# -- player folders ------------------------------------------------------------

def windows_path(path):
    """The Wine path of a Unix path (drive Z: is the Unix root)."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


class PlayerFolder:
    """A temporary folder laid out like the player's: the host executable,
    Plugins/gen_vantu.dll, and the settings file Plugins/gen_vantu.ini."""

    def __init__(self, build_=None, ini=None, host_name=HOST_EXE, with_dll=True):
        self.build = build_ or build()
        self.path = tempfile.mkdtemp(prefix="vantu-player-", dir=os.environ.get("VANTU_WINE_TMP"))
        self.plugins = os.path.join(self.path, "Plugins")
        os.makedirs(self.plugins)
        self.host = os.path.join(self.path, host_name)
        shutil.copy(self.build.host, self.host)
        if with_dll:
            shutil.copy(self.build.dll, os.path.join(self.plugins, DLL_NAME))
        self.ini_path = os.path.join(self.plugins, INI_NAME)
        if ini is not None:
            self.write_ini(ini)

    def write_ini(self, content):
        data = content.encode("latin-1") if isinstance(content, str) else content
        with open(self.ini_path, "wb") as ini:
            ini.write(data)

    def ini_bytes(self):
        """The settings file's bytes, or None when there is none."""
        if not os.path.exists(self.ini_path):
            return None
        with open(self.ini_path, "rb") as ini:
            return ini.read()

    def write_script(self, text, name="script.txt"):
        path = os.path.join(self.path, name)
        with open(path, "wb") as script:
            script.write(text.encode("latin-1") if isinstance(text, str) else text)
        return path

    def remove(self):
        shutil.rmtree(self.path, ignore_errors=True)


# -- running the host ------------------------------------------------------------

def unescape(text):
    """Undoes the host's escapes in a printed text (\\r, \\n, \\xHH)."""
    return re.sub(r"\\(r|n|x[0-9a-f]{2})",
                  lambda m: {"r": "\r", "n": "\n"}.get(m.group(1)) or chr(int(m.group(1)[1:], 16)), text)


class HostResult:
    def __init__(self, code, lines, seconds):
        self.code = code
        self.lines = lines
        self.seconds = seconds

    def starting(self, prefix):
        return [line for line in self.lines if line.startswith(prefix)]

    def first(self, prefix):
        found = self.starting(prefix)
        return found[0] if found else None

    def fields(self, prefix):
        """The key=value fields of the first line starting with `prefix`."""
        line = self.first(prefix)
        return parse_fields(line) if line else None

    def index(self, line):
        return self.lines.index(line)

    def __str__(self):
        return "exit %s after %.1f s:\n%s" % (self.code, self.seconds, "\n".join(self.lines))


def parse_fields(line):
    """Splits `word key=value key=value ...`; a value runs to the next " key=",
    so texts with spaces stay whole."""
    return dict(re.findall(r"(\w+)=(.*?)(?= \w+=|$)", line))


class HostRun:
    """A running host whose lines can be awaited one by one (for instance to
    take a screenshot at a `mark`)."""

    def __init__(self, folder, script, timeout=DEFAULT_TIMEOUT):
        self.folder = folder
        self.timeout = timeout
        self.lines = []
        self._queue = queue.Queue()
        script_path = folder.write_script(script)
        self._started = time.monotonic()
        self._process = subprocess.Popen(
            wine(folder.host, windows_path(script_path)), cwd=folder.path, env=environment().env,
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for raw in self._process.stdout:
            self._queue.put(raw.decode("latin-1").rstrip("\r\n"))
        self._queue.put(None)

    def _left(self):
        return self.timeout - (time.monotonic() - self._started)

    def wait_for(self, prefix, timeout=None):
        """Returns the next line starting with `prefix`; fails the test when
        the host ends or the time runs out first."""
        left = self._left() if timeout is None else min(timeout, self._left())
        deadline = time.monotonic() + left
        while True:
            try:
                line = self._queue.get(timeout=max(0.0, deadline - time.monotonic()))
            except queue.Empty:
                self.kill()
                raise HostTimeout("no line %r in time; output so far:\n%s" % (prefix, "\n".join(self.lines)))
            if line is None:
                self._queue.put(None)
                raise AssertionError("host ended before %r:\n%s" % (prefix, "\n".join(self.lines)))
            self.lines.append(line)
            if line.startswith(prefix):
                return line

    def finish(self):
        """Waits for the host's end; returns its HostResult."""
        while True:
            try:
                line = self._queue.get(timeout=max(0.0, self._left()))
            except queue.Empty:
                self.kill()
                raise HostTimeout("host did not finish within %s s; output so far:\n%s"
                                  % (self.timeout, "\n".join(self.lines)))
            if line is None:
                break
            self.lines.append(line)
        code = self._process.wait()
        return HostResult(code, self.lines, time.monotonic() - self._started)

    def kill(self):
        try:
            os.killpg(self._process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self._process.wait()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self._process.poll() is None:
            self.kill()


def run_host(folder, script, timeout=DEFAULT_TIMEOUT):
    """Runs a host script to its end; returns the HostResult."""
    with HostRun(folder, script, timeout) as run:
        return run.finish()


def screenshot(path):
    """Saves the whole Xvfb screen as PNG."""
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    xwd = subprocess.run(["xwd", "-root", "-silent", "-display", environment().display],
                         capture_output=True, check=True)
    subprocess.run(["convert", "xwd:-", "png:" + path], input=xwd.stdout, check=True)
    return path


def screenshot_dir():
    """Where tests put their screenshots: a known folder under the build."""
    return os.environ.get("VANTU_SCREENSHOT_DIR") or os.path.join(build().directory, "screenshots")


# -- test case base --------------------------------------------------------------

class WineTestCase(unittest.TestCase):
    """Base for Wine tests: player folders and services are cleaned up after
    each test; `build_kind` picks the fast, the slow or the soak DLL build."""

    build_kind = "fast"

    def setUp(self):
        self.build = build(self.build_kind)
        environment()

    def player(self, ini=None, **options):
        folder = PlayerFolder(self.build, ini=ini, **options)
        self.addCleanup(folder.remove)
        return folder

    def run_host(self, script, folder=None, timeout=DEFAULT_TIMEOUT):
        return run_host(folder or self.player(), script, timeout)

    def start_host(self, script, folder=None, timeout=DEFAULT_TIMEOUT):
        run = HostRun(folder or self.player(), script, timeout)
        self.addCleanup(run.__exit__)
        return run

    def service_port(self):
        """The loopback port the build reports to; skips the test without one."""
        if self.build.port is None:
            self.skipTest("the build's VANTU_SERVICE_BASE_URL is not http://127.0.0.1:<port>")
        return self.build.port

    def service(self, **options):
        """The stand-in service on the build's port, stopped after the test."""
        service = StandinService(self.service_port(), **options).start()
        self.addCleanup(service.stop)
        return service

    def assertCleanExit(self, result):
        self.assertEqual(result.code, 0, "host did not exit cleanly: %s" % result)
        self.assertFalse(result.starting("crash"), str(result))


def main(argv):
    """`harness.py prefix <build>`: makes the Wine prefix the build's programs
    run in (VANTU_WINEPREFIX, or wineprefix in the build) and prints it."""
    if len(argv) != 3 or argv[1] != "prefix":
        print("usage: harness.py prefix <cross build folder>", file=sys.stderr)
        return 2
    try:
        prefix = os.environ.get("VANTU_WINEPREFIX") or os.path.join(os.path.abspath(argv[2]), "wineprefix")
        environment_ = Environment(prefix, Build(argv[2]).wine_arch)
        environment_.prepare_prefix()
    except HarnessError as error:
        print("harness: %s" % error, file=sys.stderr)
        return 1
    print(environment_.prefix)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
