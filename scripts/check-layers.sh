#!/usr/bin/env bash
# check-layers.sh ROOT — holds every folder of the tree under ROOT to its layer.
#
# Reads the #include lines of every .h and .cpp file and checks two things per folder: which
# of the project's folders it may include (its own always), and whether it may include the
# display libraries (SDL and Dear ImGui) directly. Prints one line per broken rule and exits 1
# if there is any; prints a summary and exits 0 otherwise. ARCHITECTURE.md draws the same
# layers. Tests and benchmarks are not held to a layer.
set -euo pipefail

root=${1:?usage: check-layers.sh ROOT}
cd "$root"

# folder | project folders it may include, besides itself | display libraries it may include
# (sdl = SDL and ImGui, imgui = ImGui only, none). A file is held to the first row whose
# folder holds it.
layers=(
    "platform/bitmaps   |                                                            | none"
    "platform/video     | platform/bitmaps                                           | sdl"
    "platform/framework | platform/bitmaps platform/video                            | sdl"
    "platform/dialogs   | platform/bitmaps platform/video                            | sdl"
    "imaging            | platform/bitmaps                                           | none"
    "picturefiles       | platform/bitmaps                                           | none"
    "display            | platform/bitmaps platform/video platform/dialogs imaging    | imgui"
    "sprites            | platform/bitmaps platform/video imaging picturefiles display game | none"
    "game               | platform/bitmaps platform/video imaging display sprites    | none"
    "app                | platform imaging picturefiles display sprites game         | sdl"
    "platform/manual    |                                                            | none"
    "tools/image        | platform/bitmaps platform/manual imaging picturefiles      | none"
    "tools/pictures     | platform/bitmaps                                           | none"
)

# Every include line of the layered folders, as FILE:LINE:TEXT, checked in one awk pass.
find . \( -path ./build -o -path ./tests -o -path ./bench -o -path ./.git \) -prune \
       -o \( -name '*.h' -o -name '*.cpp' \) -print0 |
    xargs -0 grep -Hn -E '^[[:space:]]*#[[:space:]]*include' /dev/null |
    awk -F: -v table="$(printf '%s\n' "${layers[@]}")" '
        function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
        BEGIN {
            n = split(table, rows, "\n")
            for (i = 1; i <= n; ++i) {
                split(rows[i], cell, "|")
                folder[i] = trim(cell[1]); allowed[i] = trim(cell[2]); display[i] = trim(cell[3])
            }
            failures = 0
        }
        # The first layer row whose folder holds the file (deeper folders come first).
        function layer(file,   i) {
            for (i = 1; i <= n; ++i)
                if (index(file, folder[i] "/") == 1) return i
            return 0
        }
        function may_include(path, i,   list, k, count) {
            count = split(folder[i] " " allowed[i], list, " ")
            for (k = 1; k <= count; ++k)
                if (list[k] != "" && index(path, list[k] "/") == 1) return 1
            return 0
        }
        {
            file = $1; sub(/^\.\//, "", file); line = $2
            text = $0; sub(/^[^:]*:[^:]*:/, "", text)
            i = layer(file)
            if (i == 0) next
            files[file] = 1
            if (!match(text, /include[ \t]*["<][^">]+/)) next
            target = substr(text, RSTART, RLENGTH); sub(/^include[ \t]*/, "", target)
            quote = substr(target, 1, 1); path = substr(target, 2)
            if (quote == "\"") {
                if (index(path, "/") == 0) next   # a header beside the file
                if (!may_include(path, i)) {
                    printf "%s:%s: %s may not include \"%s\"\n", file, line, folder[i], path
                    ++failures
                }
            } else {
                if (path ~ /^SDL/ || path ~ /^SDL2\//) library = "sdl"
                else if (path ~ /^imgui/ || path ~ /^backends\/imgui/) library = "imgui"
                else next
                if (display[i] == "none" || (display[i] == "imgui" && library == "sdl")) {
                    printf "%s:%s: %s may not include <%s> (reach the display through platform/)\n", file, line, folder[i], path
                    ++failures
                }
            }
        }
        END {
            if (failures > 0) {
                printf "check-layers: %d include(s) break the layers\n", failures
                exit 1
            }
            printf "check-layers: the include lines of %d files keep their layers\n", length(files)
        }'
