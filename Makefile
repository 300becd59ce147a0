# Tolmix — every command installs what is missing, configures and builds first.
#
#   make run             build and run tolmix (headless, with a screenshot, without a display)
#   make tools           build tolmix-image, the command-line image tool (build/release/tools/image/)
#   make test            build and run the tests
#   make test-sanitize   the tests again under AddressSanitizer and UBSan
#   make bench           build and run the benchmarks
#   make fuzz            the libFuzzer targets (clang), FUZZ_SECONDS each (60 unless given)
#   make install         install tolmix under PREFIX (/usr/local unless given), into DESTDIR if given
#   make package         the Debian package, build/release/package/tolmix_VERSION_ARCH.deb
#   make check-package   build the package, check it with lintian and the validators, install
#                        it with apt, run it and remove it again (scripts/check-package.sh)
.PHONY: run tools test test-sanitize bench fuzz build program deps clean install installables package check-package

MAKEFLAGS += --no-print-directory

RELEASE := build/release
OUT := out

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release

# tolmix and the libraries it links, nothing else: the tests and benchmarks wait for the
# commands that run them, so a first `make run` is not held up by them.
program: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target tolmix

# tolmix-image and the libraries it links, nothing else.
tools: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target tolmix-image
	@echo "tolmix-image is $(abspath $(RELEASE))/tools/image/tolmix-image"

# The program itself. With a display (DISPLAY or WAYLAND_DISPLAY set) it starts as a user
# starts it: the mode dialog, then full-screen until the window is closed. Without one it
# runs 600 frames headless at the default mode and saves the last frame as a picture.
run: program
	@if [ -n "$$DISPLAY$$WAYLAND_DISPLAY" ]; then \
		$(RELEASE)/app/tolmix; \
	else \
		mkdir -p $(OUT) && cd $(OUT) && \
		$(abspath $(RELEASE))/app/tolmix --headless --frames 600 --fixed-step 16 --screenshot tolmix.png && \
		echo "No display here: tolmix ran 600 frames headless; the last one is $(abspath $(OUT))/tolmix.png"; \
	fi

# The programs and the files made for installing them (manual pages, icons), not the tests.
installables: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target tolmix-installables

PREFIX ?= /usr/local
install: installables
	@DESTDIR="$(DESTDIR)" cmake --install $(RELEASE) --prefix "$(PREFIX)" --strip

# CPack's DEB generator; dpkg-shlibdeps (dpkg-dev) computes the libraries' dependencies.
package: installables
	@scripts/install-deps.sh packaging
	@cd $(RELEASE) && cpack --config CPackConfig.cmake

check-package:
	@scripts/check-package.sh

test: build
	@ctest --preset release

test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize
	@ctest --preset sanitize

bench: build
	$(RELEASE)/bench/tolmix_bench

# The fuzz targets are built with clang under the sanitizers and run one after another.
FUZZ_SECONDS ?= 60
fuzz: deps
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz
	@fuzz/run-fuzzers.sh $(FUZZ_SECONDS)

clean:
	rm -rf build $(OUT)
