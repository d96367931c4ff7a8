"""Takes the README's window pictures from the installed program.

    GRANTWELL_E2E_PREFIX=PREFIX python3 screenshots.py OUTPUT_FOLDER

Each picture is a real window under Xvfb and openbox, set up with real
input where the picture shows a result (the reset's sheet).
"""
import os
import subprocess
import sys
import time

from desktop import Desktop, Grantwell, find_all, wait_for

PROGRAM = os.path.join(os.environ["GRANTWELL_E2E_PREFIX"], "bin", "grantwell")


def window_box(desktop, pid):
    """The main window with its frame, as x, y, width, height on the screen."""
    wid = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(pid), "--name",
                          "."], env=desktop.env, capture_output=True, text=True).stdout.split()
    boxes = []
    for window in wid:
        shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                               env=desktop.env, capture_output=True, text=True).stdout
        values = dict(line.split("=") for line in shell.split())
        boxes.append((int(values["X"]), int(values["Y"]), int(values["WIDTH"]),
                      int(values["HEIGHT"])))
    x0 = min(b[0] for b in boxes)
    y0 = min(b[1] for b in boxes)
    x1 = max(b[0] + b[2] for b in boxes)
    y1 = max(b[1] + b[3] for b in boxes)
    # openbox's title bar sits above the client window.
    return x0 - 4, y0 - 48, x1 - x0 + 8, y1 - y0 + 52


def shoot(desktop, pid, path):
    time.sleep(0.8)
    full = path + ".full.png"
    desktop.screenshot(full)
    x, y, w, h = window_box(desktop, pid)
    subprocess.run(["convert", full, "-crop", f"{w}x{h}+{max(x, 0)}+{max(y, 0)}", "+repage",
                    path], check=True)
    os.remove(full)


def main(out):
    desktop = Desktop(1000, 1300)
    items = os.path.join(desktop.home, "Documents")
    os.makedirs(items, mode=0o755)
    try:
        def run(name, args, user=None, setup=None):
            gw = Grantwell(desktop, PROGRAM, args, user=user) if user is None else None
            if user is not None:
                process = subprocess.Popen(
                    ["setpriv", f"--reuid={user}", f"--regid={user}", "--clear-groups", PROGRAM,
                     *args], env={**desktop.env, "QT_QPA_PLATFORM": "xcb",
                                  "HOME": os.path.join(desktop.home, "nobody")},
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(2.0)
                shoot(desktop, process.pid, os.path.join(out, name))
                process.terminate()
                process.wait()
                return
            if setup:
                setup(gw)
            shoot(desktop, gw.process.pid, os.path.join(out, name))
            gw.quit()

        run("window-empty.png", [])

        download = os.path.join(items, "Quarterly report.pdf")
        with open(download, "wb") as f:
            f.write(b"%PDF-1.4\n")
        os.chmod(download, 0o644)
        subprocess.run(["setfattr", "-n", "user.xdg.origin.url", "-v",
                        "https://reports.example.com/2026/q3.pdf", download], check=False)
        subprocess.run(["setfacl", "-m", "u:nobody:rw", download], check=False)
        run("window-download.png", [download])

        locked = os.path.join(items, "Signed contract.txt")
        with open(locked, "w") as f:
            f.write("signed\n")
        os.chmod(locked, 0o644)
        subprocess.run(["chattr", "+i", locked], check=False)
        run("window-locked.png", [locked])
        subprocess.run(["chattr", "-i", locked], check=False)

        shared = os.path.join(items, "Team share")
        os.mkdir(shared)
        subprocess.run(["setfacl", "-m", "u:nobody:rwx,d:u:nobody:rwx", shared], check=False)
        run("window-folder-acl.png", [shared])

        os.makedirs(os.path.join(desktop.home, "nobody"), exist_ok=True)
        os.chown(os.path.join(desktop.home, "nobody"), 65534, 65534)
        run("window-not-writable.png", ["/etc/hostname"], user=65534)

        plain = os.path.join(items, "notes.txt")
        with open(plain, "w") as f:
            f.write("notes\n")
        os.chmod(plain, 0o600)

        def reset(gw):
            toolbar = gw.find(role="tool bar")
            gw.click(gw.find("Reset", role="push button", root=toolbar))
            gw.find("Grantwell Completed", role="label")

        run("progress-sheet.png", [plain], setup=reset)
    finally:
        desktop.close()


if __name__ == "__main__":
    main(os.path.abspath(sys.argv[1]))
