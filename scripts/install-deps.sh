#!/usr/bin/env bash
# Installs the Debian packages Tolmix needs to build, test and benchmark, but only those
# that are missing: a machine that has them all is left alone (no apt-get at all).
#
#     install-deps.sh [packaging] [package-checks]
#
# `packaging` adds what `make package` needs (dpkg-shlibdeps); `package-checks` adds the
# tools scripts/check-package.sh checks the package with. `make run` and `make test` ask for
# neither.
set -euo pipefail

packages=(
    g++ make cmake pkg-config   # compiler and build
    libstb-dev                  # stb_image, stb_image_write, stb_image_resize (benchmark peer)
    libspng-dev                 # PNG reading and writing
    libcli11-dev                # command-line parsing
    libgtest-dev                # unit tests
    libbenchmark-dev            # benchmarks
    libsdl2-dev                 # windows, events, presentation
    libsdl2-ttf-dev             # text
    libfontconfig-dev           # finding a sans-serif font
    fonts-dejavu-core           # ... and having one
    libimgui-dev                # dialogs
    clang libclang-rt-14-dev    # the fuzz targets: clang and its libFuzzer runtime
    libgif-dev                  # recording (tolmix --record FILE.gif)
    strace                      # tests: faults and signals at one exact system call
)
for group in "$@"; do
    case $group in
        packaging) packages+=(dpkg-dev) ;;   # dpkg-shlibdeps, for the package's dependencies
        package-checks)
            packages+=(
                lintian               # Debian's checks of the package
                desktop-file-utils    # desktop-file-validate
                appstream             # appstreamcli validate
                mandoc                # mandoc -T lint, the manual pages' checker
                man-db                # man, to read the installed page
                file                  # lintian's file types
            ) ;;
        *) echo "install-deps.sh: unknown group '$group' (packaging, package-checks)" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing missing packages: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -q
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
