# Two entry points: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps configure build run test bench clean fuzz windows windows-test

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/vantorix $(ARGS)

test: build
	@scripts/test-env.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Print the speed figures (synthetic machines, this machine against lshw).
bench: build
	@$(BUILD)/bench/bench_scale

clean:
	rm -rf $(BUILD)

# Fuzz every parser of machine data for FUZZ_SECONDS each (clang, libFuzzer).
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/run-fuzzers.sh $(FUZZ_SECONDS)

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
