#!/usr/bin/env bash
# Tries Tivaro on a Debian release other than this machine's own, or on a bare system of
# any release, in a system made with debootstrap from the Debian archive that apt uses here.
# As root.
#   debian-release.sh prepare SUITE [--tests]  make the system (kept between runs); with
#                                              --tests also install what the tests need
#   debian-release.sh test SUITE               the README's test command inside it
#   debian-release.sh package SUITE            the Debian package, built inside it
#   debian-release.sh installed SUITE DEB      the installed-package test on a bare copy
# SUITE is a Debian codename (bookworm, trixie). The systems live in
# $TIVARO_DEBIAN_SYSTEMS (default /var/cache/tivaro-debian): SUITE/ for building and
# testing, SUITE-bare.tar.gz as debootstrap left it. A system whose making was cut short is
# made again. The source tree is mounted inside at /src/tivaro; its build folders are
# build-SUITE and build-pkg-SUITE.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
systems=${TIVARO_DEBIAN_SYSTEMS:-/var/cache/tivaro-debian}
usage() { echo "usage: debian-release.sh prepare|test|package|installed SUITE [--tests|DEB]" >&2; exit 2; }
[ $# -ge 2 ] || usage
action=$1 suite=$2
shift 2
[[ "$suite" =~ ^[a-z]+$ ]] || usage
root=$systems/$suite
bare=$systems/$suite-bare.tar.gz

mirror() {  # the Debian archive this machine's apt uses
  local uri
  uri=$(grep -hoE '^(URIs:|deb) +https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources \
          /etc/apt/sources.list 2>/dev/null | head -1 | awk '{print $2}') || true
  echo "${uri:-http://deb.debian.org/debian}"
}

make_system() {
  [ -e "$root/.tivaro-made" ] && return 0
  bash "$here/tools/install-packages.sh" debootstrap
  mounted_under "$root" && { echo "debian-release: $root still has mounts; not remaking it" >&2; exit 1; }
  rm -rf --one-file-system "$root"
  mkdir -p "$systems"
  echo "debian-release: debootstrap $suite from $(mirror)"
  debootstrap --variant=minbase --include=ca-certificates,git "$suite" "$root" "$(mirror)" >/dev/null
  tar -C "$root" -czf "$bare.part" . && mv "$bare.part" "$bare"
  touch "$root/.tivaro-made"
}

mounted_under() { grep -qE " $1(/| )" /proc/mounts; }

# Runs a command as root inside system $1 with the tree at /src/tivaro; unmounts after.
inside() {
  local sys=$1
  shift
  mount -t proc proc "$sys/proc"
  mount --rbind /sys "$sys/sys" && mount --make-rslave "$sys/sys"
  mount --rbind /dev "$sys/dev" && mount --make-rslave "$sys/dev"
  mount -t tmpfs tmpfs "$sys/run"
  mkdir -p "$sys/src/tivaro"
  mount --bind "$here" "$sys/src/tivaro"
  cp /etc/resolv.conf "$sys/etc/resolv.conf"
  local status=0
  chroot "$sys" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    ${CI:+CI=$CI} bash -c 'cd /src/tivaro && "$@"' inside "$@" || status=$?
  stray_processes "$sys" | xargs -r kill -KILL 2>/dev/null || true
  umount -R "$sys/src/tivaro" "$sys/run" "$sys/dev" "$sys/sys" "$sys/proc"
  return $status
}

stray_processes() {  # what a test left running inside system $1
  local p sys
  sys=$(realpath "$1")
  for p in /proc/[0-9]*; do
    [ "$(readlink "$p/root" 2>/dev/null)" = "$sys" ] && echo "${p#/proc/}"
  done
  return 0
}

case "$action" in
  prepare)
    make_system
    if [ "${1:-}" = --tests ]; then inside "$root" bash tools/setup-debian.sh --tests; fi
    ;;
  test)
    make_system
    inside "$root" env TIVARO_BUILD_DIR=/src/tivaro/build-"$suite" bash tools/test.sh
    ;;
  package)
    make_system
    inside "$root" env TIVARO_WERROR="${TIVARO_WERROR:-OFF}" TIVARO_PKG_TESTS="${TIVARO_PKG_TESTS:-ON}" \
      TIVARO_PKG_BUILD_DIR=/src/tivaro/build-pkg-"$suite" bash tools/package-debian.sh
    ;;
  installed)
    [ $# = 1 ] || usage
    deb=$(realpath "$1")
    case "$deb" in "$here"/*) ;; *) echo "debian-release: $1 is not inside $here" >&2; exit 2 ;; esac
    make_system
    copy=$(mktemp -d "$systems/$suite-bare.XXXXXX")
    tar -C "$copy" -xzf "$bare"
    status=0
    inside "$copy" bash tools/test-debian-package.sh "/src/tivaro/${deb#"$here"/}" || status=$?
    if mounted_under "$copy"; then
      echo "debian-release: $copy still has mounts; left in place" >&2
      status=1
    else
      rm -rf --one-file-system "$copy"
    fi
    exit $status
    ;;
  *) usage ;;
esac
