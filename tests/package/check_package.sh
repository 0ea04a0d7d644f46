#!/usr/bin/env bash
# check_package.sh <build dir> <version>
# Makes the Debian package of the build tree (cpack, into a folder of its own)
# and checks it: the files it installs, what it depends on, lintian, its man
# pages, that it installs and removes cleanly (into a dpkg root of its own), that
# the desktop entry and the MIME type are ones the desktop takes, and that the
# window belongs to the desktop entry. Installs nothing on the system.
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
  ./usr/lib/nebpt/libNEBPT.so ./usr/lib/nebpt/libNEBPTcore.so \
  ./usr/lib/nebpt/libNEBPTframework.so \
  ./usr/lib/nebpt/libNEBPTframeworkWidgets.so \
  ./usr/lib/nebpt/NEBPT_english.so ./usr/lib/nebpt/NEBPT_german.so \
  ./usr/lib/nebpt/drives_conf.neb \
  ./usr/lib/nebpt/data/fcd300_sample.json ./usr/lib/nebpt/data/fcd50m_sample.json \
  ./usr/share/applications/nebpt.desktop \
  ./usr/share/icons/hicolor/scalable/apps/nebpt.svg \
  ./usr/share/mime/packages/nebpt.xml \
  ./usr/share/man/man1/nebpt-host.1.gz ./usr/share/man/man1/nebpt-drive-sim.1.gz \
  ./usr/share/doc/nebpt/copyright ./usr/share/doc/nebpt/changelog.gz \
  ./usr/share/doc/nebpt/README.md ./usr/share/doc/nebpt/RUNTIME.md \
  ./usr/share/doc/nebpt/FORMATS.md; do
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

# lintian: errors and warnings fail, the rest is reported only.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -q '^[EW]:' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
fi

# No maintainer scripts: the libraries in /usr/lib/nebpt need no ldconfig, and a
# postrm would keep the package listed once removed.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | grep -E 'pre(inst|rm)$|post(inst|rm)$' || true)
[[ -z "$scripts" ]] || fail "the package has maintainer scripts: $scripts"
# Installed into a dpkg root of its own and removed: nothing stays, nor is listed.
root="$work/dpkg"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
dpkg --root="$root" --log=/dev/null --force-depends --force-not-root -i "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; fail "dpkg cannot install the package"; }
[[ -x "$root/usr/bin/nebpt-host" ]] || fail "dpkg installed no /usr/bin/nebpt-host"
dpkg --root="$root" --log=/dev/null --force-depends --force-not-root -r nebpt >>"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; fail "dpkg cannot remove the package"; }
if dpkg-query --root="$root" -W nebpt >/dev/null 2>&1; then
  fail "nebpt is still listed once removed: $(dpkg-query --root="$root" -l nebpt | tail -n 1)"
fi
left=$(find "$root" -path "$root/var" -prune -o ! -type d -print)
[[ -z "$left" ]] || fail "removing the package leaves $left"

# The man pages: more than --help, with the sections a user looks for.
for program in nebpt-host nebpt-drive-sim; do
  page=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO "./usr/share/man/man1/$program.1.gz" | gzip -dc)
  for section in FILES EXAMPLES "SEE ALSO"; do
    grep -qxE "\.SH \"?$section\"?" <<<"$page" || fail "man $program has no $section section"
  done
done

dpkg-deb -x "$deb" "$work/root"
# nebpt-drive-sim needs the model's core, not the window's libraries.
needed=$(objdump -p "$work/root/usr/lib/nebpt/nebpt-drive-sim" | awk '$1 == "NEEDED" { print $2 }')
grep -qxF libNEBPTcore.so <<<"$needed" || fail "nebpt-drive-sim does not link libNEBPTcore.so"
if grep -E '^libQt6(Widgets|Gui)|^libNEBPT[.]so$' <<<"$needed"; then
  fail "nebpt-drive-sim links the window's libraries (above)"
fi

# The desktop entry and the MIME type as the desktop reads them.
desktop-file-validate "$work/root/usr/share/applications/nebpt.desktop" ||
  fail "the desktop entry is not valid"
mkdir -p "$work/mime/packages"
cp "$work/root/usr/share/mime/packages/nebpt.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1
grep -qxF application/x-nebpt-program "$work/mime/types" ||
  fail "update-mime-database does not take the MIME type"

# The window belongs to the desktop entry: its WM_CLASS is the entry's
# StartupWMClass (the host, from the package, on a private X server).
wmclass=$(sed -n 's/^StartupWMClass=//p' "$work/root/usr/share/applications/nebpt.desktop")
[[ -n "$wmclass" ]] || fail "the desktop entry has no StartupWMClass"
Xvfb -displayfd 3 -nolisten tcp -screen 0 1024x768x24 3>"$work/display" >"$work/xvfb.log" 2>&1 &
started=($!)
trap 'kill "${started[@]}" 2>/dev/null; rm -rf "$work"' EXIT
# Xvfb writes its display's number once it takes connections.
until grep -q '^[0-9]' "$work/display"; do
  kill -0 "${started[0]}" 2>/dev/null || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
  sleep 0.1
done
export DISPLAY=":$(head -n 1 "$work/display")"
mkdir -p "$work/home"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
  QT_QPA_PLATFORM=xcb QT_QPA_PLATFORMTHEME=generic QT_XCB_GL_INTEGRATION=none \
  ASAN_OPTIONS=detect_leaks=0 "$work/root/usr/lib/nebpt/nebpt-host" >"$work/host.log" 2>&1 &
started+=($!)
window=""
for _ in $(seq 300); do
  # The one window on this display with a class: the host's main window.
  window=$(xwininfo -root -tree 2>/dev/null | awk '/\("[^"]*" "[^"]*"\)/ { print $1; exit }' || true)
  [[ -n "$window" ]] && break
  kill -0 "${started[1]}" 2>/dev/null || fail "the host ended: $(cat "$work/host.log")"
  sleep 0.1
done
[[ -n "$window" ]] || fail "the host showed no window: $(cat "$work/host.log")"
class=$(xprop -id "$window" WM_CLASS)
[[ "$class" == "WM_CLASS(STRING) = \"nebpt-host\", \"$wmclass\"" ]] ||
  fail "the window's $class is not the desktop entry's StartupWMClass=$wmclass"
echo "package checked: $(basename "$deb") (Depends: $depends)"
