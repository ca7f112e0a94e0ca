#!/bin/sh
# Checks of the Debian package, one step per call (see CMakeLists.txt):
#   build   DIR CPACK CONFIG     builds the package into DIR
#   lintian DIR                  lintian finds no error and no warning
#   smoke   DIR BIN EXAMPLES     the unpacked programs against the build tree's
#   layout  DIR CMAKE BUILD      a DESTDIR install has exactly the package's files
#   hardening DIR                the packaged programs carry Debian's hardening
#   manpages BIN MANDIR          every command and option of each program's --help is in
#                                its manual page
#   reproducible DIR SOURCE      a second build of the package's contents, in another folder
#                                from a copy of the sources, gives a byte-identical package
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
    # Every tag counts, down to the pedantic ones; the few that cannot be helped are
    # overridden, with the reason, in packaging/lintian-overrides.
    lintian --allow-root -I -E --pedantic --fail-on error,warning,info,pedantic,experimental \
        --tag-display-limit 0 "$(package)"
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
hardening)
    root=$scratch/root
    dpkg-deb -x "$(package)" "$root"
    # PIE, stack protector, fortified functions, relro and bind-now in each program. Not the
    # control-flow protection note: our code is compiled with -fcf-protection, but Debian 12's
    # C library start files (Scrt1.o, crti.o, crtn.o) carry no such note and no endbr64, so
    # the linker rightly leaves it out of every program linked on Debian 12, Debian's own too.
    hardening-check --nocfprotection "$root"/usr/bin/*
    ;;
manpages)
    # The manual pages are written by hand; this keeps them from falling behind the programs:
    # the options and commands are read from each program's own --help, so a new one fails
    # here until its page describes it.
    bin=$2
    mandir=$3
    missing=0
    for program in torven torven-cli torven-mkrefdb; do
        page=$mandir/$program.1
        # The page's text without roff's escapes: \- is a hyphen, \fB and the like change font.
        sed -e 's/\\-/-/g' -e 's/\\f[BIRP]//g' -e 's/\\(aq/'"'"'/g' "$page" >"$scratch/page.txt"
        QT_QPA_PLATFORM=offscreen "$bin/$program" --help >"$scratch/help.txt"
        # Options: every --word and every single-letter -x of the usage.
        options=$(grep -oE '(^|[^A-Za-z0-9-])--?[a-z][a-z0-9-]*' "$scratch/help.txt" |
                  sed -E 's/^[^-]*//' | grep -E '^(--[a-z][a-z0-9-]*|-[a-z])$' | sort -u)
        # Commands: the word after the program's name on a usage line (torven-cli assess ...).
        commands=$(sed -nE "s/^ +$program +([a-z][a-z-]*).*/\\1/p" "$scratch/help.txt" | sort -u)
        if [ -z "$options" ]; then
            echo "$program --help names no option" >&2
            missing=1
        fi
        for option in $options; do
            if ! grep -qE -- "(^|[^A-Za-z0-9-])$option([^A-Za-z0-9-]|\$)" "$scratch/page.txt"; then
                echo "$program(1) does not describe $option" >&2
                missing=1
            fi
        done
        for command in $commands; do
            if ! grep -qE -- "$program +$command([^A-Za-z0-9-]|\$)" "$scratch/page.txt"; then
                echo "$program(1) does not describe the command $command" >&2
                missing=1
            fi
        done
    done
    exit $missing
    ;;
reproducible)
    # (Both builds must compile alike: a ccache with base_dir rewrites the source paths to
    # relative ones in the debug information, and so the programs' build ids, of one of them.)
    # The package of this build against one built again from a fresh copy of the sources in
    # another folder, later, with only what the package installs built: the same commit must
    # give the same bytes. The copy's files all have new times, and it has no git history:
    # it gets the time this build took from git through SOURCE_DATE_EPOCH.
    source=$3
    cmake=$4
    cpack=$5
    build=$6
    first=$(package)
    epoch=$(cat "$build/source-date-epoch")
    if git -C "$source" rev-parse --git-dir >/dev/null 2>&1; then
        commit_time=$(git -C "$source" log -1 --format=%ct)
        if [ "$epoch" != "$commit_time" ]; then
            echo "the build's time $epoch is not the last commit's, $commit_time" >&2
            exit 1
        fi
    fi
    copy=$scratch/another/source
    mkdir -p "$copy"
    (cd "$source" && tar --exclude='./build*' --exclude=./.git -cf - .) | tar -xmf - -C "$copy"
    build_type=$(sed -n 's/^CMAKE_BUILD_TYPE:[A-Z]*=//p' "$build/CMakeCache.txt")
    started=$(date +%s)
    SOURCE_DATE_EPOCH=$epoch "$cmake" -S "$copy" -B "$scratch/another/build" \
        -DCMAKE_BUILD_TYPE="$build_type" >"$scratch/configure.log" 2>&1 ||
        { cat "$scratch/configure.log" >&2; exit 1; }
    SOURCE_DATE_EPOCH=$epoch "$cmake" --build "$scratch/another/build" -j2 --target package_contents \
        >"$scratch/build.log" 2>&1 || { tail -50 "$scratch/build.log" >&2; exit 1; }
    (cd "$scratch/another/build" && SOURCE_DATE_EPOCH=$epoch "$cpack" --config CPackConfig.cmake \
        -B "$scratch/another/deb" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log" >&2; exit 1; }
    second=$(ls "$scratch"/another/deb/torven-ii_*.deb)
    echo "second build: $(( $(date +%s) - started )) s"
    if ! cmp "$first" "$second"; then
        # Name the files that differ, to start the search.
        mkdir "$scratch/a" "$scratch/b"
        dpkg-deb -R "$first" "$scratch/a"
        dpkg-deb -R "$second" "$scratch/b"
        diff -r "$scratch/a" "$scratch/b" >&2 || true
        dpkg-deb --fsys-tarfile "$first" | tar -tv --full-time >"$scratch/a.list"
        dpkg-deb --fsys-tarfile "$second" | tar -tv --full-time >"$scratch/b.list"
        diff "$scratch/a.list" "$scratch/b.list" >&2 || true
        exit 1
    fi
    echo "the package is the same from a second build: $first"
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
