#!/usr/bin/env bash
# Runs a command in the Debian 11 build root (scripts/build-root.sh makes
# it), in an overlay of its own, so that the cached root never changes and
# commands run at once never meet. The checkout is /src there, the working
# folder; /dev, /proc, /sys and the host's /tmp (its X, D-Bus and
# accessibility sockets, the tests' files) are the host's. The command's
# environment is the caller's, process id and all: `exec` all the way.
#
# Usage: scripts/in-root.sh [--upper DIR] COMMAND [ARG...]   (as root)
#   --upper DIR  keep the overlay's changes in DIR, for the next command
#                given the same DIR (one at a time): a package installed
#                by one is there for the next
# QARVEL_ROOT=DIR: the root that scripts/build-root.sh printed, for a
# caller whose HOME is not the one it was made under (a test's session).
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd -P)"
upper=
if [ "${1:-}" = --upper ]; then
  upper="$2"; shift 2
fi
[ "$#" -gt 0 ] || { sed -n '2,14p' "$0" >&2; exit 2; }
root="${QARVEL_ROOT:-$("$repo/scripts/build-root.sh")}"

if [ -z "$upper" ]; then
  upper="$(mktemp -d "${TMPDIR:-/tmp}/qarvel-root.XXXXXX")"
  # The overlay goes with the command: a subshell waits for it, then
  # removes its changes.
  trap 'rm -rf "$upper"' EXIT
  keep=0
else
  keep=1
fi
mkdir -p "$upper/changes" "$upper/work" "$upper/merged"

# In a mount namespace of its own, which ends with the command; with the
# root's own PATH, as the host's may name tools that the root lacks.
path=/usr/sbin:/usr/bin:/sbin:/bin
inner='
  set -e
  root="$1" upper="$2" repo="$3" path="$4"; shift 4
  m="$upper/merged"
  mount -t overlay overlay -o "lowerdir=$root,upperdir=$upper/changes,workdir=$upper/work" "$m"
  mount --rbind /dev "$m/dev"
  mount -t proc proc "$m/proc"
  mount --rbind /sys "$m/sys"
  mount --rbind /tmp "$m/tmp"
  case "${TMPDIR:-/tmp}" in
    /tmp|/tmp/*) ;;
    *) mkdir -p "$m$TMPDIR" && mount --rbind "$TMPDIR" "$m$TMPDIR" ;;
  esac
  mkdir -p "$m/src" && mount --bind "$repo" "$m/src"
  exec chroot "$m" env -C /src PATH="$path" "$@"
'
if [ "$keep" -eq 1 ]; then
  exec unshare --mount --propagation private sh -c "$inner" sh "$root" "$upper" "$repo" "$path" "$@"
fi
rc=0
unshare --mount --propagation private sh -c "$inner" sh "$root" "$upper" "$repo" "$path" "$@" || rc=$?
exit "$rc"
