"""The options dialog's layout under Wine at 96 pixels per inch: every
control's place and kind read back from the real windows, and screenshots of
the dialog (first start, and with a refusal in the status bar) checked for
the logo's transparency and the links' colour and underline.

The screenshots are kept in the build's screenshot folder as
options-dialog.png and options-dialog-refusal.png.
"""

import os
import shutil
import subprocess
import time
import unittest

import harness
import test_dialog as dialog
from harness import Answer

# Name, parent, left, top, width, height (relative to the parent's client
# area), as designed for a text height of 13 pixels.
GEOMETRY = [
    ("website-link", "dialog", 9, 181, 51, 13),
    ("ok", "dialog", 181, 172, 75, 21),
    ("cancel", "dialog", 262, 172, 75, 21),
    ("group-box", "dialog", 8, 5, 328, 158),
    ("username-label", "group-box", 10, 13, 51, 13),
    ("password-label", "group-box", 10, 58, 49, 13),
    ("no-account-label", "group-box", 10, 137, 79, 13),
    ("signup-link", "group-box", 93, 137, 41, 13),
    ("logo", "group-box", 205, 11, 121, 47),
    ("username", "group-box", 10, 28, 171, 21),
    ("active", "group-box", 270, 135, 49, 17),
    ("password", "group-box", 10, 73, 171, 21),
    ("verify", "group-box", 105, 98, 75, 21),
    ("status-bar", "dialog", 0, 199, 344, 19),
]

WS_TABSTOP = 0x00010000
ES_PASSWORD = 0x0020
BS_TYPEMASK = 0x000F
SBARS_SIZEGRIP = 0x0100
WS_EX_CONTROLPARENT = 0x00010000

# Name, window class, text, button type (None: not a button) and whether it
# is a tab stop.
KINDS = [
    ("ok", "Button", "OK", 0x1, True),           # BS_DEFPUSHBUTTON
    ("cancel", "Button", "Cancel", 0x0, True),
    ("verify", "Button", "Verify", 0x0, True),
    ("active", "Button", "Active", 0x3, True),   # BS_AUTOCHECKBOX
    ("username", "Edit", "", None, True),
    ("password", "Edit", "", None, True),
    ("username-label", "Static", "Username:", None, False),
    ("password-label", "Static", "Password:", None, False),
    ("no-account-label", "Static", "No account yet?", None, False),
    ("signup-link", "Static", "Get one!", None, False),
    ("website-link", "Static", "vantu.fm", None, False),
    ("logo", "Static", "", None, False),
    ("status-bar", "msctls_statusbar32", "", None, False),
    ("group-box", None, "", None, False),
]

LINK_BLUE = (0, 0, 255)
LOGO_KEY = (255, 0, 255)  # the logo's bottom-left colour, to be left out when drawn


class GeometryTest(dialog.DialogTestCase):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        cls.result = None

    def first_start(self):
        if GeometryTest.result is None:
            GeometryTest.result, _ = self.run_dialog(dialog.snapshot("shown"))
        return dialog.dumps(GeometryTest.result)["shown"]

    def test_every_control_has_its_place_in_its_parent(self):
        shown = self.first_start()
        self.assertEqual(shown.dialog["client"], "344,218")
        self.assertEqual(shown.dialog["topmost"], "1")
        for name, parent, left, top, width, height in GEOMETRY:
            with self.subTest(control=name):
                control = shown[name]
                self.assertEqual(control["parent"], parent)
                self.assertEqual(control["rect"], "%d,%d,%d,%d" % (left, top, width, height))
                self.assertEqual((control["visible"], control["enabled"]), ("1", "1"))

    def test_every_control_has_its_kind_text_and_tab_stop(self):
        shown = self.first_start()
        for name, window_class, text, button_type, tab_stop in KINDS:
            with self.subTest(control=name):
                control = shown[name]
                style = int(control["style"], 16)
                if window_class:
                    self.assertEqual(control["class"], window_class)
                self.assertEqual(control["text"], text)
                if button_type is not None:
                    self.assertEqual(style & BS_TYPEMASK, button_type)
                self.assertEqual(bool(style & WS_TABSTOP), tab_stop)
        self.assertTrue(int(shown["password"]["style"], 16) & ES_PASSWORD)
        self.assertFalse(int(shown["username"]["style"], 16) & ES_PASSWORD)
        self.assertFalse(int(shown["status-bar"]["style"], 16) & SBARS_SIZEGRIP, "no size grip")
        # Tab and the arrow keys step into the group box's controls.
        self.assertTrue(int(shown["group-box"]["exstyle"], 16) & WS_EX_CONTROLPARENT)


def scaled(value, text_height):
    """value * text_height / 13, rounded half up as MulDiv does."""
    return (2 * value * text_height + 13) // 26


