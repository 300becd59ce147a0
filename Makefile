# Tolmix — every command installs what is missing, configures and builds first.
#
#   make run             build and run the program's main job
#   make test            build and run the tests
#   make test-sanitize   the tests again under AddressSanitizer and UBSan
#   make bench           build and run the benchmarks
.PHONY: run test test-sanitize bench build deps clean

MAKEFLAGS += --no-print-directory

RELEASE := build/release
OUT := out

deps:
	@scripts/install-deps.sh

build: deps
	@cmake --preset release >/dev/null
	@cmake --build --preset release

# Until the animation itself exists, the main job is the image pipeline on the program's
# background picture: rescaled to 1920x1080, then reduced to a 256-colour palette.
run: build
	@mkdir -p $(OUT)
	$(RELEASE)/tools/image/tolmix-image resize res/BACKGROUND1.bmp $(OUT)/background-1920x1080.png 1920 1080
	$(RELEASE)/tools/image/tolmix-image quantize --reserve 0000ff $(OUT)/palette $(OUT)/background-1920x1080.png
	@echo "Wrote $(OUT)/background-1920x1080.png, $(OUT)/palette/background-1920x1080.png and $(OUT)/palette/palette.txt"

test: build
	@ctest --preset release

test-sanitize: deps
	@cmake --preset sanitize >/dev/null
	@cmake --build --preset sanitize
	@ctest --preset sanitize

bench: build
	$(RELEASE)/bench/tolmix_bench

clean:
	rm -rf build $(OUT)
