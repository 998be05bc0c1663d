#!/usr/bin/env bash
# Runs a test binary from a copy of it in a folder the process may not write, so the
# settings file beside the executable cannot be created. As root, permissions do not stop
# writes, so the copy then runs as the unprivileged user "nobody".
#   run-readonly.sh [--beside SETTINGS | --installed] BINARY [ARGS...]
# --beside puts a copy of SETTINGS beside the binary as its JibSettings.ini first.
# --installed leaves the folder writable and runs as the current user, but marks the copy
# as installed, as the install rules do: the settings must go where a read-only copy's go.
set -euo pipefail
beside= installed=
case "${1:-}" in
  --beside) beside=$2; shift 2 ;;
  --installed) installed=1; shift ;;
esac
binary=$1
shift
dir=$(mktemp -d)
trap 'chmod -R u+w "$dir"; rm -rf "$dir"' EXIT
cp "$binary" "$dir/"
[ -z "$beside" ] || cp "$beside" "$dir/JibSettings.ini"
if [ -n "$installed" ]; then
  echo "marked by the test" >"$dir/installed-copy"
  exec "$dir/$(basename "$binary")" "$@"
fi
chmod -R a+rX "$dir"
chmod 0555 "$dir"
if [ "$(id -u)" = 0 ]; then
  exec_as=(setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/nonexistent TMPDIR=/tmp)
else
  exec_as=()
fi
"${exec_as[@]}" "$dir/$(basename "$binary")" "$@"
