#!/usr/bin/env python3
"""Wine's desktop for the test run (see desktop_holder.cpp).

    desktop_holder.py start STATE_DIR HOLDER_EXE EMULATOR...   start it, wait until the desktop is up
                                                              (the emulator may be a command with arguments)
    desktop_holder.py stop STATE_DIR                        let it end
"""
import os
import subprocess
import sys
import time


def remove(path):
    try:
        os.remove(path)
    except OSError:
        pass


def start(state, holder, emulator):
    os.makedirs(state, exist_ok=True)
    ready, stop = os.path.join(state, "ready"), os.path.join(state, "stop")
    remove(ready)
    remove(stop)
    # Nothing of CTest's may reach the holder, or the desktop process it
    # starts would hold CTest's pipes again.
    subprocess.Popen(emulator + [holder, "Z:" + state.replace("/", "\\")],
                     stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL, start_new_session=True)
    deadline = time.time() + 120
    while time.time() < deadline:
        if os.path.exists(ready):
            return 0
        time.sleep(0.05)
    print("the desktop holder did not start", file=sys.stderr)
    return 1


def stop(state):
    os.makedirs(state, exist_ok=True)
    open(os.path.join(state, "stop"), "w").close()
    return 0


if __name__ == "__main__":
    if len(sys.argv) >= 5 and sys.argv[1] == "start":
        sys.exit(start(os.path.abspath(sys.argv[2]), sys.argv[3], sys.argv[4:]))
    if len(sys.argv) == 3 and sys.argv[1] == "stop":
        sys.exit(stop(os.path.abspath(sys.argv[2])))
    print(__doc__, file=sys.stderr)
    sys.exit(2)
