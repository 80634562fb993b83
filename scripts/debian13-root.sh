#!/usr/bin/env bash
# Runs a command in a Debian 13 (trixie) root: Wine 10, X servers and what
# the tests under Wine need, so that the Windows programs built on this
# machine are tested under a second Wine generation.
#
#   debian13-root.sh [--bind DIR]... -- COMMAND [ARGS...]
#
# The root is kept in $QUORVO_DEBIAN13_ROOT (default
# /var/cache/quorvo/debian13-root), outside the source tree. It is made on
# first use with debootstrap, from the Debian archive this machine's apt
# already uses and from no other source (about 3 minutes and 2 GB), and
# brought up to date when the package list below changes. Each DIR (the
# source tree, the build tree) is seen inside at the same path. Everything
# is mounted in a mount namespace of the command's own, so nothing stays
# mounted when it ends, however it ends.
#
# Needs root rights (debootstrap, chroot, mounts). Where the root cannot be
# made it says why and exits non-zero; it never runs the command elsewhere.
set -euo pipefail

root="${QUORVO_DEBIAN13_ROOT:-/var/cache/quorvo/debian13-root}"
suite=trixie
packages=(
  wine wine64 xvfb xdotool x11-utils x11-xserver-utils
  xserver-xorg-core xserver-xorg-video-dummy imagemagick
  python3 python3-pefile python3-yaml cmake ninja-build nsis osslsigncode
  openssl e2fsprogs
)

fail() {
  echo "debian13-root: $*" >&2
  exit 1
}

binds=()
while [ $# -gt 0 ]; do
  case "$1" in
    --bind) binds+=("$(cd "$2" && pwd)"); shift 2 ;;
    --) shift; break ;;
    *) break ;;
  esac
done
[ $# -gt 0 ] || fail "usage: debian13-root.sh [--bind DIR]... -- COMMAND..."

[ "$(id -u)" -eq 0 ] ||
  fail "making and entering the Debian 13 root needs root rights (debootstrap, chroot, mount namespaces); run this as root"
for tool in debootstrap unshare chroot; do
  command -v "$tool" >/dev/null ||
    fail "$tool is missing (scripts/install-deps.sh installs it)"
done

# The Debian archive of this machine's own apt sources.
archive() {
  apt-get indextargets --format '$(LABEL) $(REPO_URI)' 'Created-By: Packages' \
    2>/dev/null | awk '$1 == "Debian" { print $2; exit }'
}

in_root() {
  # $1: the root; the rest: the command, run with the binds in place.
  local dir="$1"
  shift
  unshare --mount --propagation private -- /bin/bash -euc '
    dir="$1"; shift
    count="$1"; shift
    mount -t proc proc "$dir/proc"
    mount --rbind /dev "$dir/dev"
    mount -t tmpfs tmpfs "$dir/tmp"
    cp /etc/resolv.conf "$dir/etc/resolv.conf" 2>/dev/null || true
    for _ in $(seq 1 "$count"); do
      mkdir -p "$dir$1"
      mount --bind "$1" "$dir$1"
      shift
    done
    exec chroot "$dir" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin \
      HOME=/root LANG=C.UTF-8 TERM="${TERM:-dumb}" "$@"
  ' in_root "$dir" "${#binds[@]}" "${binds[@]}" "$@"
}

install_packages() {
  in_root "$1" /bin/sh -c 'export DEBIAN_FRONTEND=noninteractive &&
    apt-get update -qq && apt-get install -y -qq --no-install-recommends "$@" >/dev/null' \
    install "${packages[@]}" ||
    fail "installing ${packages[*]} in the Debian 13 root failed (see above)"
}

wanted="${packages[*]}"
stamp="$root/.quorvo-packages"
if [ ! -f "$stamp" ]; then
  site="$(archive)"
  if [ -z "$site" ]; then
    apt-get update -qq >/dev/null 2>&1 || true
    site="$(archive)"
  fi
  [ -n "$site" ] ||
    fail "this machine's apt uses no Debian archive, so there is nothing to make a Debian 13 root from"
  echo "debian13-root: making a Debian 13 root in $root from $site (once; about 3 minutes and 2 GB)"
  rm -rf "$root.new"
  mkdir -p "$(dirname "$root")"
  debootstrap --variant=minbase "$suite" "$root.new" "$site" \
    >"$root.new.log" 2>&1 ||
    fail "debootstrap $suite from $site failed; its log: $root.new.log"
  install_packages "$root.new"
  rm -rf "$root"
  echo "$wanted" >"$root.new/.quorvo-packages"
  mv "$root.new" "$root"
  rm -f "$root.new.log"
elif [ "$(cat "$stamp")" != "$wanted" ]; then
  echo "debian13-root: bringing the packages of $root up to date"
  install_packages "$root"
  echo "$wanted" >"$stamp"
fi

in_root "$root" "$@"
