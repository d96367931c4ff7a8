"""The installed Grantwell window, used with the mouse, the keyboard and drops.

Every check acts through real X input at the widget's place on the screen
and then looks at the file on disk (stat, lsattr), never into the code.
"""
import os
import stat
import subprocess
import time
import unittest

import pyatspi
from desktop import Desktop, Grantwell, centre, extents, find_all, is_checked, wait_for

PREFIX = os.environ["GRANTWELL_E2E_PREFIX"]
PROGRAM = os.path.join(PREFIX, "bin", "grantwell")
ARTIFACTS = os.environ.get("GRANTWELL_E2E_ARTIFACTS", "/tmp/grantwell-e2e-artifacts")
DRAG_SOURCE = os.environ.get("GRANTWELL_E2E_DRAG_SOURCE")

CELLS = [(who, right, bit)
         for who, shift in (("Owner", 6), ("Group", 3), ("Others", 0))
         for right, value in (("read", 4), ("write", 2), ("execute", 1))
         for bit in [value << shift]]


def mode_of(path):
    return stat.S_IMODE(os.lstat(path).st_mode)


def is_immutable(path):
    flags = subprocess.run(["lsattr", "-d", path], capture_output=True, text=True).stdout
    return "i" in flags.split()[0] if flags else False


DESKTOP = None


def setUpModule():
    # One desktop for the whole run: the accessibility client of this
    # process binds to the first session bus it meets.
    global DESKTOP
    DESKTOP = Desktop()


def tearDownModule():
    DESKTOP.close()


class WindowTestCase(unittest.TestCase):
    """One Grantwell for each test, on the one desktop."""

    @property
    def desktop(self):
        return DESKTOP

    def setUp(self):
        self.items = os.path.join(self.desktop.home, "items", self.id().rsplit(".", 1)[-1])
        os.makedirs(self.items, mode=0o755)
        self.grantwell = None

    def tearDown(self):
        failed = any(error for _, error in getattr(self._outcome, "errors", []) if error) or \
            any(getattr(self._outcome, "result", None) and
                test is self for test, _ in self._outcome.result.failures +
                self._outcome.result.errors)
        if failed:
            os.makedirs(ARTIFACTS, exist_ok=True)
            name = self.id().rsplit(".", 1)[-1]
            self.desktop.screenshot(os.path.join(ARTIFACTS, name + ".png"))
            if self.grantwell:
                with open(os.path.join(ARTIFACTS, name + ".log"), "w") as log:
                    log.write(self.grantwell.output())
        if self.grantwell:
            self.grantwell.quit()
        subprocess.run(["chattr", "-R", "-i", self.items], capture_output=True)

    def item(self, name, content="some text\n", mode=0o640):
        path = os.path.join(self.items, name)
        with open(path, "w") as f:
            f.write(content)
        os.chmod(path, mode)
        return path

    def start(self, *args):
        self.grantwell = Grantwell(self.desktop, PROGRAM, args)
        return self.grantwell


