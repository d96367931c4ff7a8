#!/usr/bin/env bash
# The installed polkit policy is valid against polkit's DTD, names the
# installed helper for every action, and never keeps an authorisation.
#   check_installed_policy.sh BUILD_DIR
set -euo pipefail
build=$1
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null
policy="$prefix/share/polkit-1/actions/com.ambrel.grantwell.policy"
helper="$prefix/libexec/grantwell/Vosker"
[ -x "$helper" ] || { echo "FAIL: no helper at $helper"; exit 1; }
xmllint --noout --dtdvalid /usr/share/polkit-1/policyconfig-1.dtd "$policy"

paths=$(xmllint --xpath '//annotate[@key="org.freedesktop.policykit.exec.path"]/text()' "$policy" | sort -u)
[ "$paths" = "$helper" ] || { echo "FAIL: exec.path is '$paths', not '$helper'"; exit 1; }
commands=$(xmllint --xpath '//annotate[@key="org.freedesktop.policykit.exec.argv1"]/text()' "$policy" |
  tr '\n' ' ')
[ "$commands" = "reset owner lock unlock restore " ] || { echo "FAIL: commands are '$commands'"; exit 1; }
if grep -q 'auth_admin_keep\|<allow_[a-z]*>yes' "$policy"; then
  echo "FAIL: the policy keeps or skips authorisation"
  exit 1
fi
actions=$(grep -c '<action id=' "$policy")
[ "$(grep -c '<allow_[a-z]*>auth_admin</allow' "$policy")" -eq $((3 * actions)) ] || {
  echo "FAIL: not every default is auth_admin"
  exit 1
}
echo "policy: 1 passed, 0 failed"
