#!/bin/sh
# Checks of the Debian package, one step per call (see CMakeLists.txt):
#   build   DIR CPACK CONFIG     builds the package into DIR
#   lintian DIR                  lintian finds no error and no warning
#   smoke   DIR BIN EXAMPLES     the unpacked programs against the build tree's
#   layout  DIR CMAKE BUILD      a DESTDIR install has exactly the package's files
set -eu

step=$1
dir=$2

package() {
    set -- "$dir"/torven-ii_*.deb
    if [ ! -f "$1" ]; then
        echo "no package in $dir" >&2
        exit 1
    fi
    echo "$1"
}

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

case $step in
build)
    rm -rf "$dir"
    "$3" --config "$4" -G DEB -B "$dir"
    package >/dev/null
    ;;
lintian)
    # Warnings count as failures; the few that cannot be helped are overridden, with the
    # reason, in packaging/lintian-overrides.
    lintian --allow-root --fail-on error,warning --display-info --tag-display-limit 0 "$(package)"
    ;;
smoke)
    bin=$3
    examples=$4
    deb=$(package)
    root=$scratch/root
    dpkg-deb -x "$deb" "$root"
    work=$scratch/elsewhere
    mkdir "$work"
    cd "$work"
    # A user of their own, with the unpacked package as the system's data folder.
    export HOME="$scratch/home"
    unset XDG_DATA_HOME XDG_CONFIG_HOME
    export XDG_DATA_DIRS="$root/usr/share"
    mkdir -p "$HOME"
    # No database beside the installed program and no --db: the installed one must be found.
    test ! -e "$root/usr/bin/TORVENII.mdb"
    "$root/usr/bin/torven-cli" refdb --info | grep -qx "Reference database: demonstration data, not for reporting"
    "$root/usr/bin/torven-cli" assess "$root/usr/share/torven-ii/examples/river.xlsx" >installed.txt 2>installed.err
    "$bin/torven-cli" assess "$examples/river.xlsx" >built.txt 2>built.err
    sed "s|$root/usr/share/torven-ii/examples/||g" installed.txt >installed-names.txt
    sed "s|$examples/||g" built.txt >built-names.txt
    if ! cmp -s installed-names.txt built-names.txt || ! cmp -s installed.err built.err; then
        echo "the installed torven-cli's summary differs from the build tree's:" >&2
        diff built-names.txt installed-names.txt >&2 || true
        diff built.err installed.err >&2 || true
        exit 1
    fi
    grep -q "TDI3" installed.txt
    grep -qx "Reference database: demonstration data, not for reporting" installed.txt
    # A database in the user's own data folder comes first, without --db.
    mkdir -p "$HOME/.local/share/torven-ii"
    printf 'Code:text(8)\nAC001A\n' >taxa.csv
    "$root/usr/bin/torven-mkrefdb" --allow-problems -o "$HOME/.local/share/torven-ii/TORVENII.mdb" \
        NBSMasterTaxonList_PhaseII=taxa.csv
    "$root/usr/bin/torven-cli" refdb --info >own.txt
    own=$(sha256sum "$HOME/.local/share/torven-ii/TORVENII.mdb" | cut -c1-64)
    grep -qx "Reference database SHA-256: $own" own.txt
    grep -qx "Master taxon list: 1 rows" own.txt
    test -f "$root/usr/share/doc/torven-ii/README.Debian"
    "$root/usr/bin/torven" --version >version.txt
    grep -qx "TORVEN II Version [0-9.]*" version.txt
    "$root/usr/bin/torven" --help | grep -q "Usage:"
    # The help file, the examples and the manual pages are where the programs and man look.
    for f in TORVENII.pdf TORVENII.toc examples/river.xls examples/lake.xlsx examples/dam.xlsx; do
        test -f "$root/usr/share/torven-ii/$f"
    done
    for page in torven torven-cli torven-mkrefdb; do
        gzip -t "$root/usr/share/man/man1/$page.1.gz"
    done
    echo "installed programs agree with the build tree"
    ;;
layout)
    cmake=$3
    build=$4
    DESTDIR=$scratch/destdir "$cmake" --install "$build" --prefix /usr >/dev/null
    (cd "$scratch/destdir" && find . ! -type d | sort) >installed.list
    dpkg-deb --fsys-tarfile "$(package)" | tar -t | grep -v '/$' | sort >packaged.list
    diff packaged.list installed.list
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
