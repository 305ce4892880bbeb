#!/usr/bin/env bash
# Makes the Debian packages from a build folder, checks them with lintian, unpacks them into
# a private root and builds and runs a program against that tree, once through the CMake
# package and once through pkg-config: it must resolve a video assembly of the demo site.
#
#   run-packaging-test.sh BUILD_DIR SOURCE_DIR
#
# Everything happens below one temporary folder, removed at the end; the machine's own
# package database and /usr are not touched.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/kitroster-packaging-XXXXXX")
trap 'rm -rf "$work"' EXIT
umask 022
step() { printf '== %s (at %ds)\n' "$1" "$SECONDS"; }
fail() {
    echo "FAILED: $*" >&2
    exit 1
}

step "cpack -G DEB"
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/packages" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack"
fi
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
arch=$(dpkg --print-architecture)
main_deb="$work/packages/kitroster_${version}_${arch}.deb"
manager_deb="$work/packages/kitroster-manager_${version}_${arch}.deb"
for deb in "$main_deb" "$manager_deb"; do
    [ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$work/packages")"
done

step "package fields"
for deb in "$main_deb" "$manager_deb"; do
    echo "$(basename "$deb"):"
    dpkg-deb -f "$deb" Package Version Section Depends Recommends | sed 's/^/  /'
done
main_depends=$(dpkg-deb -f "$main_deb" Depends)
manager_depends=$(dpkg-deb -f "$manager_deb" Depends)
# A machine without windows installs kitroster alone: it must not pull in Qt.
[[ $main_depends != *libqt6* ]] || fail "kitroster depends on Qt: $main_depends"
[[ $main_depends == *libc6* ]] || fail "kitroster lacks the dependencies dpkg-shlibdeps finds"
[[ $manager_depends == *"kitroster (= $version)"* ]] ||
    fail "kitroster-manager does not depend on kitroster (= $version): $manager_depends"
[[ $manager_depends == *libqt6widgets6* ]] || fail "kitroster-manager does not depend on Qt"
dpkg-deb -c "$main_deb" | grep -q '/libKitrosterQt' &&
    fail "the Qt backend is in the kitroster package"

step "lintian"
lintian_status=0
lintian --fail-on error "$main_deb" "$manager_deb" || lintian_status=$?
[ "$lintian_status" -eq 0 ] || fail "lintian found errors"

step "unpack"
root="$work/root"
for deb in "$main_deb" "$manager_deb"; do
    dpkg-deb -x "$deb" "$root"
done
libdir=$(dirname "$(find "$root/usr/lib" -name libKitroster.so.1 -path '*-linux-gnu/*' ! -path '*/kitroster-profile/*')")
if [ -z "$libdir" ] || [ "$libdir" = . ]; then
    fail "no libKitroster.so.1 in the library folder"
fi
export LD_LIBRARY_PATH="$libdir"
desktop-file-validate "$root/usr/share/applications/kitroster-manager.desktop" ||
    fail "the desktop entry does not validate"

# The unpacked programs run from the unpacked libraries; the profile tool finds its library
# relative to itself.
"$root/usr/bin/kitroster" --version
profile=$("$root/usr/bin/kitroster-profile" version)
[ "$(realpath "${profile#* }")" = "$(realpath "$libdir/kitroster-profile/libKitroster.so")" ] ||
    fail "kitroster-profile did not load the installed profile library: $profile"

# A private copy of the demo site and a private registry, as the demo and the CLI tests use.
site="$work/site"
mkdir -p "$site"
cp -r "$source/examples/demo-site/SettingsGeneral" "$site/"
export KITROSTER_LOG=off KITROSTER_REGISTRY="$work/registry.db"

step "CMake consumer"
consumer="$work/consumer"
cmake -S "$source/tests/packaging/consumer" -B "$consumer" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$root/usr" >"$work/consumer.log" 2>&1 ||
    { cat "$work/consumer.log"; fail "configuring the consumer"; }
found=$(sed -n 's/^Kitroster_DIR:PATH=//p' "$consumer/CMakeCache.txt")
[[ $found == "$root"/* ]] || fail "find_package(Kitroster) found $found, not the unpacked tree"
cmake --build "$consumer" >>"$work/consumer.log" 2>&1 ||
    { cat "$work/consumer.log"; fail "building the consumer"; }
"$consumer/resolve-assembly" "$site/" "$work/registry.db" ASSY01 || fail "the CMake consumer"

step "pkg-config consumer"
export PKG_CONFIG_SYSROOT_DIR="$root" PKG_CONFIG_LIBDIR="$libdir/pkgconfig" PKG_CONFIG_PATH=""
flags=$(pkg-config --cflags --libs kitroster) || fail "pkg-config kitroster"
echo "pkg-config --cflags --libs kitroster: $flags"
[[ $flags == *"-I$root/usr/include/kitroster"* && $flags == *"-L$libdir"* &&
    $flags == *"-lKitroster"* ]] || fail "unexpected pkg-config flags: $flags"
# Every installed header compiles with those flags alone: none names a file the package
# lacks (a test double, the Qt backend, the build tree).
(cd "$root/usr/include/kitroster" && find . -name '*.h' | sed 's|^\./||' | sort |
    sed 's/.*/#include "&"/') >"$work/all-headers.cpp"
# shellcheck disable=SC2086 # the flags are words
g++ -std=c++20 -fsyntax-only $flags "$work/all-headers.cpp" ||
    fail "the installed headers do not compile on their own"
# shellcheck disable=SC2086
g++ -std=c++20 -o "$work/resolve-assembly-pc" "$source/tests/packaging/consumer/main.cpp" $flags ||
    fail "building with the pkg-config flags"
"$work/resolve-assembly-pc" "$site/" "$work/registry.db" ASSY01 >/dev/null ||
    fail "the pkg-config consumer"

step "done"
