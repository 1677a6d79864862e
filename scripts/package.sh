#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package into build/ (only the program, stripped, with
# Debian's hardening flags, in a build tree of its own, build/package, so the
# development build keeps its flags; the tests and benchmarks are not built).
#   scripts/package.sh          build sigmalit_<version>_<arch>.deb
#   scripts/package.sh --check  also unpack it into a temporary root, run the
#                               unpacked program, validate the desktop entry and
#                               the metadata, and run lintian (any tag fails,
#                               pedantic and informational ones included)
# The maintainer is taken from SIGM_MAINTAINER ("Name <address>"), else from
# DEBFULLNAME and DEBEMAIL; without either the package carries a placeholder
# (see packaging/packaging.cmake) and is for local use only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="$root/build"
tree="$out/package"
check=0
[ "${1:-}" = "--check" ] && check=1

"$root/scripts/install-deps.sh"
maintainer="${SIGM_MAINTAINER:-}"
if [ -z "$maintainer" ] && [ -n "${DEBEMAIL:-}" ]; then
  maintainer="${DEBFULLNAME:-$(id -un)} <$DEBEMAIL>"
fi
# A maintainer given once is not kept for the next package.
who=(-USIGM_MAINTAINER)
[ -n "$maintainer" ] && who=(-DSIGM_MAINTAINER="$maintainer")
# Fortify, stack protector, read-only relocations and immediate binding, as
# a Debian build gets them (the file prefix map is relative to the checkout).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
flags() { (cd "$root" && dpkg-buildflags --get "$1"); }
# Packaging installs without building everything first.
cmake -S "$root" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
  -DCMAKE_CXX_FLAGS="$(flags CPPFLAGS) $(flags CXXFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
  "${who[@]}" >/dev/null
cmake --build "$tree" -j"$(nproc)" --target sigmalit sigmalit_docs
rm -f "$tree"/sigmalit_*.deb "$out"/sigmalit_*.deb
(cd "$tree" && cpack -G DEB >/dev/null)
mv "$tree"/sigmalit_*.deb "$out"/
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
