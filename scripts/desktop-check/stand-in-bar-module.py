#!/usr/bin/env python3
# A stand-in for `today bar --watch --format waybar`, used by the desktop check only while the command
# has no `bar` subcommand: prints a waybar JSON line from `today show --format json`, and a new one
# whenever the listed plans or their files change (looked at every tenth of a second).
import json
import os
import subprocess
import sys
import time

containers = os.environ["TODAY_GROUP_CONTAINERS"]


def signature(files):
    seen = []
    for path in files:
        try:
            info = os.stat(path)
            seen.append((path, info.st_ino, info.st_size, info.st_mtime_ns))
        except OSError:
            seen.append((path, None))
    return seen


def line():
    shown = json.loads(subprocess.run(["today", "show", "--format", "json"], capture_output=True).stdout or "{}")
    plans = shown.get("plans", [])
    tasks = [task["name"] for plan in plans for task in plan.get("tasks") or []]
    text = f"{tasks[0]} · {len(tasks)} today" if tasks else "Nothing today"
    tooltip = "\n".join(tasks)
    return json.dumps({"text": text, "tooltip": tooltip, "class": "idle" if not tasks else "busy"}), \
        [plan["file"] for plan in plans]


last, watched = None, []
while True:
    files = [os.path.join(root, name) for root, _, names in os.walk(containers) for name in names] + watched
    now = signature(files)
    if now != last:
        last = now
        text, watched = line()
        print(text, flush=True)
        last = signature([os.path.join(root, name) for root, _, names in os.walk(containers) for name in names]
                         + watched)
    time.sleep(0.1)
