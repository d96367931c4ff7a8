#!/usr/bin/python3
"""Runs a command in a pseudo-terminal and answers its password prompt.

    answer_prompt.py [--identity NAME] ANSWER COMMAND...

ANSWER is typed once at the first "Password:"; the word EOF sends an
end-of-file there instead (a dismissed prompt). Where the agent asks which
administrator to authenticate as, NAME's number is chosen. Prints everything the
terminal showed, then "EXIT STATUS". Gives up after 30 seconds.
"""
import os
import pty
import re
import select
import sys
import time


def main():
    args = sys.argv[1:]
    identity = None
    if args[0] == "--identity":
        identity, args = args[1], args[2:]
    answer, argv = args[0], args[1:]
    pid, fd = pty.fork()
    if pid == 0:
        os.execvp(argv[0], argv)
    shown, answered, chosen = b"", False, False
    deadline = time.time() + 30
    while time.time() < deadline:
        ready, _, _ = select.select([fd], [], [], 0.2)
        if not ready:
            if os.waitpid(pid, os.WNOHANG)[0]:
                break
            continue
        try:
            chunk = os.read(fd, 4096)
        except OSError:
            break
        if not chunk:
            break
        shown += chunk
        if identity and not chosen and b"Choose identity" in shown:
            listed = re.search(rb"(\d+)\.\s+" + re.escape(identity.encode()) + rb"\b", shown)
            if listed:
                os.write(fd, listed.group(1) + b"\n")
                chosen = True
        if not answered and b"Password:" in shown:
            # The agent turns echo off after its prompt, flushing what was
            # typed before: give it the moment a person would.
            time.sleep(0.5)
            special = {"EOF": b"\x04", "INTERRUPT": b"\x03"}
            os.write(fd, special.get(answer, answer.encode() + b"\n"))
            answered = True
    else:
        os.kill(pid, 9)
    _, status = os.waitpid(pid, 0)
    sys.stdout.write(shown.decode(errors="replace"))
    print("EXIT", os.waitstatus_to_exitcode(status))


main()
