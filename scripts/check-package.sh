#!/usr/bin/env bash
# check-package.sh — builds the Debian package and meets it as a user's machine would:
# lintian (no errors, no warnings), desktop-file-validate, appstreamcli and mandoc on what it
# ships, then `apt install` of the .deb, a headless run of tolmix, its manual page, the
# completion of tolmix-image's commands, and `apt remove`, after which none of its files may
# be left. Installs the tools it needs (scripts/install-deps.sh) and runs as root or with
# sudo. Prints what it checks; exits non-zero at the first failure.
set -euo pipefail
cd "$(dirname "$0")/.."

sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
fail() { echo "check-package: $*" >&2; exit 1; }
section() { printf '\n== %s\n' "$*"; }

scripts/install-deps.sh packaging package-checks
rm -rf build/release/package
make package
debs=(build/release/package/tolmix_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "expected one tolmix_*.deb in build/release/package"
deb=$(realpath "${debs[0]}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

section "the package: $(basename "$deb")"
dpkg-deb --field "$deb" Package Version Architecture Section Installed-Size Maintainer Depends
dpkg-deb --contents "$deb" | awk '{ print $1, $6 }'

section "lintian (fails on errors and warnings; informational tags are shown)"
lintian --fail-on error,warning --display-info --tag-display-limit 0 "$deb"
echo "lintian: no errors, no warnings"

section "validators"
dpkg-deb --extract "$deb" "$work/root"
desktop-file-validate "$work/root/usr/share/applications/org.tolmix.tolmix.desktop"
echo "desktop-file-validate: clean"
appstreamcli validate --no-net --pedantic "$work/root/usr/share/metainfo/org.tolmix.tolmix.metainfo.xml"
for page in "$work"/root/usr/share/man/man*/*.gz; do
    mandoc -T lint -W style "$page" || fail "mandoc -T lint finds fault with $(basename "$page")"
    echo "mandoc -T lint $(basename "$page"): clean"
done

section "apt install ./$(basename "$deb")"
if dpkg-query -W -f='${Status}' tolmix 2>/dev/null | grep -q ' installed$'; then
    echo "tolmix is installed already: removing it first"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tolmix
fi
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt install -y -q "$deb" 2>&1 | grep -v 'does not have a stable CLI'
mapfile -t installed < <(dpkg -L tolmix)

section "the installed programs, from an empty folder"
cd "$work"
tolmix --version
tolmix --headless --frames 10 --screenshot x.png
[[ $(head -c 8 x.png | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "tolmix wrote no PNG"
echo "tolmix --headless --frames 10 --screenshot x.png: $(stat -c %s x.png) bytes of PNG"
tolmix-image resize /usr/share/icons/hicolor/48x48/apps/tolmix.png icon.png 96 96
echo "tolmix-image resize of the installed icon to 96x96: $(stat -c %s icon.png) bytes"

section "man tolmix"
if [[ -f /usr/share/man/man6/tolmix.6.gz ]]; then
    MANPAGER=cat MANWIDTH=80 man tolmix > man.txt
    MANPAGER=cat MANWIDTH=80 man tolmix-image > man-image.txt
else
    # A system that drops manual pages on install (dpkg path-exclude): read the package's.
    echo "the manual pages were not installed (dpkg path-exclude?): reading the package's copies"
    MANPAGER=cat MANWIDTH=80 man -l "$work/root/usr/share/man/man6/tolmix.6.gz" > man.txt
    MANPAGER=cat MANWIDTH=80 man -l "$work/root/usr/share/man/man1/tolmix-image.1.gz" > man-image.txt
fi
head -n 12 man.txt
grep -q -- '--headless' man.txt || fail "man tolmix does not show --headless"
grep -q -- 'quantize' man-image.txt || fail "man tolmix-image does not show quantize"

section "bash completion of tolmix-image"
commands=$(bash -c 'source /usr/share/bash-completion/completions/tolmix-image
                    COMP_WORDS=(tolmix-image ""); COMP_CWORD=1; _tolmix_image; echo "${COMPREPLY[*]}"')
echo "tolmix-image <TAB>: $commands"
[[ " $commands " == *" resize "* && " $commands " == *" quantize "* ]] || fail "the commands are not completed"
options=$(bash -c 'source /usr/share/bash-completion/completions/tolmix-image
                   COMP_WORDS=(tolmix-image resize --f); COMP_CWORD=2; _tolmix_image; echo "${COMPREPLY[*]}"')
echo "tolmix-image resize --f<TAB>: $options"
[[ $options == --filter ]] || fail "resize's --filter is not completed"

section "apt remove tolmix"
cd /
"${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q tolmix
status=$(dpkg-query -W -f='${db:Status-Status}' tolmix 2>/dev/null || true)
[[ -z $status || $status == not-installed ]] || fail "after apt remove dpkg says tolmix is '$status'"
left=0
for path in "${installed[@]}"; do
    # Shared folders (/usr/bin, /usr/share/man/man6, ...) stay; the package's own go.
    if [[ -e $path && ! -d $path ]] || [[ -d $path && $path == */tolmix ]]; then
        echo "left behind: $path"
        left=1
    fi
done
[[ $left -eq 0 ]] || fail "apt remove left files of the package behind"
echo "apt remove: the package and all ${#installed[@]} of its paths' files are gone"
echo
echo "check-package: all checks passed"
