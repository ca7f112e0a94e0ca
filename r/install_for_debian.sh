#!/bin/sh
# Installs the R package torven for the Debian package r-cran-torven:
#   install_for_debian.sh R SOURCE_DATE_FILE PACKAGE CAPI_DIR LIBRARY_DIR SOURCE_DIR OUTPUT
# R keeps in the installed files the absolute paths of the package's source and of the
# working folder, the times of the help pages' sources, and the path of the library it is
# installed into (the namespace's path). So the package is installed from and into a folder
# whose name is the same in every build, one build at a time (a lock), from within it, its
# files dated SOURCE_DATE_EPOCH; then it is copied to OUTPUT. The compiler's paths are mapped to fixed names,
# DESCRIPTION's "Built:" line carries SOURCE_DATE_EPOCH's time, and the shared object is
# linked against libtorven by its soname alone, with the immediate binding Debian's
# hardening asks for.
set -eu
r=$1
epoch_file=$2
package=$3
capi=$4
libdir=$5
srcdir=$6
output=$7

stage=/tmp/torven-ii-r-package-$(id -u)
exec 9>"$stage.lock"
flock 9
rm -rf "$stage"
mkdir -m 700 "$stage"
mkdir "$stage/library"
cp -R "$package" "$stage/torven"
epoch=$(cat "$epoch_file")
find "$stage/torven" -exec touch -h -d "@$epoch" {} +
cd "$stage"
built=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S UTC')
# R runs a make of its own, which must not take the build's make flags for its own.
env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL \
    TORVEN_CPPFLAGS="-I$capi -ffile-prefix-map=$stage/=r/ -ffile-prefix-map=$srcdir/=" \
    TORVEN_LIBS="-L$libdir -Wl,-z,now" \
    "$r" CMD INSTALL --no-multiarch --no-test-load --built-timestamp="$built" \
    --library="$stage/library" "$stage/torven"
rm -rf "$output"
mkdir -p "$output"
cp -R "$stage/library/torven" "$output/torven"
rm -rf "$stage"
