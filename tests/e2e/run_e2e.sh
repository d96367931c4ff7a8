#!/usr/bin/env bash
# The window tests against the installed program: installs the build into a
# throw-away prefix and runs tests/e2e on a desktop of their own.
#   run_e2e.sh BUILD_DIR [unittest arguments...]
set -euo pipefail
build=$1
shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
prefix=$(mktemp -d /tmp/grantwell-e2e-prefix-XXXXXX)
trap 'rm -rf "$prefix"' EXIT
chmod 755 "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
export GRANTWELL_E2E_PREFIX=$prefix
export GRANTWELL_E2E_ARTIFACTS=$build/e2e-artifacts
if [ -x "$build/tests/e2e/drag_source" ]; then
  export GRANTWELL_E2E_DRAG_SOURCE=$build/tests/e2e/drag_source
fi
cd "$here"
# Debian's python3: pyatspi comes from its packages.
if [ $# -eq 0 ]; then
  exec /usr/bin/python3 -W ignore::DeprecationWarning -m unittest discover -v -s . -p 'test_*.py'
fi
exec /usr/bin/python3 -W ignore::DeprecationWarning -m unittest -v "$@"
