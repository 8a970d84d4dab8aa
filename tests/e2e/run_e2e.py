#!/usr/bin/env python3
"""End-to-end tests: the built program on a private X desktop, worked by keyboard
and mouse, with every file it writes compared byte for byte.

    run_e2e.py --program-dir build/vorrel --screenshots build/screenshots [--keep] [--only tray]

Each group gets a fresh program directory (the executable, language/, an empty
data/) and its own X server; a failed step stops its group, leaves a picture of
the screen as failure-<group>-<step>.png and the program's output beside it."""

import argparse
import os
import shutil
import signal
import sys
import tempfile
import time
import traceback

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree

from desktop import Desktop, E2EError, FaultSeen, missing_tools  # noqa: E402
from scenario_no_tray import WithoutTray  # noqa: E402
from scenario_tray import WithTray  # noqa: E402

GROUPS = [WithTray, WithoutTray]


def lay_out_program(source, target):
    os.makedirs(target)
    shutil.copy2(os.path.join(source, "vorrel"), os.path.join(target, "vorrel"))
    shutil.copytree(os.path.join(source, "language"), os.path.join(target, "language"))
    os.makedirs(os.path.join(target, "data"))


def steps_of(group):
    names = sorted(n for n in dir(group) if n.startswith("step_"))
    return [(n, getattr(group, n).__doc__.strip().splitlines()[0]) for n in names]


class Runner:
    def __init__(self, args):
        self.args = args
        self.passed = self.failed = self.skipped = 0
        self.known = []
        self.started = time.monotonic()

    def say(self, text):
        print(text, flush=True)

    def run_group(self, group):
        work = tempfile.mkdtemp(prefix="vorrel-e2e-%s-" % group.name)
        log_path = os.path.join(work, "actions.log")
        log_file = open(log_path, "w")

        def log(text):
            log_file.write("%8.3f %s\n" % (time.monotonic() - self.started, text))
            log_file.flush()

        desktop = Desktop(work, group.tray, log)
        steps = steps_of(group)
        index = -1  # the step under way; -1 while the desktop is set up
        try:
            desktop.start()
            program = os.path.join(work, "program")
            lay_out_program(self.args.program_dir, program)
            scenario = group(desktop, program, self.args.screenshots, self.args.icons, log)
            for index, (name, title) in enumerate(steps):
                began = time.monotonic()
                log("---- %s: %s" % (name, title))
                step = getattr(scenario, name)
                fault = getattr(step, "known_fault", None)
                try:
                    step()
                except FaultSeen as seen:
                    self.known.append("%s: %s (%s)" % (group.name, fault, seen))
                    self.say("KNOWN FAULT %s: %s: %s" % (group.name, title, seen))
                    continue
                if fault:
                    raise E2EError("passes now; take the known_fault mark off the step "
                                   "(%s)" % fault)
                self.passed += 1
                self.say("PASS %s: %s (%.1f s)" % (group.name, title, time.monotonic() - began))
        except Exception as e:  # noqa: BLE001 - every failure is reported the same way
            name, title = steps[index] if index >= 0 else ("setup", "setting up the desktop")
            self.failed += 1
            self.skipped += len(steps) - index - 1
            self.say("FAIL %s: %s: %s" % (group.name, title, e))
            if not isinstance(e, AssertionError):
                self.say(traceback.format_exc())
            self.keep_evidence(desktop, work, group.name, name)
        finally:
            desktop.close()
            log_file.close()
            if self.args.keep:
                self.say("kept %s" % work)
            else:
                shutil.rmtree(work, ignore_errors=True)

    def keep_evidence(self, desktop, work, group, step):
        base = os.path.join(self.args.screenshots, "failure-%s-%s" % (group, step))
        try:
            if desktop.display:
                desktop.screenshot_root(base + ".png")
        except Exception as e:  # noqa: BLE001 - the report matters more than the picture
            self.say("  (no picture of the screen: %s)" % e)
        for name in ("vorrel.log", "actions.log"):
            src = os.path.join(work, name)
            if os.path.exists(src):
                shutil.copy(src, "%s.%s" % (base, name))
        self.say("  evidence: %s.*" % base)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--program-dir", required=True,
                        help="folder with the built vorrel and its language/ folder")
    parser.add_argument("--screenshots", required=True, help="folder for the pictures")
    parser.add_argument("--icons", default=os.path.join(HERE, "..", "..", "icons"),
                        help="folder with the program's icon pictures")
    parser.add_argument("--only", choices=[g.name for g in GROUPS], action="append")
    parser.add_argument("--keep", action="store_true", help="keep the work folders")
    args = parser.parse_args()
    args.program_dir = os.path.abspath(args.program_dir)
    args.screenshots = os.path.abspath(args.screenshots)
    args.icons = os.path.abspath(args.icons)

    missing = missing_tools()
    if missing:
        print("missing programs: %s (./dev.sh test installs them)" % " ".join(missing))
        return 1
    os.makedirs(args.screenshots, exist_ok=True)
    for old in os.listdir(args.screenshots):
        if old.startswith("failure-"):
            os.remove(os.path.join(args.screenshots, old))

    # A stop from outside (a test timeout, Ctrl+C) still ends every process started here.
    def stop(signum, _frame):
        raise SystemExit(128 + signum)
    for sig in (signal.SIGTERM, signal.SIGHUP, signal.SIGINT):
        signal.signal(sig, stop)

    runner = Runner(args)
    for group in GROUPS:
        if not args.only or group.name in args.only:
            runner.run_group(group)
    summary = "%d passed, %d failed" % (runner.passed, runner.failed)
    if runner.skipped:
        summary += ", %d skipped" % runner.skipped
    for fault in runner.known:
        print("known fault, not fixed yet: " + fault)
    print("end-to-end run took %.0f s" % (time.monotonic() - runner.started))
    print(summary)
    return 1 if runner.failed else 0


if __name__ == "__main__":
    sys.exit(main())
