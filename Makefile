# A thin layer over CMake: `make demo` and `make test` are all a newcomer needs.
JOBS ?= $(shell nproc)
RELEASE := build/release
ASAN := build/asan
TSAN := build/tsan
LAUNCHER := $(if $(shell command -v ccache),-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache,)
# Warnings in our own code stop the build here and in CI (`make build
# WERROR=OFF` for a compiler newer than the one CI uses). A bare CMake
# configure leaves them warnings.
WERROR ?= ON
CONFIGURE = cmake -S . -G Ninja $(LAUNCHER) -Wno-dev -DR3AZ_WERROR=$(WERROR)

.PHONY: all deps build build-asan demo test test-release test-portable test-asan tsan install bench fuzz reliability clean

all: build

deps:
	@bash scripts/install-deps.sh

build: deps
	@$(CONFIGURE) -B $(RELEASE) -DCMAKE_BUILD_TYPE=Release > /dev/null
	@cmake --build $(RELEASE) -j $(JOBS)

build-asan: deps
	@$(CONFIGURE) -B $(ASAN) -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O0 -g" -DR3AZ_SANITIZE=ON > /dev/null
	@cmake --build $(ASAN) -j $(JOBS)

demo: build
	@$(RELEASE)/bin/mirolan-play --out out
	@echo "Pictures written to $(CURDIR)/out/"

test-release: build
	@cd $(RELEASE) && ctest --output-on-failure -j $(JOBS)

test-asan: build-asan
	@cd $(ASAN) && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
	  ctest --output-on-failure -j $(JOBS)

# The release build's suite once more with every kernel chooser on its
# portable kernel (the "DisableVectorKernels" setting). The installed
# package's test chooses no kernel, and the kernels do not change a page
# (BrowserPages): both are left out.
test-portable: build
	@cd $(RELEASE) && R3AZ_SETTINGS=$(CURDIR)/tests/portable_kernels.ini \
	  ctest --output-on-failure -j $(JOBS) -E '^(InstalledPackage|BrowserPages)[.]'

test: test-release test-portable test-asan

# The concurrency tests (library, software device and tool on several
# threads at once) built alone with ThreadSanitizer and run; any report of
# a data race fails.
tsan: deps
	@$(CONFIGURE) -B $(TSAN) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DR3AZ_TSAN=ON > /dev/null
	@cmake --build $(TSAN) -j $(JOBS) --target test_concurrency
	@R3AZ_SETTINGS= TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 $(TSAN)/bin/test_concurrency

# The programs, the plug-in, the libraries, headers, CMake package and
# pkg-config file, the docs and the examples under PREFIX (bin/, lib/,
# include/, share/). Built in a folder of its own with only what is
# installed (no tests, benchmarks or fuzz targets); the package installer
# runs only when a build dependency is missing.
PREFIX ?= /usr/local
INSTALL_BUILD := build/install
install:
	@bash scripts/install-deps.sh build
	@$(CONFIGURE) -B $(INSTALL_BUILD) -DCMAKE_BUILD_TYPE=Release -DR3AZ_TESTS=OFF -DR3AZ_BENCH=OFF -DR3AZ_FUZZ=OFF > /dev/null
	@cmake --build $(INSTALL_BUILD) -j $(JOBS)
	@cmake --install $(INSTALL_BUILD) --prefix $(PREFIX)

bench: deps
	@$(CONFIGURE) -B build/bench -DCMAKE_BUILD_TYPE=Release -DR3AZ_BENCH=ON -DR3AZ_TESTS=OFF > /dev/null
	@cmake --build build/bench -j $(JOBS)
	@for b in build/bench/bin/bench_*; do echo "== $$b"; $$b; done

# The reliability battery: libFuzzer targets (clang) in build/fuzz for
# FUZZ_SECONDS each; sweeps, replays, determinism, canary and a short fuzz
# round in the sanitizer build, with a summary table.
FUZZ_SECONDS ?= 60

fuzz: deps
	@FUZZ_SECONDS=$(FUZZ_SECONDS) JOBS=$(JOBS) WERROR=$(WERROR) bash scripts/fuzz.sh

reliability: build-asan
	@JOBS=$(JOBS) bash scripts/reliability.sh

clean:
	rm -rf build out