class MouseTest(WindowTestCase):

    def test_each_cell_flips_exactly_its_bit(self):
        path = self.item("cells.txt", mode=0o640)
        gw = self.start(path)
        for who, right, bit in CELLS:
            with self.subTest(cell=f"{who} {right}"):
                cell = gw.find(f"{who} {right}", role="check box")
                before = mode_of(path)
                self.assertEqual(is_checked(cell), bool(before & bit))
                gw.click(cell)
                wait_for(lambda: mode_of(path) == before ^ bit,
                         what=f"mode {before ^ bit:o} after clicking {who} {right}")
                # The tree follows the disk once the record is refreshed.
                wait_for(lambda: is_checked(gw.find(f"{who} {right}", role="check box"))
                         == bool(mode_of(path) & bit), what="the cell to show the new bit")

    def test_locked_sets_and_clears_the_immutable_flag(self):
        if os.geteuid() != 0:
            self.skipTest("only root may set the immutable flag without the prompt")
        path = self.item("lock me.txt")
        subprocess.run(["chattr", "+i", path], capture_output=True)
        if not is_immutable(path):
            self.skipTest("this file system has no immutable flag")
        subprocess.run(["chattr", "-i", path], check=True)
        gw = self.start(path)
        lock = gw.find("Locked", role="check box")
        self.assertFalse(is_checked(lock))
        gw.click(lock)
        wait_for(lambda: is_immutable(path), what="the immutable flag set")
        wait_for(lambda: is_checked(gw.find("Locked", role="check box")), what="Locked checked")
        gw.click(gw.find("Locked", role="check box"))
        wait_for(lambda: not is_immutable(path), what="the immutable flag cleared")

    def test_choose_opens_the_open_panel(self):
        gw = self.start()
        gw.click(gw.find("Choose...", role="push button"))
        panel = wait_for(lambda: next((f for f in find_all(gw.app, role="dialog")
                                       if f.name), None), what="the open panel")
        self.assertIn("Open", panel.name)
        self.desktop.key("Escape")
        wait_for(lambda: not find_all(gw.app, role="dialog"), what="the panel to close")

    def test_owner_row_opens_the_owner_sheet(self):
        gw = self.start(self.item("owned.txt"))
        gw.click(gw.find(role="push button", prefix="Owner "))
        wait_for(lambda: gw.frame("Set the File Owner"), what="the owner sheet")

    def test_from_link_opens_the_source_addresses(self):
        path = self.item("download.zip")
        if subprocess.run(["setfattr", "-n", "user.xdg.origin.url", "-v",
                           "https://example.com/download.zip", path]).returncode != 0:
            self.skipTest("this file system has no user attributes")
        gw = self.start(path)
        gw.click(gw.find(role="push button", prefix="From"))
        wait_for(lambda: gw.frame("File Source URLS"), what="the source addresses sheet")

    def test_context_menu_opens_the_original_of_a_link(self):
        target = self.item("the original.txt")
        link = os.path.join(self.items, "a link")
        os.symlink(target, link)
        gw = self.start(link)
        windows = len(gw.x_windows())
        # On the icon: the name is selectable text with a menu of its own.
        gw.click(gw.find(role="image", root=gw.window), button=3)
        # Qt keeps popups out of the accessibility tree (a screen reader is
        # told of them by focus events): the menu is the new X window, and
        # the keyboard walks it as a person would.
        wait_for(lambda: len(gw.x_windows()) > windows, what="the context menu")
        self.desktop.key("Down", "Down", "Down", "Return")  # Show…, Quick Look, Open Original
        gw.find("the original.txt", role="label")

    def test_reset_shows_the_progress_sheet_and_done_closes_it(self):
        path = self.item("to reset.txt", mode=0o600)
        gw = self.start(path)
        gw.click(gw.find("Reset", role="push button", root=gw.find(role="tool bar")))
        done = gw.find("Done", role="push button")
        gw.find("Grantwell Completed", role="label")
        self.assertEqual(mode_of(path), 0o644)
        gw.click(done)
        wait_for(lambda: not find_all(gw.app, "Done", "push button"), what="the sheet to close")

    def test_delete_empties_the_window(self):
        gw = self.start(self.item("shown.txt"))
        gw.find("shown.txt", role="label")
        self.desktop.key("Delete")
        gw.find("Choose...", role="push button")
        self.assertFalse(find_all(gw.app, "shown.txt", "label"))

    @unittest.skipUnless(DRAG_SOURCE, "no drag source built")
    def test_a_real_drag_loads_the_file(self):
        path = self.item("dragged here.txt")
        gw = self.start()
        source = subprocess.Popen([DRAG_SOURCE, path], env={**self.desktop.env,
                                                           "QT_QPA_PLATFORM": "xcb"})
        try:
            time.sleep(1.0)
            geometry = subprocess.run(["xdotool", "search", "--sync", "--name",
                                       "Grantwell drag source", "getwindowgeometry",
                                       "--shell"], env=self.desktop.env, capture_output=True,
                                      text=True, check=True).stdout
            values = dict(line.split("=") for line in geometry.split())
            sx = int(values["X"]) + int(values["WIDTH"]) // 2
            sy = int(values["Y"]) + int(values["HEIGHT"]) // 2
            tx, ty = centre(gw.find("Choose...", role="push button"))
            self.desktop.xdotool("mousemove", "--sync", sx, sy)
            self.desktop.xdotool("mousedown", 1)
            for step in range(1, 21):
                self.desktop.xdotool("mousemove", sx + (tx - sx) * step // 20,
                                     sy + (ty - sy) * step // 20)
                time.sleep(0.05)
            time.sleep(0.3)
            if os.environ.get("GRANTWELL_E2E_SHOTS"):
                self.desktop.screenshot(os.path.join(os.environ["GRANTWELL_E2E_SHOTS"],
                                                     "drop-outline.png"))
            self.desktop.xdotool("mouseup", 1)
            gw.find("dragged here.txt", role="label")
        finally:
            source.terminate()
            source.wait()


class KeyboardTest(WindowTestCase):

    def test_the_keyboard_alone_flips_a_bit(self):
        path = self.item("keys.txt", mode=0o640)
        gw = self.start(path)
        target = gw.find("Others read", role="check box")
        for _ in range(40):
            if target.getState().contains(pyatspi.STATE_FOCUSED):
                break
            self.desktop.key("Tab")
            target = gw.find("Others read", role="check box")
        else:
            self.fail("Tab never reached Others read")
        self.desktop.key("space")
        wait_for(lambda: mode_of(path) == 0o644, what="others read granted by Space")


class LayoutTest(WindowTestCase):

    def test_window_follows_content_for_every_item(self):
        acl_folder = os.path.join(self.items, "shared folder")
        os.mkdir(acl_folder)
        subprocess.run(["setfacl", "-m", "u:nobody:rwx,d:u:nobody:rx,g:adm:r", acl_folder],
                       capture_output=True)
        long_name = self.item("N" * 120 + ".txt")
        sequence = [acl_folder, self.item("plain.txt"), "/usr/bin/env", long_name, acl_folder]
        gw = self.start()
        for path in sequence:
            with self.subTest(item=os.path.basename(path)[:40]):
                self.open_with_the_panel(gw, path)
                gw.find(os.path.basename(path), role="label")
                time.sleep(0.5)  # the refit is queued after the record
                self.check_window_fits(gw)

    def test_grid_is_whole_at_the_narrowest_width(self):
        gw = self.start(self.item("L" * 120 + ".txt"))
        window = gw.x_windows()[0]
        for candidate in gw.x_windows():
            if subprocess.run(["xdotool", "getwindowname", candidate], env=self.desktop.env,
                              capture_output=True, text=True).stdout.startswith("LLL"):
                window = candidate
        self.desktop.xdotool("windowsize", window, 300, 700)  # the window keeps 350
        time.sleep(1.0)
        x, y, width, height = extents(gw.window)
        self.assertLessEqual(width, 360)
        self.check_window_fits(gw)
        header = gw.find("Execute", role="label")
        hx, hy, hw, hh = extents(header)
        self.assertGreaterEqual(hw, 44, "the Execute header is squeezed")
        panel_right = max(extents(n)[0] + extents(n)[2]
                          for n in find_all(gw.window, role="check box", prefix="Others"))
        self.assertLessEqual(hx + hw, x + width, "the Execute header runs off the window")
        self.assertLessEqual(panel_right, x + width)

    def test_settings_grow_with_the_debugging_rows(self):
        gw = self.start()
        self.desktop.key("ctrl+comma")
        settings = wait_for(lambda: gw.frame("Settings"), what="the settings window")
        show = gw.find("Show", role="check box", root=settings)
        gw.click(show)
        gw.find("Test", role="push button", root=settings)
        time.sleep(0.5)
        self.check_inside(gw.frame("Settings"))
        boxes = [extents(n) for n in find_all(gw.frame("Settings"))
                 if n.getRoleName() in ("push button", "check box", "combo box", "label")]
        for i, a in enumerate(boxes):
            for b in boxes[i + 1:]:
                overlap = min(a[0] + a[2], b[0] + b[2]) - max(a[0], b[0]) > 2 and \
                    min(a[1] + a[3], b[1] + b[3]) - max(a[1], b[1]) > 2
                self.assertFalse(overlap, f"rows overlap: {a} and {b}")

    def check_inside(self, frame):
        x, y, width, height = extents(frame)
        for node in find_all(frame):
            nx, ny, nw, nh = extents(node)
            # A closed combo box's list stays in the tree; it is not on screen.
            if node.getRoleName() in ("list item", "menu item"):
                continue
            if nw > 0 and nh > 0:
                self.assertTrue(x <= nx and nx + nw <= x + width and y <= ny and
                                ny + nh <= y + height,
                                f"{node.getRoleName()} {node.name!r} lies outside its window")

    def open_with_the_panel(self, gw, path):
        self.desktop.key("ctrl+o")
        panel = wait_for(lambda: next(iter(find_all(gw.app, role="dialog")), None),
                         what="the open panel")
        time.sleep(0.3)
        self.desktop.type(path)
        self.desktop.key("Return")
        wait_for(lambda: not find_all(gw.app, role="dialog"), what="the panel to close")
        del panel

    def check_window_fits(self, gw):
        x, y, width, height = extents(gw.window)
        self.assertFalse(find_all(gw.app, role="scroll bar"), "a scroll bar is showing")
        # No gap: the last thing in the window, the maker's logo, ends at its bottom.
        logo = gw.find("AMBREL", role="push button")
        lx, ly, lw, lh = extents(logo)
        self.assertLess(y + height - (ly + lh), 40, "a gap below the content")
        for node in find_all(gw.window):
            nx, ny, nw, nh = extents(node)
            if nw <= 0 or nh <= 0:
                continue
            self.assertTrue(x <= nx and nx + nw <= x + width and y <= ny and ny + nh <= y + height,
                            f"{node.getRoleName()} {node.name!r} at {nx},{ny} {nw}x{nh} lies "
                            f"outside the window {x},{y} {width}x{height}")


if __name__ == "__main__":
    unittest.main()


class WhyTest(WindowTestCase):

    def test_why_check_as_and_the_blocking_folder(self):
        closed = os.path.join(self.items, "closed")
        os.mkdir(closed, 0o700)
        path = os.path.join(closed, "notes.txt")
        with open(path, "w") as f:
            f.write("notes\n")
        os.chmod(path, 0o644)
        gw = self.start(path)
        # Even root can't run a file that no one may execute.
        gw.find(prefix="You can't run this file: it isn't marked as a program", role="label")
        field = gw.find("Check as", role="text")
        gw.click(field)
        self.desktop.type("nobody")
        self.desktop.key("Escape")  # the completion list
        self.desktop.key("Return")
        sentence = gw.find(prefix="nobody can't open this file: the folder " + closed,
                           role="label")
        # Return in the field only checks: the window's Return would reset.
        time.sleep(0.5)
        self.assertIsNone(gw.frame("Resetting"))
        self.assertEqual(mode_of(path), 0o644)
        # The blocking folder is a link: the first Tab reaches the sentence
        # (a screen reader reads it), the next its link; Return opens it and
        # resets nothing.
        self.desktop.key("Tab")
        self.desktop.key("Tab")
        self.desktop.key("Return")
        wait_for(lambda: gw.frame("closed", prefix=True), what="the folder loaded")
        self.assertIsNone(gw.frame("Resetting"))
        self.assertEqual(mode_of(path), 0o644)
        self.assertEqual(mode_of(closed), 0o700)


def tree_dump(top):
    """What the tools a user trusts say of a tree, byte for byte."""
    script = ("cd '%s' && find . | sort | xargs -d '\\n' stat -c '%%u %%g %%a %%n' && "
              "getfacl -R --absolute-names . 2>/dev/null; "
              "getfattr -R -d -m '^user\\.' --absolute-names . 2>/dev/null; "
              "lsattr -R . 2>/dev/null; true" % top)
    return subprocess.run(["sh", "-c", script], capture_output=True).stdout


class UndoTest(WindowTestCase):

    def test_ctrl_z_takes_a_nested_reset_back(self):
        top = os.path.join(self.items, "tree")
        os.makedirs(os.path.join(top, "inner"))
        os.chmod(top, 0o700)
        for index in range(12):
            path = os.path.join(top, "inner" if index % 2 else "", "file %d.txt" % index)
            with open(path, "w") as f:
                f.write("x")
            os.chmod(path, 0o600 if index % 3 else 0o666)
            if index % 4 == 0:
                subprocess.run(["setfacl", "-m", "u:nobody:rw", path], check=True)
            if index % 5 == 0:
                subprocess.run(["setfattr", "-n", "user.tag", "-v", "v %d" % index, path],
                               check=True)
        before = tree_dump(top)
        gw = self.start(top)
        nested = gw.find(prefix="Include enclosed items", role="check box")
        wait_for(lambda: "14 items" in gw.find(prefix="Include enclosed items",
                                               role="check box").name, what="the count")
        gw.click(nested)
        wait_for(lambda: is_checked(gw.find(prefix="Include enclosed items", role="check box")),
                 what="the switch on")
        self.desktop.key("ctrl+b")
        gw.find("Grantwell Completed", role="label")
        after_reset = tree_dump(top)
        self.assertNotEqual(after_reset, before)
        self.assertEqual(mode_of(os.path.join(top, "inner", "file 1.txt")), 0o644)
        gw.click(gw.find("Done", role="push button"))
        wait_for(lambda: gw.frame("Resetting") is None, what="the panel closed")
        self.desktop.key("ctrl+z")
        wait_for(lambda: tree_dump(top) == before, what="the tree as it was")
