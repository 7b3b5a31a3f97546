#!/bin/sh
# Runs one Windows program under Wine: run-under-wine.sh PREFIX LOADER PROGRAM [ARGS...]
# The Wine prefix is created on first use, without any window or prompt, and
# under a lock so that programs started in parallel wait for one set-up.
set -eu
WINEPREFIX=$1
loader=$2
shift 2
export WINEPREFIX
export WINEDEBUG=-all
# No Mono or Gecko download prompts while the prefix is created, and no menu
# entries or file associations written into the user's home folder.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export XDG_CONFIG_HOME="$WINEPREFIX/xdg/config"
export XDG_DATA_HOME="$WINEPREFIX/xdg/data"
export XDG_CACHE_HOME="$WINEPREFIX/xdg/cache"
unset DISPLAY WAYLAND_DISPLAY

wineserver=$(dirname "$loader")/wineserver
[ -x "$wineserver" ] || wineserver=wineserver

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      "$loader" wineboot --init >/dev/null 2>&1 || {
        echo "run-under-wine: wineboot failed for $WINEPREFIX" >&2
        exit 1
      }
      "$wineserver" -w
      [ -f "$WINEPREFIX/system.reg" ] || {
        echo "run-under-wine: Wine did not create $WINEPREFIX" >&2
        exit 1
      }
    fi
  ) 9>"$WINEPREFIX.lock"
fi

exec "$loader" "$@"
