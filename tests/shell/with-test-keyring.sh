#!/bin/sh
# Runs a test ("$@") where no keyring of the user's can be reached. With dbus-run-session and
# gnome-keyring-daemon (Debian gnome-keyring) there, on a session bus of its own with a keyring
# daemon whose login keyring, in a temporary folder, is created and unlocked here
# (BOM_TEST_KEYRING=1 says so to the test); without them, with no session bus at all, where
# there is no secret service.
if command -v dbus-run-session >/dev/null && command -v gnome-keyring-daemon >/dev/null; then
  home=$(mktemp -d)
  mkdir -m 700 "$home/run"
  XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run" BOM_TEST_KEYRING=1 \
    dbus-run-session -- sh -c \
    'printf test | gnome-keyring-daemon --unlock --components=secrets >/dev/null && exec "$@"' \
    sh "$@"
  status=$?
  rm -rf "$home"
  exit $status
fi
unset DBUS_SESSION_BUS_ADDRESS DISPLAY WAYLAND_DISPLAY
exec "$@"
