# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by the build scripts.

# ccache shares objects between checkouts: paths under the checkout are
# hashed relative to it, and the build folder's own name is left out.
ccache_across_checkouts() {
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$1}" CCACHE_NOHASHDIR="${CCACHE_NOHASHDIR:-1}"
}

# One configuration of ./build, used by build.sh and package.sh, so the tests
# run on the very program the package is made from and the package compiles
# nothing again. It has Debian's hardening flags (fortify, stack protector,
# read-only relocations, immediate binding), as a Debian build gets them; the
# file and debug prefix maps are left out, since they name the checkout and
# objects that name it are not shared between checkouts.
configure_build() {
  local root="$1"; shift
  ccache_across_checkouts "$root"
  export DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath"
  local cppflags cxxflags ldflags
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  cxxflags=$(dpkg-buildflags --get CXXFLAGS)
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@" >/dev/null
}
