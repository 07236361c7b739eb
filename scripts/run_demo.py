#!/usr/bin/env python3
"""Shows the plug-in at work: the substitute host plays a short playlist
under Wine with the fast-timer DLL, and the stand-in service prints each
report it receives as artist, song and user.

Needs a cross build whose VANTU_SERVICE_BASE_URL is http://127.0.0.1:<port>
(the dll-test preset); the playlist holds a song with "&" and one file whose
extension the plug-in does not report.
"""

import argparse
import os
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "wine"))

import harness  # noqa: E402
from standin_service import REPORT_PATH, StandinService, describe  # noqa: E402

PLAYLIST = [
    (r"C:\Music\Simon & Garfunkel - The Boxer.mp3", "simon & garfunkel - the boxer"),
    (r"C:\Music\Daft Punk - One More Time.wav", "daft punk - one more time"),
    (r"C:\Music\ABBA - Waterloo.flac", "ABBA - waterloo"),
    (r"C:\Music\AC-DC - T.N.T.ogg", "ac/dc - t.n.t."),
]
SETTINGS = "[Main]\r\nActive=1\r\nNickname=demo user\r\nPassword=secret\r\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--dll-build", default=os.path.join(ROOT, "build", "dll-test"),
                        help="cross build with a fast VANTU_TIME_DIVISOR and the stand-in service's URL")
    args = parser.parse_args()
    os.environ["VANTU_DLL_BUILD"] = os.path.abspath(args.dll_build)

    build = harness.build()
    if build.port is None:
        sys.exit("run_demo: %s does not report to http://127.0.0.1:<port>" % args.dll_build)
    poll = max(1, 5000 // build.divisor)
    cooldown = max(1, 60000 // build.divisor)
    # Each entry plays through one cooldown and two polls, so every song
    # that qualifies is reported before the next one starts.
    hold = cooldown + 2 * poll
    print("timers divided by %d: a poll every %d ms, %d ms between reports" % (build.divisor, poll, cooldown))

    lines = ["load", "sethandles", "init", "quiet on"]
    for file, title in PLAYLIST:
        lines += ["mark now playing %s (%s)" % (title, file.rsplit("\\", 1)[-1]), "play %s|%s" % (file, title),
                  "wait %d" % hold]
    lines += ["quit", "unload", "exit 0"]

    started = time.monotonic()
    harness.environment()
    folder = harness.PlayerFolder(build, ini=SETTINGS)
    service = StandinService(build.port, on_request=lambda r: print("service: " + describe(r), flush=True))
    try:
        service.start()
    except OSError as error:
        folder.remove()
        raise harness.HarnessError("the stand-in service cannot listen on 127.0.0.1:%d (%s)" % (build.port, error))
    try:
        with harness.HostRun(folder, "\n".join(lines) + "\n", timeout=120) as run:
            while True:
                try:
                    line = run.wait_for("")
                except AssertionError:
                    break
                if line.startswith("mark "):
                    print("player: " + line[len("mark "):], flush=True)
                elif line.startswith("header "):
                    fields = harness.parse_fields(line)
                    print("player: loaded %s (%d-bit), %s" % (harness.DLL_NAME, build.bits, fields["description"]),
                          flush=True)
                elif line.startswith(("init -> ", "unload -> ")) or line == "quit":
                    print("player: " + line.replace(" -> ", " returned "), flush=True)
                elif line.startswith(("messagebox", "crash", "error")):
                    print("player: " + line, flush=True)
            result = run.finish()
    finally:
        service.stop()
        folder.remove()
        harness.shutdown()

    reports = service.requests_to(REPORT_PATH)
    print("\n%d of %d songs reported in %.1f s (host exit code %d):"
          % (len(reports), len(PLAYLIST), time.monotonic() - started, result.code))
    for request in reports:
        print("  " + describe(request))
    print("not reported: the .wav entry, whose extension the plug-in does not report")
    return 0 if result.code == 0 and len(reports) == len(PLAYLIST) - 1 else 1


if __name__ == "__main__":
    try:
        sys.exit(main())
    except harness.HarnessError as error:
        sys.exit("run: %s" % error)
    except KeyboardInterrupt:
        sys.exit(130)
