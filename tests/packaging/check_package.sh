#!/bin/sh
# Checks of the Debian package, one step per call (see CMakeLists.txt):
#   build   DIR CPACK CONFIG     builds the package into DIR
#   lintian DIR                  lintian finds no tag in any of the packages
#   smoke   DIR BIN EXAMPLES     the unpacked programs against the build tree's
#   layout  DIR CMAKE BUILD      a DESTDIR install has exactly the package's files
#   hardening DIR                the packaged programs and shared objects carry Debian's
#                                hardening
#   bindings DIR                 libtorven2, libtorven-dev, python3-torven and r-cran-torven:
#                                their files, Depends, and the installed module and R package
#                                assessing the installed example
#   manpages BIN MANDIR          every command and option of each program's --help is in
#                                its manual page
#   reproducible DIR SOURCE      a second build of the packages' contents, in another folder
#                                from a copy of the sources, gives byte-identical packages
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
    package >/dev/null
    lintian --allow-root -I -E --pedantic --fail-on error,warning,info,pedantic,experimental \
        --tag-display-limit 0 "$dir"/*.deb
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
    package >/dev/null
    for deb in "$dir"/*.deb; do
        dpkg-deb -x "$deb" "$root"
    done
    # PIE, stack protector, fortified functions, relro and bind-now in each program. Not the
    # control-flow protection note: our code is compiled with -fcf-protection, but Debian 12's
    # C library start files (Scrt1.o, crti.o, crtn.o) carry no such note and no endbr64, so
    # the linker rightly leaves it out of every program linked on Debian 12, Debian's own too.
    set -- "$root"/usr/bin/* "$root"/usr/lib/*/libtorven.so.*.*.*
    if [ -f "$root/usr/lib/R/site-library/torven/libs/torven.so" ]; then
        set -- "$@" "$root/usr/lib/R/site-library/torven/libs/torven.so"
    fi
    hardening-check --nocfprotection "$@"
    ;;
bindings)
    package >/dev/null
    root=$scratch/root
    for name in torven-ii libtorven2 libtorven-dev python3-torven r-cran-torven; do
        set -- "$dir/${name}"_*.deb
        test -f "$1" || { echo "no package $name in $dir" >&2; exit 1; }
        dpkg-deb -x "$1" "$root"
        dpkg-deb -f "$1" Depends >"$scratch/$name.depends"
        dpkg-deb --fsys-tarfile "$1" | tar -t | grep -v '/$' | sed 's|^\./||' | sort >"$scratch/$name.files"
    done
    triplet=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    version=$(dpkg-deb -f "$(package)" Version)
    # Each package's files where Debian looks for them, and nothing else.
    for name in libtorven2 libtorven-dev python3-torven r-cran-torven; do
        grep -qx "usr/share/doc/$name/copyright" "$scratch/$name.files"
        grep -qx "usr/share/doc/$name/changelog.gz" "$scratch/$name.files"
    done
    printf '%s\n' "usr/lib/$triplet/libtorven.so.2" "usr/lib/$triplet/libtorven.so.$version" \
        usr/share/doc/libtorven2/changelog.gz usr/share/doc/libtorven2/copyright \
        usr/share/lintian/overrides/libtorven2 | sort >"$scratch/expected"
    diff "$scratch/expected" "$scratch/libtorven2.files"
    printf '%s\n' usr/include/torven.h "usr/lib/$triplet/libtorven.so" \
        usr/share/doc/libtorven-dev/changelog.gz usr/share/doc/libtorven-dev/copyright | sort >"$scratch/expected"
    diff "$scratch/expected" "$scratch/libtorven-dev.files"
    printf '%s\n' usr/lib/python3/dist-packages/torven/__init__.py \
        usr/lib/python3/dist-packages/torven/_library.py \
        usr/share/doc/python3-torven/changelog.gz usr/share/doc/python3-torven/copyright | sort >"$scratch/expected"
    diff "$scratch/expected" "$scratch/python3-torven.files"
    for f in DESCRIPTION NAMESPACE libs/torven.so R/torven.rdb help/torven.rdb; do
        grep -qx "usr/lib/R/site-library/torven/$f" "$scratch/r-cran-torven.files"
    done
    if grep -v -e '^usr/lib/R/site-library/torven/' -e '^usr/share/doc/r-cran-torven/' \
            -e '^usr/share/lintian/overrides/r-cran-torven$' "$scratch/r-cran-torven.files"; then
        echo "r-cran-torven has files outside its site library and its doc folder" >&2
        exit 1
    fi
    # The shared objects find libtorven by its soname, through no search path of their own.
    for so in "$root/usr/lib/$triplet/libtorven.so.$version" "$root/usr/lib/R/site-library/torven/libs/torven.so"; do
        if readelf -d "$so" | grep -qE 'RPATH|RUNPATH'; then
            echo "$so has a library search path" >&2
            exit 1
        fi
    done
    readelf -d "$root/usr/lib/R/site-library/torven/libs/torven.so" | grep -q 'NEEDED.*\[libtorven\.so\.2\]'
    grep -qx 'LIBRARY = "libtorven.so.2"' "$root/usr/lib/python3/dist-packages/torven/_library.py"
    # Depends: the bindings on the library of this very version, the library on the data of
    # torven-ii of this version, the R package on the R API.
    grep -q "^libtorven2 (= $version), .*python3-pandas" "$scratch/python3-torven.depends"
    grep -q "^libtorven2 (= $version), r-base-core (>= [^)]*), r-api-[0-9.]*, libc6" "$scratch/r-cran-torven.depends"
    grep -q "^torven-ii (= $version), libc6" "$scratch/libtorven2.depends"
    grep -qx "libtorven2 (= $version)" "$scratch/libtorven-dev.depends"
    # Installed, as far as an unpacked root can stand in for it: the module and the R package
    # assess the installed example with the installed database, found with no path given,
    # as torven-cli does.
    export HOME="$scratch/home"
    mkdir -p "$HOME"
    unset XDG_DATA_HOME XDG_CONFIG_HOME
    export XDG_DATA_DIRS="$root/usr/share"
    export LD_LIBRARY_PATH="$root/usr/lib/$triplet"
    example=$root/usr/share/torven-ii/examples/river.xlsx
    "$root/usr/bin/torven-cli" assess --csv "$scratch/cli" "$example" >/dev/null
    PYTHONPATH="$root/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import sys, torven
