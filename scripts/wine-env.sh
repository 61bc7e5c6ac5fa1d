# shellcheck shell=bash
# Wine environment for running the project's Windows executables, 32-bit
# or 64-bit, under Xvfb, by default in a zh_CN locale (ANSI code page 936).
# Meant to be sourced:
#
#   source scripts/wine-env.sh
#   WINE_ENV_ARCH="$(wine_pe_arch build/win64/app.exe)"
#   wine_env_init                # Xvfb if needed, env vars, prefix, session
#   trap wine_xvfb_stop EXIT     # stops the Wine session and our Xvfb
#   wine_run build/win64/app.exe "$(wine_winpath some/file.mp3)"
#   wine_screenshot shot.png
#
# All functions return a status instead of exiting, and are safe under
# `set -euo pipefail` in the caller. Needs scripts/install-deps.sh first.
#
# One prefix holds one Wine session (one wineserver, one virtual desktop on
# one X display) at a time. A script that sources this file inside another
# one that already called wine_env_init (DISPLAY exported) joins that
# session, and its wine_xvfb_stop leaves it running for the outer script.
# Independent scripts running at the same time need their own
# WINE_ENV_PREFIX each (or must be serialized, e.g. a CTest RESOURCE_LOCK).
#
# Settings (optional environment variables):
#   WINE_ENV_ARCH        win32 (default) or win64: the programs' architecture,
#                        which picks the prefix's and the Wine loader
#   WINE_ENV_PREFIX      prefix directory (default: <repo>/build/wineprefix,
#                        <repo>/build/wineprefix64 for win64)
#   WINE_ENV_FORCE_XVFB  1 = always start an own Xvfb, even if DISPLAY works
#   WINE_ENV_SCREEN      Xvfb screen (default: 1024x768x24)
#   WINE_ENV_DESKTOP     Wine virtual desktop size (default: 1024x768)
#   WINE_ENV_QUIET       1 = no progress messages on stderr
#   WINE_ENV_LOCALE      Unix locale, which gives Wine its ANSI code page
#                        (default zh_CN.UTF-8: 936; en_US.UTF-8: 1252;
#                        ja_JP.UTF-8: 932)
#   WINE_ENV_DPI         display scale in dots per inch (96 is 100 %, 120,
#                        144, 192 is 200 %), set for the programs started
#                        after wine_env_init; unset: as the prefix has it

# Repo root, from this file's location (scripts/..).
WINE_ENV_REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
# Bump when the prefix set-up below changes: older prefixes are rebuilt, as
# is a prefix of the other architecture.
WINE_ENV_PREFIX_VERSION=6
# PID of the Xvfb that this shell started (empty: none).
WINE_XVFB_PID="${WINE_XVFB_PID:-}"
# 1 when this shell booted the Wine session (so wine_xvfb_stop ends it).
WINE_ENV_SESSION_OWNER="${WINE_ENV_SESSION_OWNER:-0}"

_wine_env_log() {
  [ "${WINE_ENV_QUIET:-0}" = 1 ] || printf 'wine-env: %s\n' "$*" >&2
}

# wine_pe_arch EXE: prints win32 or win64, the architecture of a Windows
# program, from the machine field of its PE header.
wine_pe_arch() {
  local header machine
  header="$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')"
  [ -n "$header" ] || return 1
  machine="$(od -An -tx2 -j$((header + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')"
  case "$machine" in
    014c) echo win32 ;;
    8664) echo win64 ;;
    *) _wine_env_log "$1: not a 32-bit or 64-bit x86 Windows program"; return 1 ;;
  esac
}

