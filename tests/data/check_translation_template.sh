#!/usr/bin/env bash
# The build's translation template holds the window's texts, so a
# translator can start.
#   check_translation_template.sh BUILD_DIR
set -euo pipefail
ts=$1/translations/grantwell.ts
[ -s "$ts" ] || { echo "FAIL: no $ts"; exit 1; }
for text in "You can open &amp; save changes" "Unable to reset the permissions" \
  "Drag a file here to examine it&apos;s permissions" "Show in File Manager" "Locked"; do
  grep -qF "<source>$text</source>" "$ts" || { echo "FAIL: \"$text\" is not in the template"; exit 1; }
done
count=$(grep -c '<message>' "$ts")
[ "$count" -ge 200 ] || { echo "FAIL: only $count texts in the template"; exit 1; }
echo "translation template: $count texts; 1 passed, 0 failed"
