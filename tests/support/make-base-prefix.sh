#!/usr/bin/env bash
# Makes the base Wine prefix that every test of this run copies (see TestPrefix.h).
# Usage: make-base-prefix.sh DIR
set -u
dir=$1
if [ -f "$dir/.kestrel-complete" ]; then
    echo "base prefix ready: $dir"
    exit 0
fi
if ! command -v wineboot >/dev/null 2>&1; then
    echo "Wine is not installed: tests that need a Wine prefix cannot run."
    if [ -n "${CI:-}" ] && [ "${CI}" != "false" ]; then
        exit 1
    fi
    exit 0
fi
rm -rf "$dir" "$(dirname "$dir")/copies"
mkdir -p "$(dirname "$dir")"
export WINEPREFIX=$dir WINEDEBUG=-all
# No display is needed; keep Wine from asking to install Mono or Gecko.
export WINEDLLOVERRIDES="mscoree,mshtml="
wineboot -i >/dev/null 2>&1
status=$?
wineserver -w
if [ $status -ne 0 ] || [ ! -f "$dir/system.reg" ]; then
    echo "wineboot failed ($status) for $dir"
    exit 1
fi
touch "$dir/.kestrel-complete"
echo "base prefix made: $dir"