assert torven.__file__.startswith(sys.argv[1]), torven.__file__
job = torven.assess(sys.argv[2])
print(len(job.samples))
' "$root/usr/lib/python3/dist-packages" "$example" >"$scratch/python.count"
    R_LIBS="$root/usr/lib/R/site-library" Rscript -e '
args <- commandArgs(TRUE)
stopifnot(startsWith(find.package("torven"), args[1]))
job <- torven::assess(args[2])
cat(nrow(job$samples), "\n", sep = "")
' "$root/usr/lib/R/site-library" "$example" >"$scratch/r.count"
    rows=$(( $(wc -l <"$scratch/cli/sample-summary.csv") - 1 ))
    test "$rows" -gt 0
    test "$(cat "$scratch/python.count")" = "$rows"
    test "$(cat "$scratch/r.count")" = "$rows"
    echo "python3-torven and r-cran-torven assess the installed example: $rows samples"
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
    # The packages of this build against those built again from a fresh copy of the sources
    # in another folder, later, with only what the packages install built: the same commit
    # must give the same bytes. (A ccache whose base_dir holds one of the folders but not the
    # other gives programs that differ in their debug information, but not once stripped:
    # the packaged files' build ids are hashes of the stripped bytes.) The copy's files all have new times, and it has no git history:
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
    echo "second build: $(( $(date +%s) - started )) s"
    differ=0
    for first in "$dir"/*.deb; do
        second=$scratch/another/deb/$(basename "$first")
        if [ ! -f "$second" ]; then
            echo "the second build made no $(basename "$first")" >&2
            differ=1
        elif ! cmp "$first" "$second"; then
            differ=1
            # Name what differs, to start the search: diffoscope where it is installed,
            # else the unpacked packages and their file lists.
            if command -v diffoscope >/dev/null 2>&1; then
                diffoscope --text - "$first" "$second" >&2 || true
            else
                rm -rf "$scratch/a" "$scratch/b"
                mkdir "$scratch/a" "$scratch/b"
                dpkg-deb -R "$first" "$scratch/a"
                dpkg-deb -R "$second" "$scratch/b"
                diff -r "$scratch/a" "$scratch/b" >&2 || true
                dpkg-deb --fsys-tarfile "$first" | tar -tv --full-time >"$scratch/a.list"
                dpkg-deb --fsys-tarfile "$second" | tar -tv --full-time >"$scratch/b.list"
                diff "$scratch/a.list" "$scratch/b.list" >&2 || true
            fi
        fi
    done
    if [ "$differ" -ne 0 ]; then
        exit 1
    fi
    for first in "$dir"/*.deb; do
        echo "the same from a second build: $(basename "$first")"
    done
    ;;
*)
    echo "unknown step $step" >&2
    exit 2
    ;;
esac