class ScalingTest(dialog.DialogTestCase):
    """At 120 pixels per inch the dialog font's text is higher than 13 pixels
    and the whole layout grows with it: each control's edges are scaled, its
    size is what lies between them."""

    DESKTOP_KEY = r"HKCU\Control Panel\Desktop"

    def setUp(self):
        super().setUp()
        env = harness.environment().env
        subprocess.run(harness.wine("reg", "add", self.DESKTOP_KEY, "/v", "LogPixels", "/t", "REG_DWORD", "/d", "120",
                        "/f"), env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(subprocess.run, harness.wine("reg", "delete", self.DESKTOP_KEY, "/v", "LogPixels", "/f"),
                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def test_layout_scales_by_the_text_height(self):
        result, seen = self.run_dialog(dialog.snapshot("shown"))
        shown = seen["shown"]
        width, height = (int(v) for v in shown.dialog["client"].split(","))
        heights = [h for h in range(14, 40) if scaled(344, h) == width]
        self.assertEqual(len(heights), 1, "the client area did not grow: %s" % result)
        text_height = heights[0]
        self.assertEqual(height, scaled(218, text_height))
        for name, parent, left, top, w, h in GEOMETRY:
            with self.subTest(control=name, text_height=text_height):
                l, t = scaled(left, text_height), scaled(top, text_height)
                r, b = scaled(left + w, text_height), scaled(top + h, text_height)
                self.assertEqual(shown[name]["rect"], "%d,%d,%d,%d" % (l, t, r - l, b - t))


class Screen:
    """A screenshot's pixels, read through ImageMagick as raw RGB."""

    def __init__(self, path):
        size = subprocess.run(["identify", "-format", "%w %h", path], capture_output=True, text=True,
                              check=True).stdout.split()
        self.width, self.height = int(size[0]), int(size[1])
        self.data = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                                   check=True).stdout

    def pixel(self, x, y):
        offset = 3 * (y * self.width + x)
        return tuple(self.data[offset:offset + 3])

    def area(self, rect):
        left, top, width, height = rect
        return [[self.pixel(x, y) for x in range(left, left + width)] for y in range(top, top + height)]


def screen_rect(shown, name):
    """A control's rectangle on the screen, from the dump's window and client
    sizes (the frame is equally wide left, right and below)."""
    left, top, right, bottom = shown.window_rect()
    client_width, client_height = (int(v) for v in shown.dialog["client"].split(","))
    border = (right - left - client_width) // 2
    x, y = left + border, bottom - border - client_height
    control = shown[name]
    if control["parent"] != "dialog":
        px, py, _, _ = (int(v) for v in shown[control["parent"]]["rect"].split(","))
        x, y = x + px, y + py
    cx, cy, width, height = (int(v) for v in control["rect"].split(","))
    return x + cx, y + cy, width, height


def longest_run(row, colour):
    best = run = 0
    for pixel in row:
        run = run + 1 if pixel == colour else 0
        best = max(best, run)
    return best


class ScreenshotTest(dialog.DialogTestCase):
    """Screenshots with the caption drawn by Wine itself (there is no window
    manager on Xvfb), so that they show the whole window."""

    X11_KEY = r"HKCU\Software\Wine\X11 Driver"

    def setUp(self):
        super().setUp()
        env = harness.environment().env
        subprocess.run(harness.wine("reg", "add", self.X11_KEY, "/v", "Decorated", "/d", "N", "/f"), env=env,
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(subprocess.run, harness.wine("reg", "delete", self.X11_KEY, "/v", "Decorated", "/f"),
                        env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        # The caption buttons' glyphs come from Marlett.
        marlett = "/usr/share/wine/fonts/marlett.ttf"
        fonts = os.path.join(harness.environment().prefix, "drive_c", "windows", "Fonts")
        if os.path.exists(marlett) and not os.path.exists(os.path.join(fonts, "marlett.ttf")):
            shutil.copy(marlett, fonts)

    def shoot(self, body, name, folder=None):
        """Runs START + body, takes a screenshot at the mark "shot" (and a
        copy cut to the dialog), and returns the dump taken just before it."""
        with self.start_host(dialog.script(dialog.START, body, dialog.snapshot("shot"), "wait 1500\n",
                                           dialog.END), folder) as run:
            run.wait_for("mark shot")
            run.wait_for("statusbar ")
            time.sleep(0.7)  # the dialog paints during the host's wait
            full = harness.screenshot(os.path.join(harness.screenshot_dir(), name + "-screen.png"))
            result = run.finish()
        self.assertCleanExit(result)
        shown = dialog.dumps(result)["shot"]
        left, top, right, bottom = shown.window_rect()
        cut = os.path.join(harness.screenshot_dir(), name + ".png")
        subprocess.run(["convert", full, "-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top),
                        "+repage", "-strip", cut], check=True)
        print("\n    screenshot: %s" % cut)
        return shown, Screen(full)

    def check_drawing(self, shown, screen):
        logo = screen_rect(shown, "logo")
        pixels = screen.area(logo)
        self.assertFalse(any(LOGO_KEY in row for row in pixels), "the logo's key colour is drawn")
        # Outside the badge's rounded corner the group box shows through.
        beside = screen.pixel(logo[0] - 1, logo[1] + logo[3] - 1)
        self.assertEqual(pixels[-1][0], beside, "the logo's bottom-left corner is transparent")
        for link in ("website-link", "signup-link"):
            area = screen.area(screen_rect(shown, link))
            self.assertTrue(any(LINK_BLUE in row for row in area), "%s is not blue" % link)
            # The underline is one long blue run; letters alone make short ones.
            self.assertGreaterEqual(max(longest_run(row, LINK_BLUE) for row in area), 25,
                                    "%s is not underlined" % link)
        plain = screen.area(screen_rect(shown, "username-label"))
        self.assertFalse(any(LINK_BLUE in row for row in plain), "username-label is drawn as a link")

    def test_first_start(self):
        shown, screen = self.shoot("", "options-dialog")
        self.assertEqual(shown.dialog["focus"], "username")
        self.check_drawing(shown, screen)

    def test_refusal_in_the_status_bar(self):
        service = self.service()
        refusal = "Falscher Benutzername oder falsches Passwort"
        service.queue(dialog.REPORT_PATH, Answer.refuse(refusal))
        folder = self.player(ini=dialog.WITH_ACCOUNT)
        shown, screen = self.shoot("play C:\\Music\\abba.mp3|ABBA - Waterloo\nwait %d\n"
                                   % (5 * 5000 // self.build.divisor), "options-dialog-refusal", folder)
        self.assertEqual(shown.status, refusal)
        self.assertFalse(shown.checked("active"))
        self.check_drawing(shown, screen)


if __name__ == "__main__":
    unittest.main()
