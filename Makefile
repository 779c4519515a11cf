# Drives the install script and CMake; CMake is the build.
BUILD ?= build
JOBS ?= 2
CMAKE_FLAGS ?= -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKALMERO_WERROR=ON
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
PACKAGE_BUILD ?= build-package
# Inputs per fuzz target in `make test`; seconds per target in `make fuzz`.
FUZZ_RUNS ?= 10000
FUZZ_SECONDS ?= 60

.PHONY: all deps build-deps configure build run check lint test fuzz bench package clean

all: build

# Everything the build, the tests, the linters and the window need.
deps:
	@bash scripts/install-deps.sh all

# Only what building the package needs: no linters, sanitizer runtime, Xvfb or lintian.
build-deps:
	@bash scripts/install-deps.sh build

configure: deps
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null

build: configure
	@cmake --build $(BUILD) -j$(JOBS)

run: build
	@bash scripts/run.sh $(BUILD)

# The edit loop: an incremental build and the plain tests, in seconds.
check:
	@cmake -S . -B $(BUILD) $(CMAKE_FLAGS) >/dev/null
	@cmake --build $(BUILD) -j$(JOBS)
	@cd $(BUILD) && ctest -j$(JOBS) --output-on-failure

# Formatting drift and clang-tidy's faults in the core and the platform layer, $(JOBS) files
# at a time.
lint: build
	@LINT_JOBS=$(JOBS) bash scripts/lint.sh $(BUILD)

# The full gate: the tests, again under ASan+UBSan, a short run of every fuzz target, the
# formatting and clang-tidy checks, and the Debian package unpacked and run.
test: build
	@bash scripts/test.sh $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(FUZZ_RUNS) $(JOBS)

fuzz: deps
	@bash scripts/fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(JOBS)

bench: build
	@for b in $(BUILD)/bench/bench_*; do echo "== $$b"; $$b; done

# The Debian package, built apart from the test build: no tests, installed under /usr, with
# Debian's hardening flags (whose extra warnings the test build's -Werror doesn't cover).
# The picture module is a shared object: it takes the same link flags (BIND_NOW, RELRO).
package: build-deps
	@export DEB_BUILD_MAINT_OPTIONS=hardening=+all && cmake -S . -B $(PACKAGE_BUILD) -DCMAKE_BUILD_TYPE=Release -DKALMERO_WERROR=OFF \
		-DCMAKE_CXX_FLAGS="$$(dpkg-buildflags --get CPPFLAGS) $$(dpkg-buildflags --get CXXFLAGS)" \
		-DCMAKE_EXE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		-DCMAKE_SHARED_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		-DCMAKE_MODULE_LINKER_FLAGS="$$(dpkg-buildflags --get LDFLAGS)" \
		-DBUILD_TESTING=OFF -DKALMERO_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
	@cmake --build $(PACKAGE_BUILD) -j$(JOBS)
	@cd $(PACKAGE_BUILD) && cpack -G DEB

clean:
	@rm -rf $(BUILD) $(ASAN_BUILD) $(FUZZ_BUILD) $(PACKAGE_BUILD)
