# Two entry points: `make run` and `make test`. Both install what is missing first.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache,)

.PHONY: all deps configure build run test bench clean fuzz

all: build

deps:
	@scripts/install-deps.sh

configure: deps
	@cmake -S . -B $(BUILD) $(LAUNCHER) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/app/vantorix $(ARGS)

# The real-server tests need Debian's OCS Inventory server installed (no daemon
# is started by the installation; the tests start private ones).
test: build
	@scripts/install-ocs-server.sh $(BUILD)/ocs-schema
	@scripts/test-env.sh ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

# Print the speed figures (synthetic machines, this machine against lshw, and
# a fleet of synthetic machines reporting to a private OCS Inventory server).
bench: build
	@$(BUILD)/bench/bench_scale
	@scripts/install-ocs-server.sh $(BUILD)/ocs-schema
	@scripts/bench-fleet.sh $(BUILD)

clean:
	rm -rf $(BUILD)

# Fuzz every parser of machine data for FUZZ_SECONDS each (clang, libFuzzer).
FUZZ_SECONDS ?= 60
fuzz: deps
	@scripts/run-fuzzers.sh $(FUZZ_SECONDS)
