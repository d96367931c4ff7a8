"""Loads the installed GNOME Files extension as Nautilus would and asks it
for its menu on one file: one entry, "Examine Permissions".
    load_nautilus_extension.py EXTENSION_FILE"""
import importlib.util
import sys

import gi

gi.require_version("Nautilus", "4.0")
from gi.repository import Gio, Nautilus  # noqa: E402


class OneFile:
    def __init__(self, path):
        self._location = Gio.File.new_for_path(path)

    def get_location(self):
        return self._location


spec = importlib.util.spec_from_file_location("grantwell_nautilus", sys.argv[1])
module = importlib.util.module_from_spec(spec)
spec.loader.exec_module(module)
provider = module.GrantwellMenuProvider()
assert isinstance(provider, Nautilus.MenuProvider)
items = provider.get_file_items([OneFile("/etc/hostname")])
assert [item.props.label for item in items] == ["Examine Permissions"], items
assert provider.get_file_items([OneFile("/etc/hostname"), OneFile("/etc/passwd")]) == []
print("nautilus extension: 1 passed, 0 failed")
