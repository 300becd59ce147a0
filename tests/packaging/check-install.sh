#!/usr/bin/env bash
# check-install.sh BUILD — `cmake --install` of BUILD into an empty DESTDIR with the prefix
# /usr: exactly the listed files are installed, and the installed programs run from an
# empty folder elsewhere (they need nothing from the source or build tree). Exits 1 with
# the difference or the failure.
set -euo pipefail
build=$(realpath "$1")
work=$(mktemp -d)
fail() { echo "check-install: $*" >&2; exit 1; }

# An install writes its list of files into the build folder, where a user's own
# `make install` left the list that removes it again (see README): that list is put back.
mkdir "$work/manifests"
cp -p "$build"/install_manifest*.txt "$work/manifests/" 2>/dev/null || true
restore() {
    rm -f "$build"/install_manifest*.txt
    cp -p "$work"/manifests/* "$build/" 2>/dev/null || true
    rm -rf "$work"
}
trap restore EXIT

DESTDIR="$work/root" cmake --install "$build" --prefix /usr > "$work/install.log" || { cat "$work/install.log"; fail "install failed"; }

expected="usr/bin/tolmix
usr/bin/tolmix-image
usr/share/applications/org.tolmix.tolmix.desktop
usr/share/bash-completion/completions/tolmix
usr/share/bash-completion/completions/tolmix-image
usr/share/doc/tolmix/LICENSE
usr/share/doc/tolmix/README.md
usr/share/icons/hicolor/128x128/apps/tolmix.png
usr/share/icons/hicolor/256x256/apps/tolmix.png
usr/share/icons/hicolor/48x48/apps/tolmix.png
usr/share/man/man1/tolmix-image.1.gz
usr/share/man/man6/tolmix.6.gz
usr/share/metainfo/org.tolmix.tolmix.metainfo.xml"
installed=$(cd "$work/root" && find . ! -type d | sed 's#^\./##' | LC_ALL=C sort)
if [[ $installed != "$(LC_ALL=C sort <<< "$expected")" ]]; then
    diff <(LC_ALL=C sort <<< "$expected") <(echo "$installed") || true
    fail "the installed files are not the listed ones (< listed, > installed)"
fi
for program in usr/bin/tolmix usr/bin/tolmix-image; do
    [[ -x $work/root/$program ]] || fail "$program is not executable"
done

mkdir "$work/run"
cd "$work/run"
"$work/root/usr/bin/tolmix" --headless --frames 10 --screenshot x.png || fail "the installed tolmix failed"
[[ $(head -c 8 x.png | od -An -tx1 | tr -d ' \n') == 89504e470d0a1a0a ]] || fail "the installed tolmix wrote no PNG"
"$work/root/usr/bin/tolmix-image" resize "$work/root/usr/share/icons/hicolor/48x48/apps/tolmix.png" icon.bmp 24 24 ||
    fail "the installed tolmix-image failed"
[[ $(head -c 2 icon.bmp) == BM ]] || fail "the installed tolmix-image wrote no BMP"
gzip -dc "$work/root/usr/share/man/man6/tolmix.6.gz" | grep -q '^\.TH TOLMIX 6' || fail "tolmix.6.gz is not the page"
echo "check-install: the $(wc -l <<< "$installed") listed files are installed and the installed programs run"
