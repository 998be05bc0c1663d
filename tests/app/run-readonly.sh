#!/usr/bin/env bash
# Runs a test binary from a copy of it in a folder the process may not write, so the
# settings file beside the executable cannot be created. As root, permissions do not stop
# writes, so the copy then runs as the unprivileged user "nobody".
#   run-readonly.sh [--beside SETTINGS] BINARY [ARGS...]
# --beside puts a copy of SETTINGS beside the binary as its JibSettings.ini first.
set -euo pipefail
beside=
if [ "${1:-}" = --beside ]; then
  beside=$2
  shift 2
fi
binary=$1
shift
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
cp "$binary" "$dir/"
[ -z "$beside" ] || cp "$beside" "$dir/JibSettings.ini"
chmod -R a+rX "$dir"
chmod 0555 "$dir"
if [ "$(id -u)" = 0 ]; then
  exec_as=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent TMPDIR=/tmp)
else
  exec_as=()
fi
"${exec_as[@]}" "$dir/$(basename "$binary")" "$@"