# Exports WINEPREFIX, WINEARCH, WINELOADER, WINEDEBUG, WINEDLLOVERRIDES,
# LC_ALL, LANG, LANGUAGE (and DISPLAY) and WINE_ENV_LOADER, creates the
# prefix on first use (~12 s) and boots the session (~0.5 s; ~0.1 s when
# joining a running one).
wine_env_init() {
  # Debian's wine, wineboot and regedit take the 32-bit loader whenever
  # wine32 is installed, even where the machine cannot run it: each
  # architecture's loader is called by its own path, in a prefix of that
  # architecture (wineserver is one for both).
  export WINEARCH="${WINE_ENV_ARCH:-win32}"
  case "$WINEARCH" in
    win32) WINE_ENV_LOADER=/usr/lib/wine/wine
           export WINEPREFIX="${WINE_ENV_PREFIX:-$WINE_ENV_REPO/build/wineprefix}" ;;
    win64) WINE_ENV_LOADER=/usr/lib/wine/wine64
           export WINEPREFIX="${WINE_ENV_PREFIX:-$WINE_ENV_REPO/build/wineprefix64}" ;;
    *) _wine_env_log "WINE_ENV_ARCH is win32 or win64, not $WINEARCH"; return 1 ;;
  esac
  export WINELOADER="$WINE_ENV_LOADER"
  export WINEDEBUG="${WINEDEBUG:--all}"
  # mscoree/mshtml off: no Mono/Gecko install dialog, ever (not needed).
  export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
  # Each Wine process derives its ANSI code page from its own Unix locale
  # (zh_CN -> 936; without it: 1252), so this stays exported. LANGUAGE
  # keeps the messages of Unix tools in English; Wine's own UI (e.g.
  # 确定/取消 buttons) follows the locale.
  local wanted="${WINE_ENV_LOCALE:-zh_CN.UTF-8}"
  export LC_ALL="$wanted"
  export LANG="$wanted"
  export LANGUAGE="${LANGUAGE:-en_US:en}"

  if [ ! -x "$WINE_ENV_LOADER" ]; then
    _wine_env_log "$WINE_ENV_LOADER not found: run scripts/install-deps.sh"
    return 1
  fi
  if ! locale -a 2>/dev/null | grep -ix "${wanted%%.*}\\.utf-\\?8" >/dev/null; then
    _wine_env_log "locale $wanted missing: run scripts/install-deps.sh"
    return 1
  fi

  # The virtual desktop needs an X display: start Xvfb when there is none.
  wine_xvfb_start || return 1

  local marker="$WINEPREFIX/.project-prefix-version" version="$WINE_ENV_PREFIX_VERSION $WINEARCH"
  if [ "$(cat "$marker" 2>/dev/null || true)" != "$version" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")" || return 1
    # One creator at a time (parallel jobs may all get here).
    (
      flock -w 600 9 || { echo "wine-env: timeout waiting for prefix lock" >&2; exit 1; }
      [ "$(cat "$marker" 2>/dev/null || true)" = "$version" ] && exit 0
      _wine_env_create_prefix
    ) 9>"$WINEPREFIX.lock" || return 1
  fi
  _wine_env_set_dpi || return 1
  _wine_env_start_session || return 1
}

# Wine draws every program at the scale in HKCU\Control Panel\Desktop
# LogPixels, which each program reads as it starts, DPI-aware or not.
_wine_env_set_dpi() {
  [ -n "${WINE_ENV_DPI:-}" ] || return 0
  "$WINE_ENV_LOADER" reg.exe add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD \
    /d "$WINE_ENV_DPI" /f </dev/null >/dev/null 2>&1 || {
    _wine_env_log "could not set the display scale to $WINE_ENV_DPI dpi"; return 1; }
}

