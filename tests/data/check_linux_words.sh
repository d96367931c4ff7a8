#!/usr/bin/env bash
# No user-visible text names a macOS service or brand a Linux user doesn't
# have. String literals in the sources are searched; what stays is what
# callers and stored files rely on: the update page's "macos" query key, a
# code-signing name matched (never shown), and the update status names.
#   check_linux_words.sh SOURCE_DIR
set -euo pipefail
cd "$1"
found=$(grep -rnE --include=*.cpp --include=*.h --include=*.html \
  '"[^"]*(Finder|macOS|Mac OS|Mac\b|QuickLook|Quicklook)[^"]*"' app basalt platform helper tools |
  grep -vE '&macos=|"Apple Mac OS Application Signing"|"noUpdateForThisMac"' || true)
if [ -n "$found" ]; then
  echo "FAIL: texts that speak of a Mac:"
  echo "$found"
  exit 1
fi
echo "linux words: 1 passed, 0 failed"
