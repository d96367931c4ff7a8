#!/usr/bin/env bash
# The file managers' "Examine Permissions" entries, checked as far as a tool
# can: desktop-file-validate knows only Application, Link and Directory, so
# for Dolphin's service menu (Type=Service, KDE's own kind) it may object to
# exactly the two keys a service menu is made of, and to nothing else.
#   check_file_manager_entries.sh SOURCE_DIR
set -euo pipefail
dir=$1/data/filemanager
out=$(desktop-file-validate "$dir/grantwell-examine.desktop" 2>&1 || true)
rest=$(grep -vE 'key "(MimeType|Actions)" is present in group "Desktop Entry", but the type is "Service"' <<<"$out" || true)
if [ -n "$rest" ]; then
  echo "FAIL: the Dolphin service menu: $rest"
  exit 1
fi
grep -qx 'Exec=grantwell -- %f' "$dir/grantwell-examine.desktop" || { echo "FAIL: Dolphin's command"; exit 1; }
grep -qx 'Exec=grantwell -- %F' "$dir/grantwell.nemo_action" || { echo "FAIL: Nemo's command"; exit 1; }
grep -qx 'Selection=s' "$dir/grantwell.nemo_action" || { echo "FAIL: Nemo's selection"; exit 1; }
/usr/bin/python3 -c "import ast, sys; ast.parse(open(sys.argv[1]).read())" "$dir/grantwell-nautilus.py"
echo "file manager entries: 1 passed, 0 failed"
