#!/usr/bin/env bash
# Builds the Debian packages (cpack -G DEB), installs them into this machine,
# builds a small outside project against them twice -- through
# find_package(KorvelGraphLine) and through pkg-config -- runs it, and removes
# the packages again, also when a step fails. Needs root.
set -euo pipefail
cd "$(dirname "$0")/../.."
source=$(pwd)

if [ "$(id -u)" -ne 0 ]; then
  echo "debian packages: skipped, installing packages needs root"
  exit 0
fi

runtime=libkorvelgraphline1
dev=libkorvelgraphline-dev
version=1.0.0.1
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=/usr/lib/$multiarch
lock=/tmp/korvel-apt.lock  # shared with other package installs on the machine

fail() { echo "debian packages: FAIL: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

work=$(mktemp -d)
packages_in=no
cleanup() {
  local status=$?
  if [ "$packages_in" = yes ]; then
    flock "$lock" dpkg --purge "$dev" "$runtime" >/dev/null || status=1
  fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM HUP  # through the cleanup as well

# Build the packages from a tree configured for /usr.
rm -f build/deb/*.deb
cmake --workflow --preset deb
runtime_deb=$(ls build/deb/${runtime}_${version}_*.deb)
dev_deb=$(ls build/deb/${dev}_${version}_*.deb)

# Their control fields and contents.
field() { dpkg-deb -f "$1" "$2"; }
[ "$(field "$runtime_deb" Version)" = "$version" ] || fail "$runtime version"
[ "$(field "$dev_deb" Version)" = "$version" ] || fail "$dev version"
field "$runtime_deb" Depends | grep -q 'libc6' || fail "$runtime does not depend on libc6"
field "$runtime_deb" Depends | grep -q 'libstdc++6' || fail "$runtime does not depend on libstdc++6"
field "$dev_deb" Depends | grep -qF "$runtime (= $version)" || fail "$dev does not depend on $runtime (= $version)"
dpkg-deb -I "$runtime_deb" shlibs | grep -qF "libkorvelgraphline 1 $runtime" || fail "$runtime has no shlibs entry"
contents() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|'; }
runtime_files=$(contents "$runtime_deb")
dev_files=$(contents "$dev_deb")
for path in "$libdir/libkorvelgraphline.so.$version" "$libdir/libkorvelgraphline.so.1" \
            /usr/bin/korvelgraph /usr/share/man/man1/korvelgraph.1.gz; do
  grep -qx "$path" <<<"$runtime_files" || fail "$runtime lacks $path"
done
for path in "$libdir/libkorvelgraphline.so" /usr/include/korvelgraphline/korvelgraphline.h \
            "$libdir/cmake/KorvelGraphLine/KorvelGraphLineConfig.cmake" \
            "$libdir/pkgconfig/korvelgraphline.pc"; do
  grep -qx "$path" <<<"$dev_files" || fail "$dev lacks $path"
done
grep -q '/include/\|\.so$' <<<"$runtime_files" && fail "$runtime holds development files"
grep -q '\.so\.1' <<<"$dev_files" && fail "$dev holds the shared object itself"

# Install them; from here on the trap removes them again, whatever happens.
if installed "$runtime" || installed "$dev"; then
  echo "debian packages: note: replacing an earlier installation, removed at the end"
fi
packages_in=yes
flock "$lock" dpkg -i "$runtime_deb" "$dev_deb"
if ! installed "$runtime" || ! installed "$dev"; then fail "the packages did not install"; fi

/usr/bin/korvelgraph --version | grep -qx "korvelgraph $version" || fail "korvelgraph --version"
if command -v man >/dev/null; then
  man -w korvelgraph | grep -q '/usr/share/man/man1/korvelgraph.1' || fail "man cannot find korvelgraph(1)"
fi
[ "$(pkg-config --modversion korvelgraphline)" = "$version" ] || fail "pkg-config --modversion"

# The outside project, copied away from the source tree so that nothing but
# the installed files can be found.
cp -r "$source/tests/consumer" "$work/src"
uses_installed_library() {  # /lib and /usr/lib may be one directory
  local loaded
  loaded=$(ldd "$1" | awk '$1 == "libkorvelgraphline.so.1" {print $3}')
  if [ -z "$loaded" ] || [ "$(realpath "$loaded")" != "$(realpath "$libdir/libkorvelgraphline.so.1")" ]; then
    fail "$1 loads '${loaded}', not $libdir/libkorvelgraphline.so.1"
  fi
}

echo "--- consumer through find_package(KorvelGraphLine)"
cmake -S "$work/src" -B "$work/cmake" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_FIND_PACKAGE_NO_PACKAGE_REGISTRY=ON >/dev/null
cmake --build "$work/cmake"
uses_installed_library "$work/cmake/consumer"
"$work/cmake/consumer" "$work/run-cmake"

echo "--- consumer through pkg-config --cflags --libs korvelgraphline"
# shellcheck disable=SC2046  # the flags are meant to split into words
g++ -std=c++17 -o "$work/consumer-pkg-config" "$work/src/consumer.cc" \
  $(pkg-config --cflags --libs korvelgraphline)
uses_installed_library "$work/consumer-pkg-config"
"$work/consumer-pkg-config" "$work/run-pkg-config"

# Remove the packages now (the trap would, too) and check that they are gone.
packages_in=no
flock "$lock" dpkg --purge "$dev" "$runtime"
if installed "$runtime" || installed "$dev"; then fail "the packages are still installed"; fi
[ ! -e /usr/include/korvelgraphline ] || fail "/usr/include/korvelgraphline is left behind"
[ ! -e "$libdir/libkorvelgraphline.so.1" ] || fail "the shared object is left behind"
echo "debian packages: built, installed, used from CMake and pkg-config, removed"
