# The two set-up commands of README.md, and a sanitizer run.
BUILD ?= build
JOBS ?= 2

.PHONY: deps configure build test demo asan fuzz clean package install reproducible bench

deps:
	scripts/install-deps

configure: deps
	cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: configure
	cmake --build $(BUILD) -j$(JOBS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j$(JOBS)
	JOBS=$(JOBS) scripts/sanitized-tests build-sanitized

demo: build
	scripts/demo $(BUILD)

# The reading benchmarks (never part of make test): the large river workbook read every
# way (bench/read_bench), then as each writer on this machine writes it (bench/writers_bench;
# writing those workbooks takes some minutes).
bench: build
	bench/read_bench $(BUILD)
	bench/writers_bench $(BUILD)

# The Debian packages (CPack; see packaging/): $(BUILD)/torven-ii_<version>_<arch>.deb and
# those of the bindings, libtorven2, libtorven-dev, python3-torven and r-cran-torven.
# Builds only what the packages install (package_contents), not the tests and benchmarks.
package: configure
	cmake --build $(BUILD) -j$(JOBS) --target package_contents
	cd $(BUILD) && cpack --config CPackConfig.cmake

# Installs under PREFIX (default /usr/local), below DESTDIR when it is set: the programs,
# then libtorven with its header and the Python module torven (the bindings).
PREFIX ?= /usr/local
install: build
	cmake --install $(BUILD) --prefix $(PREFIX)
	cmake --install $(BUILD) --prefix $(PREFIX) --component bindings

# Every test under AddressSanitizer and UndefinedBehaviorSanitizer (leaks included; the
# leaks that lie wholly inside Qt and the system's libraries are listed, each with its
# reason, in tests/lsan-suppressions.txt).
asan: deps
	cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTORVEN_SANITIZE=ON
	cmake --build build-asan -j$(JOBS)
	cd build-asan && ASAN_OPTIONS=detect_leaks=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan-suppressions.txt:print_suppressions=0 \
	    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j$(JOBS)

clean:
	rm -rf $(BUILD) build-asan build-sanitized build-fuzz

# Each libFuzzer target for FUZZ_SECONDS (default 60), one after another, from the seed
# corpus in tests/fuzz/corpus; new inputs gather in build-fuzz/corpus, crashes in
# build-fuzz/crashes. Installs clang first when it is missing.
FUZZ_SECONDS ?= 60
fuzz:
	scripts/install-deps --fuzz
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTORVEN_FUZZ=ON
	cmake --build build-fuzz -j$(JOBS) --target fuzz_xlsx fuzz_xls fuzz_access fuzz_csv fuzz_taxonmap fuzz_preset fuzz_jobfile
	scripts/fuzz build-fuzz $(FUZZ_SECONDS)

# Builds the packages twice, the second time from a copy of the sources in another folder,
# and compares them byte for byte (the package_reproducible test; not in make test: the
# second build compiles everything the packages install again).
reproducible: configure
	cmake -S . -B $(BUILD) -DTORVEN_REPRODUCIBLE_TEST=ON
	cmake --build $(BUILD) -j$(JOBS)
	cd $(BUILD) && ctest --output-on-failure -R 'package_build|package_reproducible'