# Creates the prefix from scratch (called under the lock, in a subshell).
_wine_env_create_prefix() {
  local t0=$SECONDS size="${WINE_ENV_DESKTOP:-1024x768}"
  _wine_env_log "creating Wine prefix $WINEPREFIX (takes a while once)"
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE_ENV_LOADER" wineboot.exe -i </dev/null >/dev/null 2>&1 || {
    _wine_env_log "wineboot -i failed"; return 1; }
  wineserver -w </dev/null >/dev/null 2>&1 || true

  # Debian's Wine does not load its own fonts (Tahoma, Marlett for the
  # caption buttons, ...) from /usr/share/wine/fonts: copy them in.
  local fontdir="$WINEPREFIX/drive_c/windows/Fonts"
  mkdir -p "$fontdir" || return 1
  if [ -d /usr/share/wine/fonts ]; then
    cp -f /usr/share/wine/fonts/* "$fontdir/" || return 1
  fi

  local reg
  reg="$(mktemp "${TMPDIR:-/tmp}/wine-env.XXXXXX.reg")" || return 1
  # Always use one virtual desktop: Xvfb has no window manager, and
  # every process (the program and a test driver) then shares it. No
  # crash dialog (winedbg) for a crashing program: it just exits. Then the
  # fonts that show the Chinese texts on any code page
  # (packaging/wine-fonts.reg). UTF-16, so that the Chinese font names do
  # not depend on the ANSI code page.
  {
    printf '\xff\xfe'
    {
      cat <<EOF
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="$size"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug]
"Auto"="0"
"Debugger"=""

EOF
      sed 1d "$WINE_ENV_REPO/packaging/wine-fonts.reg"
    } | iconv -f UTF-8 -t UTF-16LE
  } >"$reg" || { rm -f "$reg"; return 1; }
  local rc=0
  WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE_ENV_LOADER" regedit.exe /S "$reg" </dev/null >/dev/null 2>&1 || rc=$?
  rm -f "$reg"
  [ "$rc" -eq 0 ] || { _wine_env_log "regedit failed ($rc)"; return 1; }
  wineserver -w </dev/null >/dev/null 2>&1 || true
  echo "$WINE_ENV_PREFIX_VERSION $WINEARCH" >"$WINEPREFIX/.project-prefix-version" || return 1
  _wine_env_log "prefix ready in $((SECONDS - t0)) s"
}

# Prints "DISPLAY X-server-pid" naming the X server a session runs on
# (the pid comes from the X lock file, "-" when it is not a local server).
_wine_env_display_id() {
  local n="${DISPLAY:-}" pid=-
  n="${n#*:}"; n="${n%%.*}"
  if [ -n "$n" ] && [ -r "/tmp/.X$n-lock" ]; then
    pid="$(tr -dc '0-9' <"/tmp/.X$n-lock" 2>/dev/null || true)"
    [ -n "$pid" ] || pid=-
  fi
  printf '%s %s\n' "${DISPLAY:-}" "$pid"
}

# Boots the Wine session: a persistent wineserver (no exit when the last
# program ends, so the next start is fast), services and explorer.exe with
# the virtual desktop, all with stdio on /dev/null. Had the first wine_run
# started them, they would inherit its stdout/stderr, and
# `out=$(wine_run ...)` would wait for them (minutes) instead of the program.
_wine_env_start_session() {
  local sessfile="$WINEPREFIX/.project-session" id old oldx
  id="$(_wine_env_display_id)"
  old="$(sed -n 1p "$sessfile" 2>/dev/null || true)"
  if [ "$old" = "$id" ]; then
    # Same X server as the recorded session: join it (a no-op if it runs;
    # if it was killed meanwhile, the two calls below bring it back).
    wineserver -p </dev/null >/dev/null 2>&1 || true
    "$WINE_ENV_LOADER" wineboot.exe </dev/null >/dev/null 2>&1 || true
    return 0
  fi
  # Whatever runs in this prefix now was not booted for this X server
  # (a leftover of an earlier run, whose display may be gone): end it.
  if [ -n "$old" ]; then
    _wine_env_log "ending an earlier Wine session of this prefix (on ${old% *})"
  fi
  wineserver -k </dev/null >/dev/null 2>&1 || true
  wineserver -w </dev/null >/dev/null 2>&1 || true
  if [ -n "$old" ]; then
    # ... and the Xvfb that run started, if it is still there.
    oldx="$(sed -n 2p "$sessfile" 2>/dev/null || true)"
    if [ -n "$oldx" ] && [ "$oldx" != "$WINE_XVFB_PID" ] \
       && tr '\0' ' ' <"/proc/$oldx/cmdline" 2>/dev/null | grep '^Xvfb ' >/dev/null; then
      kill "$oldx" 2>/dev/null || true
    fi
  fi
  wineserver -p </dev/null >/dev/null 2>&1 || true
  "$WINE_ENV_LOADER" wineboot.exe </dev/null >/dev/null 2>&1 || true
  printf '%s\n%s\n' "$id" "$WINE_XVFB_PID" >"$sessfile" || true
  WINE_ENV_SESSION_OWNER=1
}

# Starts Xvfb when no usable display is set (or WINE_ENV_FORCE_XVFB=1),
# and exports DISPLAY. Xvfb picks the first free display itself and names
# it (-displayfd) once it accepts connections: scripts that start one at the
# same time can never both take the same number.
wine_xvfb_start() {
  if [ -n "$WINE_XVFB_PID" ] && kill -0 "$WINE_XVFB_PID" 2>/dev/null; then
    return 0
  fi
  if [ "${WINE_ENV_FORCE_XVFB:-0}" != 1 ] && [ -n "${DISPLAY:-}" ] \
     && xdpyinfo >/dev/null 2>&1; then
    _wine_env_log "using DISPLAY=$DISPLAY"
    return 0
  fi
  if ! command -v Xvfb >/dev/null 2>&1; then
    _wine_env_log "Xvfb not found: run scripts/install-deps.sh"
    return 1
  fi
  local screen="${WINE_ENV_SCREEN:-1024x768x24}" logdir named n="" pid
  logdir="$WINE_ENV_REPO/build"
  mkdir -p "$logdir" 2>/dev/null || logdir="${TMPDIR:-/tmp}"
  named="$(mktemp "${TMPDIR:-/tmp}/xvfb-display.XXXXXX")" || return 1
  # Own session and not a job of the caller: a bare `wait` in the caller
  # does not wait for it, and Ctrl-C does not kill it early. No reset when
  # its last client leaves: the probe below is one, and the caller's first
  # client must not meet a server in the middle of its reset.
  pid="$(setsid Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -ac -noreset \
           3>"$named" </dev/null >"$logdir/xvfb.log" 2>&1 & echo $!)"
  # The number comes as a whole line once the server accepts connections.
  for _ in $(seq 1 200); do
    if [ "$(wc -l <"$named")" -ge 1 ]; then
      n="$(tr -dc '0-9' <"$named")"
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.05
  done
  rm -f "$named"
  if [ -z "$n" ] || ! DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
    kill "$pid" 2>/dev/null || true
    _wine_env_log "could not start Xvfb (see $logdir/xvfb.log)"
    return 1
  fi
  export DISPLAY=":$n"
  WINE_XVFB_PID=$pid
  _wine_env_log "started Xvfb on DISPLAY=$DISPLAY (pid $pid)"
  return 0
}

# Ends the Wine session if this shell booted it (wineserver -k: every
# process of the prefix) and the Xvfb that this shell started, if any.
# Always returns 0, so it fits an EXIT trap.
wine_xvfb_stop() {
  if [ "$WINE_ENV_SESSION_OWNER" = 1 ] && [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
    wineserver -w </dev/null >/dev/null 2>&1 || true
    rm -f "$WINEPREFIX/.project-session"
    WINE_ENV_SESSION_OWNER=0
  fi
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    for _ in $(seq 1 100); do
      kill -0 "$WINE_XVFB_PID" 2>/dev/null || break
      sleep 0.05
    done
    _wine_env_log "stopped Xvfb (pid $WINE_XVFB_PID)"
    WINE_XVFB_PID=
  fi
  return 0
}

# wine_run EXE ARGS...: runs a Windows program and returns its exit code
# (its low 8 bits, as for any Unix process). Its stdout/stderr are the
# caller's, also for -mwindows (GUI) programs; what an ANSI program prints
# arrives as CP936 bytes (`iconv -f GBK -t UTF-8` to read it). Blocks until
# the program exits; run it with & to go on (`wait $!` gives the exit code).
# A crash gives the low byte of the NTSTATUS (access violation: 5).
wine_run() {
  if [ "$#" -lt 1 ]; then _wine_env_log "usage: wine_run EXE [ARGS...]"; return 2; fi
  if [ -z "${WINEPREFIX:-}" ]; then wine_env_init || return 1; fi
  local rc=0
  "$WINE_ENV_LOADER" "$@" || rc=$?
  return "$rc"
}

# wine_winpath PATH: prints the Windows form (Z:\...) of a Unix path, for
# passing file names as arguments to a Windows program. No Wine call.
wine_winpath() {
  local p="$1"
  case "$p" in
    /*) ;;
    *) p="$PWD/$p" ;;
  esac
  printf 'Z:%s\n' "${p//\//\\}"
}

# wine_screenshot FILE: the whole X screen (the virtual desktop with all
# windows of the session) as FILE, format by its extension (.png).
wine_screenshot() {
  if [ "$#" -ne 1 ]; then _wine_env_log "usage: wine_screenshot FILE"; return 2; fi
  [ -n "${DISPLAY:-}" ] || { _wine_env_log "no DISPLAY"; return 1; }
  import -display "$DISPLAY" -window root "$1"
}
