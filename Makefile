# The two set-up commands: `make run` and `make test`. Both install what is missing first.
BUILD      ?= build
BUILD_ASAN ?= build-asan
BUILD_FUZZ ?= build-fuzz
BUILD_PKG  ?= build-pkg
BUILD_COV  ?= build-cov
JOBS       ?= $(shell nproc)
CMAKE_ARGS ?=

# What each target needs, so that `make run` installs nothing only the tests use.
RUN_PACKAGES   = cmake ninja-build g++ pkg-config ccache zlib1g-dev libsqlite3-dev \
                 nlohmann-json3-dev libcli11-dev libzip-dev qt6-base-dev libgl-dev
TEST_PACKAGES  = $(RUN_PACKAGES) libgtest-dev libgmock-dev unzip zip tidy python3 \
                 chromium clang libclang-rt-14-dev mandoc lintian dpkg-dev file locales clang-format
BENCH_PACKAGES = $(RUN_PACKAGES) libbenchmark-dev libgtest-dev libgmock-dev
FUZZ_PACKAGES  = $(RUN_PACKAGES) clang libclang-rt-14-dev
PKG_PACKAGES   = $(RUN_PACKAGES) dpkg-dev file lintian
COV_PACKAGES   = $(TEST_PACKAGES) gcovr

SUDO = $(shell [ "$$(id -u)" = 0 ] || echo sudo)

.PHONY: all deps deps-test deps-bench deps-fuzz deps-package deps-coverage configure build run \
        test test-asan coverage bench fuzz package format format-check clean

all: build

# Installs the packages of $(1) that are missing.
define install_missing
	@missing=$$(for p in $(1); do dpkg-query -W -f='$${Status}\n' $$p 2>/dev/null | grep -q 'install ok installed' || echo $$p; done); \
	if [ -n "$$missing" ]; then \
	    echo "Installing: $$missing"; \
	    $(SUDO) apt-get update -qq && DEBIAN_FRONTEND=noninteractive $(SUDO) apt-get install -y -qq $$missing; \
	fi
endef

deps:
	$(call install_missing,$(RUN_PACKAGES))
deps-test:
	$(call install_missing,$(TEST_PACKAGES))
	@# The time-of-day tests run under a 12-hour locale too.
	@locale -a 2>/dev/null | grep -qix 'en_US.utf8' || $(SUDO) localedef -i en_US -f UTF-8 en_US.UTF-8
deps-bench:
	$(call install_missing,$(BENCH_PACKAGES))
deps-fuzz:
	$(call install_missing,$(FUZZ_PACKAGES))
deps-package:
	$(call install_missing,$(PKG_PACKAGES))
deps-coverage: deps-test
	$(call install_missing,$(COV_PACKAGES))

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

# Only the programs: the tests are built by `make test`.
run: configure
	cmake --build $(BUILD) -j $(JOBS) --target quorvane quorvane-board quorvane-config wcsrv2
	@tools/demo-run.sh $(BUILD)

# Configured again, so that a build first made by `make run` picks up GoogleTest.
test: deps-test
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_ARGS)
	cmake --build $(BUILD) -j $(JOBS)
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS) --timeout 600

test-asan: deps-test
	cmake -S . -B $(BUILD_ASAN) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_BUILD_UI=ON \
	    $(CMAKE_ARGS)
	cmake --build $(BUILD_ASAN) -j $(JOBS)
	cd $(BUILD_ASAN) && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
	    LSAN_OPTIONS=suppressions=$(CURDIR)/tests/lsan.supp \
	    ctest --output-on-failure -j $(JOBS) --timeout 900

# Line and branch coverage of the core (config, generate, publish and the server client) by the
# whole suite, in its own unoptimised build; the counters start from zero on every run.
COV_FLAGS = --coverage -O0
coverage: deps-coverage
	cmake -S . -B $(BUILD_COV) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="$(COV_FLAGS)" \
	    -DCMAKE_CXX_FLAGS="$(COV_FLAGS)" -DCMAKE_EXE_LINKER_FLAGS=--coverage \
	    -DCMAKE_SHARED_LINKER_FLAGS=--coverage $(CMAKE_ARGS)
	find $(BUILD_COV) -name '*.gcda' -delete
	cmake --build $(BUILD_COV) -j $(JOBS)
	find $(BUILD_COV) -name '*.gcda' -delete
	@# libgcov's own complaints go to a file, not into the output the tests compare.
	cd $(BUILD_COV) && GCOV_ERROR_FILE=$(CURDIR)/$(BUILD_COV)/gcov-errors.log \
	    ctest --output-on-failure -j $(JOBS) --timeout 900
	gcovr -r . --object-directory $(BUILD_COV) -j $(JOBS) \
	    --filter '(config|generate|io|publish|server)/[^/]+$$' \
	    --exclude-directories '.*/CMakeFiles/[0-9.]+' \
	    --exclude-unreachable-branches --exclude-throw-branches \
	    --txt $(BUILD_COV)/coverage.txt --print-summary $(BUILD_COV)

bench: deps-bench
	@bench/run-bench.sh

# The fuzz targets (clang, libFuzzer); `fuzz/README.md` says how to run them.
FUZZ_TARGETS = $(basename $(notdir $(wildcard fuzz/*.cpp)))
fuzz: deps-fuzz
	CC=clang CXX=clang++ cmake -S . -B $(BUILD_FUZZ) -G Ninja -DCMAKE_BUILD_TYPE=Debug \
	    -DQV_BUILD_FUZZ=ON -DQV_BUILD_UI=OFF $(CMAKE_ARGS)
	cmake --build $(BUILD_FUZZ) -j $(JOBS) --target $(FUZZ_TARGETS)

# The Debian package, built for the installed locations (/etc/quorvane, /var/lib/quorvane),
# then checked with lintian.
# Debian's hardening flags (fortify, stack protector, relro, bind now) come in on the first
# configuration.
package: deps-package
	eval "$$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --export=sh)"; \
	CFLAGS="$$CPPFLAGS $$CFLAGS" CXXFLAGS="$$CPPFLAGS $$CXXFLAGS" \
	cmake -S . -B $(BUILD_PKG) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	    -DCMAKE_INSTALL_PREFIX=/usr -DQV_INSTALLED_LAYOUT=ON -DQV_BUILD_TESTS=OFF
	cmake --build $(BUILD_PKG) -j $(JOBS)
	cd $(BUILD_PKG) && cpack -G DEB
	cp $(BUILD_PKG)/quorvane_*_amd64.deb .
	lintian --fail-on error $$(ls -t quorvane_*_amd64.deb | head -1)

format:
	clang-format -i $$(git ls-files '*.cpp' '*.h')

# Fails on any file that `make format` would change.
format-check: deps-test
	clang-format --dry-run -Werror $$(git ls-files '*.cpp' '*.h')

clean:
	rm -rf $(BUILD) $(BUILD_ASAN) $(BUILD_FUZZ) $(BUILD_PKG) $(BUILD_COV)
