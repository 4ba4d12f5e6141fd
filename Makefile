# Two entry points: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps configure build run install test test-sanitize bench clean fuzz deb windows windows-test

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/vantorix $(ARGS)

# The program, its help, menu entry and manual page, and the inventory
# server's daily timer, under the prefix the build was configured with
# (/usr/local unless CMAKE_FLAGS says otherwise).
install: build
	@cmake --install $(BUILD)

# The real-server tests need Debian's OCS Inventory server installed (no daemon
# is started by the installation; the tests start private ones).
test: build
	@scripts/install-ocs-server.sh $(BUILD)/ocs-schema
	@scripts/test-env.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# The whole test suite again, built with AddressSanitizer and
# UndefinedBehaviorSanitizer; any report fails the test that caused it.
SANITIZE_BUILD ?= build-sanitize
test-sanitize: deps
	@cmake -S . -B $(SANITIZE_BUILD) $(LAUNCHER) -DVANTORIX_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug >/dev/null
	@cmake --build $(SANITIZE_BUILD) -j $(JOBS)
	@scripts/install-ocs-server.sh $(SANITIZE_BUILD)/ocs-schema
	@ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1 \
	 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	 scripts/test-env.sh ctest --test-dir $(SANITIZE_BUILD) --output-on-failure -j $(JOBS)

# Print the speed figures (synthetic machines, this machine against lshw, and
# a fleet of synthetic machines reporting to a private OCS Inventory server).
bench: build
	@$(BUILD)/bench/bench_scale
	@scripts/install-ocs-server.sh $(BUILD)/ocs-schema
	@scripts/bench-fleet.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(SANITIZE_BUILD) $(DEB_DIR)

# Fuzz every parser of machine data for FUZZ_SECONDS each (clang, libFuzzer).
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/run-fuzzers.sh $(FUZZ_SECONDS)

# The Debian package, vantorix_<version>_<arch>.deb, in build-deb/ (installs
# what the package build needs; see scripts/build-deb.sh).
DEB_DIR ?= build-deb
deb:
	@scripts/build-deb.sh $(DEB_DIR)

# Windows: one self-contained vantorix.exe, cross-built with mingw-w64 against
# a static Qt built once from Debian's qt6-base source (about 30 minutes on
# two cores; kept in ~/.cache/vantorix), packed in a zip.
WINDOWS_BUILD ?= build-windows
windows:
	@scripts/windows/build.sh $(WINDOWS_BUILD)

# The Windows tests and the program's export under Wine, then what WMI under
# Wine and the Linux build say about this machine, side by side.
windows-test: build
	@scripts/windows/test.sh $(WINDOWS_BUILD) $(BUILD)
