"""Tries each action for real, as whoever runs it; prints what the kernel did.

Reads [[path, "file"|"folder"], ...] as JSON on standard input and writes
{path: {action: true|false}} on standard output. Leaves every item as it was:
a rename is undone, a created probe file removed where the folder allows it.
"""
import json
import os
import subprocess
import sys


def attempt(action):
    try:
        action()
        return True
    except OSError:
        return False


def open_file(path):
    os.close(os.open(path, os.O_RDONLY | os.O_NONBLOCK))


def save_file(path):
    # Opening for writing is the check; nothing is written or truncated.
    os.close(os.open(path, os.O_WRONLY | os.O_NONBLOCK))


def run_file(path):
    subprocess.run([path], stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=20, check=False)


def rename_and_back(path):
    moved = path + ".gw-moved"
    os.rename(path, moved)
    os.rename(moved, path)


def enter(path):
    os.chdir(path)
    os.chdir("/")


def list_folder(path):
    os.listdir(path)


def create_in(path):
    probe = os.path.join(path, ".gw-probe-%d" % os.getuid())
    os.close(os.open(probe, os.O_CREAT | os.O_EXCL | os.O_WRONLY, 0o600))
    try:
        os.unlink(probe)
    except OSError:
        pass  # an append-only folder keeps it; the test's cleanup removes it


def main():
    items = json.load(sys.stdin)
    results = {}
    for path, kind in items:
        if kind == "folder":
            actions = {"open": enter, "list": list_folder, "create": create_in,
                       "delete": rename_and_back}
        else:
            actions = {"open": open_file, "save": save_file, "run": run_file,
                       "delete": rename_and_back}
        results[path] = {name: attempt(lambda a=act: a(path)) for name, act in actions.items()}
    json.dump(results, sys.stdout)


main()
