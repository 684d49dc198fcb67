# The two commands a new user needs: `make run` and `make test`.
BUILD      ?= build
ASAN_BUILD ?= build-asan
BENCH_BUILD ?= build-bench
PACKAGE_BUILD ?= build-package
JOBS       ?= $(shell nproc)
ARGS       ?=

DEB_PACKAGES := cmake ninja-build g++ qt6-base-dev qt6-image-formats-plugins libjpeg62-turbo-dev libgtest-dev libgmock-dev \
                libbenchmark-dev nlohmann-json3-dev libglib2.0-dev libsqlite3-dev clang libclang-rt-14-dev xvfb xauth \
                qt6-tools-dev qt6-l10n-tools

.PHONY: deps build run test asan bench bench-build fuzz package clean

deps:
	@missing=""; for p in $(DEB_PACKAGES); do \
	  dpkg-query -W -f='$${Status}' $$p 2>/dev/null | grep -q "install ok installed" || missing="$$missing $$p"; \
	done; \
	if [ -n "$$missing" ]; then \
	  echo "Installing:$$missing"; \
	  if [ "$$(id -u)" = 0 ]; then SUDO=""; \
	  elif command -v sudo >/dev/null 2>&1; then SUDO="sudo"; \
	  else echo "Please install these Debian packages as root:$$missing" >&2; exit 1; fi; \
	  $$SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $$SUDO apt-get install -y -qq $$missing; \
	fi

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo

build: deps $(BUILD)/build.ninja
	cmake --build $(BUILD) -j $(JOBS)

run: build
	$(BUILD)/src/app/kivo $(ARGS)

test: build
	cd $(BUILD) && ctest --output-on-failure -j $(JOBS)

asan: deps
	cmake -S . -B $(ASAN_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKIVO_SANITIZE=ON
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	cd $(ASAN_BUILD) && ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

bench-build: deps
	cmake -S . -B $(BENCH_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVO_BUILD_BENCH=ON -DKIVO_BUILD_TESTS=ON
	cmake --build $(BENCH_BUILD) -j $(JOBS)

# Every benchmark runs, even after one fails; the status says whether all of them passed.
bench: bench-build
	@status=0; for b in $(BENCH_BUILD)/bench/bench_*; do \
	  [ -f "$$b" ] && [ -x "$$b" ] || continue; echo "== $$b"; \
	  QT_QPA_PLATFORM=offscreen "$$b" || { echo "FAILED: $$b" >&2; status=1; }; \
	done; exit $$status

fuzz: deps
	CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKIVO_BUILD_FUZZ=ON -DKIVO_BUILD_TESTS=OFF
	cmake --build build-fuzz --target fuzzers -j $(JOBS)

# The Debian package: a release build without tests, packed by CPack into $(PACKAGE_BUILD)/.
package: deps
	cmake -S . -B $(PACKAGE_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVO_BUILD_TESTS=OFF
	cmake --build $(PACKAGE_BUILD) -j $(JOBS)
	cd $(PACKAGE_BUILD) && cpack -G DEB
	@ls $(PACKAGE_BUILD)/*.deb

clean:
	rm -rf $(BUILD) $(ASAN_BUILD) $(BENCH_BUILD) $(PACKAGE_BUILD) build-fuzz
