#!/bin/sh
# R CMD check --no-manual of the R package in $1, built and checked in the folder $2 (made
# afresh). Fails when the check ends with an ERROR or a WARNING; NOTEs are shown.
set -eu
package=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
cd "$work"
cp -r "$package" source
R CMD build --no-build-vignettes source >build.log 2>&1 || { cat build.log; exit 1; }
tarball=$(ls torven_*.tar.gz)
status=0
_R_CHECK_FORCE_SUGGESTS_=false R CMD check --no-manual "$tarball" >check.log 2>&1 || status=$?
cat check.log
[ "$status" -eq 0 ] || exit 1
if grep -Eq '^Status: .*(ERROR|WARNING)' check.log; then
    exit 1
fi
