# Entry points for people and CI. Each target sets up what it needs first.
PRESET ?= dev
BUILD  := build/$(PRESET)
JOBS   ?= $(shell nproc)

.PHONY: all bootstrap configure build run test fault-test bench fuzz format install deb clean

all: build

bootstrap:
	@scripts/bootstrap

configure: bootstrap
	@[ -f $(BUILD)/build.ninja ] || cmake --preset $(PRESET) >/dev/null

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only what it runs: the app and the reminder agent it starts, not the tests and benchmarks.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target tendrel tendrel-reminders
	$(BUILD)/bin/tendrel

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# Every fault point of every store write path (make test tries a sample of them).
fault-test: configure
	cmake --build $(BUILD) -j $(JOBS) --target tst_faultvfs tst_storefaults
	cd $(BUILD) && TENDREL_FAULT_FULL=1 QT_QPA_PLATFORM=offscreen ctest -V -R '^tst_(faultvfs|storefaults)$$'

bench: bootstrap
	@[ -f build/release/build.ninja ] || cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS)
	scripts/run-benchmarks build/release

# Each libFuzzer target for FUZZ_SECONDS (default 300); fails on a crash, leak, slow or large input.
fuzz:
	@scripts/bootstrap fuzz
	scripts/fuzz

format:
	git ls-files '*.cpp' '*.h' | xargs clang-format -i

install: build
	cmake --install $(BUILD)

deb: bootstrap
	@[ -f build/release/build.ninja ] || cmake --preset release >/dev/null
	cmake --build build/release -j $(JOBS)
	cd build/release && cpack -G DEB

clean:
	rm -rf build
