#!/bin/sh
# manpage.sh <bin dir> <program> <summary> <out.1.gz>
# Writes the program's man page, gzip-compressed: made by help2man from its --help
# and --version, with the sections of <program>.h2m beside this script (a longer
# description, files, examples, see also). The program is run by its bare name
# from <bin dir>, so that its usage line names it as users type it.
set -eu
bindir=$1 program=$2 summary=$3 out=$4
sections="$(dirname "$0")/$program.h2m"
tmp="$out.tmp"
trap 'rm -f "$tmp"' EXIT
# The sanitizer build's programs run here too: a leak report must not fail
# the build of a man page. The host's --help needs no display.
PATH="$bindir:$PATH" QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
  help2man --no-info --section=1 --name="$summary" --include="$sections" "$program" |
  gzip -9 -n >"$tmp"
mv -f "$tmp" "$out"
