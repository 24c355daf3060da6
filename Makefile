# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

DEB_PACKAGES = cmake ninja-build g++ pkg-config ccache zlib1g-dev libsqlite3-dev \
               nlohmann-json3-dev libcli11-dev libzip-dev libgtest-dev libgmock-dev libbenchmark-dev \
               qt6-base-dev libgl-dev unzip zip tidy python3 clang libclang-rt-14-dev chromium \
               locales

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps configure build run test test-asan bench fuzz format clean

all: build

deps:
	@missing=$$(for p in $(DEB_PACKAGES); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing: $$missing"; \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
	@# The time-of-day tests run under a 12-hour locale too.
	@locale -a 2>/dev/null | grep -qix 'en_US.utf8' || $(SUDO) localedef -i en_US -f UTF-8 en_US.UTF-8

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

run: build
	@tools/demo-run.sh $(BUILD)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan: deps
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BUILD_UI=ON
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	    ctest --output-on-failure -j $(JOBS) --timeout 900

bench: deps
	@bench/run-bench.sh

# The fuzz targets (clang, libFuzzer); `fuzz/README.md` says how to run them.
FUZZ_TARGETS = $(basename $(notdir $(wildcard fuzz/*.cpp)))
fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DQV_BUILD_FUZZ=ON -DQV_BUILD_UI=OFF
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target $(FUZZ_TARGETS)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ)
