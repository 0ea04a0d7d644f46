#!/usr/bin/env bash
# check_package.sh <build dir> <version>
# Makes the Debian package of the build tree (cpack, into a folder of its own)
# and checks it: the files it installs, what it depends on, lintian, and that the
# desktop entry and the MIME type are ones the desktop takes. Installs nothing.
set -euo pipefail
build=$1 version=$2

work=$(mktemp -d "${TMPDIR:-/tmp}/package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# CPACK_DEBIAN_PACKAGE_DEBUG: the log shows what dpkg-shlibdeps warns of.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" -D CPACK_DEBIAN_PACKAGE_DEBUG=ON \
  >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log" >&2
  fail "cpack could not make the package"
fi
# A library of the package dpkg-shlibdeps cannot find leaves what it needs out of Depends.
if grep 'cannot find library' "$work/cpack.log" >&2; then
  fail "dpkg-shlibdeps does not find the libraries above"
fi
deb="$work/nebpt_${version}_$(dpkg --print-architecture).deb"
[[ -f "$deb" ]] || fail "no $(basename "$deb") in what cpack made: $(ls "$work")"

# Every file a user needs, where the programs and the desktop look for it.
contents=$(dpkg-deb -c "$deb" | awk '{ print $6 }')
missing=()
for path in \
  ./usr/bin/nebpt-host ./usr/bin/nebpt-drive-sim \
  ./usr/lib/nebpt/nebpt-host ./usr/lib/nebpt/nebpt-drive-sim \
  ./usr/lib/nebpt/libNEBPT.so ./usr/lib/nebpt/libNEBPTframework.so \
  ./usr/lib/nebpt/libNEBPTframeworkWidgets.so \
  ./usr/lib/nebpt/NEBPT_english.so ./usr/lib/nebpt/NEBPT_german.so \
  ./usr/lib/nebpt/drives_conf.neb \
  ./usr/lib/nebpt/data/fcd300_sample.json ./usr/lib/nebpt/data/fcd50m_sample.json \
  ./usr/share/applications/nebpt.desktop \
  ./usr/share/icons/hicolor/scalable/apps/nebpt.svg \
  ./usr/share/mime/packages/nebpt.xml \
  ./usr/share/man/man1/nebpt-host.1.gz ./usr/share/man/man1/nebpt-drive-sim.1.gz \
  ./usr/share/doc/nebpt/copyright ./usr/share/doc/nebpt/changelog.gz; do
  grep -qxF "$path" <<<"$contents" || missing+=("$path")
done
[[ ${#missing[@]} -eq 0 ]] || fail "the package lacks ${missing[*]}"
# Nothing of the build tree (tests, benchmarks, headers) slips in.
if grep -E '_tests$|bench_|fuzz_|/include/' <<<"$contents"; then
  fail "the package holds files users do not need (above)"
fi

# Depends: computed by dpkg-shlibdeps, so Qt 6 and libmodbus are there by the
# libraries the programs link.
depends=$(dpkg-deb -f "$deb" Depends)
for library in libqt6core6 libqt6widgets6 libqt6svg6 libmodbus5 qt6-qpa-plugins; do
  grep -qE "(^|, )$library( |,|$)" <<<"$depends" || fail "Depends lacks $library: $depends"
done

# lintian: errors fail, warnings are reported only.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^E:' "$work/lintian.log"; then
  fail "lintian reports errors"
fi

# The desktop entry and the MIME type as the desktop reads them.
dpkg-deb -x "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/nebpt.desktop" ||
  fail "the desktop entry is not valid"
mkdir -p "$work/mime/packages"
cp "$work/root/usr/share/mime/packages/nebpt.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1
grep -qxF application/x-nebpt-program "$work/mime/types" ||
  fail "update-mime-database does not take the MIME type"
echo "package checked: $(basename "$deb") (Depends: $depends)"
