#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into build/ from the program built there (with
# Debian's hardening flags, see configure.sh; what build.sh built is not
# compiled again, and the tests and benchmarks are not needed for it).
#   scripts/package.sh          build sigmalit_<version>_<arch>.deb
#   scripts/package.sh --check  also unpack it into a temporary root, run the
#                               unpacked program, validate the desktop entry and
#                               the metadata, and run lintian (any tag fails,
#                               pedantic and informational ones included)
# The maintainer is whoever makes the package, found as Debian's own tools
# find them: SIGM_MAINTAINER ("Name <address>"), else DEBFULLNAME/NAME and
# DEBEMAIL/EMAIL, else the committer this checkout names (git config), else
# the author of the checked-out commit. The project invents no address of its
# own; with none of these the package is not made.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build"
check=0
[ "${1:-}" = "--check" ] && check=1

"$root/scripts/install-deps.sh" --test
maintainer="${SIGM_MAINTAINER:-}"
if [ -z "$maintainer" ]; then
  name="${DEBFULLNAME:-${NAME:-$(git -C "$root" config user.name 2>/dev/null || true)}}"
  email="${DEBEMAIL:-${EMAIL:-$(git -C "$root" config user.email 2>/dev/null || true)}}"
  if [ -n "$email" ]; then
    maintainer="${name:-$(id -un)} <$email>"
  else
    # Nobody is configured here: the author of the checked-out commit.
    maintainer=$(git -C "$root" log -1 --format='%an <%ae>' 2>/dev/null || true)
  fi
fi
if [ -z "$maintainer" ]; then
  echo "package: no maintainer: set DEBEMAIL (and DEBFULLNAME) or SIGM_MAINTAINER=\"Name <address>\"" >&2
  exit 1
fi
# Given on every run, so the maintainer of one package is not kept for the next.
who=(-DSIGM_MAINTAINER="$maintainer")
source "$root/scripts/configure.sh"
# Packaging installs without building everything first.
configure_build "$root" -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${who[@]}"
cmake --build "$out" -j"$(nproc)" --target sigmalit sigmalit_docs
rm -f "$out"/sigmalit_*.deb
(cd "$out" && cpack -G DEB >/dev/null)
deb=$(ls "$out"/sigmalit_*.deb)
echo "$deb"
[ "$check" = 1 ] || exit 0

tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -f "$deb"
dpkg -x "$deb" "$tmp/root"
"$tmp/root/usr/bin/sigmalit" --version
# The unpacked program finds its data in the unpacked tree, opens the demo
# oscillogram in a window and writes only into the user's folders.
snapshot() { (cd "$tmp/root" && find . -printf '%p %s %T@\n' | sort); }
before=$(snapshot)
env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME="$tmp/home" QT_QPA_PLATFORM=offscreen SIGM_INPUT=demo \
  "$tmp/root/usr/bin/sigmalit" "$tmp/root/usr/share/sigmalit/Mem/demo.wav" &
pid=$!
for _ in $(seq 1 100); do
  [ -f "$tmp/home/.local/share/sigmalit/work/tmp.wav" ] && break
  sleep 0.1
done
sleep 1
kill "$pid"
wait "$pid" 2>/dev/null || true
if ! cmp -s "$tmp/home/.local/share/sigmalit/work/tmp.wav" "$tmp/root/usr/share/sigmalit/Mem/demo.wav" ||
   [ "$before" != "$(snapshot)" ]; then
  echo "package check: the unpacked program did not open its demo from the per-user folders" >&2
  exit 1
fi
desktop-file-validate "$tmp"/root/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$tmp"/root/usr/share/metainfo/*.metainfo.xml
lintian --pedantic --display-info --fail-on error,warning,info,pedantic "$deb"
echo "package check passed: $deb"
