# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced by build.sh and package.sh: one configuration of ./build, so the
# tests run on the very program the package is made from, and the package
# compiles nothing again.
# Debian's hardening flags (fortify, stack protector, read-only relocations,
# immediate binding), as a Debian build gets them. The file prefix map is
# left out (and the debug one): they name the checkout, and objects that name it are not shared
# by ccache between checkouts.
configure_build() {
  local root="$1"; shift
  export DEB_BUILD_MAINT_OPTIONS="hardening=+all reproducible=-fixfilepath,-fixdebugpath"
  local cppflags cxxflags ldflags
  cppflags=$(dpkg-buildflags --get CPPFLAGS)
  cxxflags=$(dpkg-buildflags --get CXXFLAGS)
  ldflags=$(dpkg-buildflags --get LDFLAGS)
  cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$cppflags $cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" "$@" >/dev/null
}
