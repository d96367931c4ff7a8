"""GNOME Files (Nautilus): "Examine Permissions" on a right-click, which opens
the item in Grantwell."""
import subprocess

from gi.repository import GObject, Nautilus


class GrantwellMenuProvider(GObject.GObject, Nautilus.MenuProvider):
    def _examine(self, _menu, item):
        location = item.get_location()
        path = location.get_path() if location else None
        if path:
            subprocess.Popen(["grantwell", "--", path])

    def get_file_items(self, *args):
        # Nautilus 43 passes (files); older versions pass (window, files).
        files = args[-1]
        if len(files) != 1 or not files[0].get_location() or \
                not files[0].get_location().get_path():
            return []
        entry = Nautilus.MenuItem(name="Grantwell::Examine", label="Examine Permissions",
                                  tip="Show and repair this item's permissions in Grantwell")
        entry.connect("activate", self._examine, files[0])
        return [entry]
