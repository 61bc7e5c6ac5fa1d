#!/usr/bin/env bash
# Builds Qarvel.exe and starts it under Wine in the user's own locale (the
# program shows its Chinese texts on any code page), on the user's display:
# the Win32 build where the machine runs 32-bit code, else the Win64 build
# (QARVEL_WIN64_ONLY=1 takes the Win64 build anywhere). Says which. With no
# display it runs under Xvfb, saves a screenshot of the dialog and says
# where.
#
# scripts/run.sh native: builds and starts the native Linux program
# (build/linux/qarvel, GTK 3) instead; with no display, the same under Xvfb
# with a screenshot.
set -euo pipefail
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
cd "$REPO"

"$REPO/scripts/install-deps.sh"
if [ "${1:-}" = native ]; then
  echo "Running the native Linux program (build/linux/qarvel)"
  cmake --preset linux >/dev/null
  cmake --build --preset linux -j"$(nproc)" --target qarvel
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec "$REPO/build/linux/qarvel"
  fi
  shot="$REPO/build/qarvel-native-screenshot.png"
  echo "No display: running it under Xvfb for a screenshot"
  "$REPO/tests/gtk/session.sh" bash -c '
    "$1" & program=$!
    sleep 2
    window="$(xwininfo -name "Mp3剪切工具[Qarvel]" | awk "/Window id/ { print \$4 }")"
    import -window "$window" "$2"
    kill "$program"' shot "$REPO/build/linux/qarvel" "$shot"
  echo "Screenshot: $shot"
  exit 0
fi
if why="$("$REPO/scripts/runs-win32.sh" --wine)"; then
  build=win32
  echo "Running the Win32 build (build/win32/Qarvel.exe)"
else
  build=win64
  echo "Running the Win64 build (build/win64/Qarvel.exe): $why"
fi
"$REPO/scripts/build-windows.sh" "$build"

# The caller's locale when it is an installed UTF-8 one, else C.UTF-8.
if [ -z "${WINE_ENV_LOCALE:-}" ]; then
  mine="${LC_ALL:-${LC_CTYPE:-${LANG:-}}}"
  if [ -n "$mine" ] && locale -a 2>/dev/null | grep -ix "${mine%%.*}\.utf-\?8" >/dev/null; then
    export WINE_ENV_LOCALE="${mine%%.*}.UTF-8"
  else
    export WINE_ENV_LOCALE=C.UTF-8
  fi
fi

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  # shellcheck source=scripts/wine-env.sh
  source "$REPO/scripts/wine-env.sh"
  WINE_ENV_ARCH="$build"
  wine_env_init
  wine_run "$REPO/build/$build/Qarvel.exe"
else
  echo "No display: running Qarvel.exe under Xvfb for a screenshot"
  exec "$REPO/tests/win32/screenshot.sh" "$REPO/build/$build" "$REPO/build/qarvel-screenshot.png"
fi
