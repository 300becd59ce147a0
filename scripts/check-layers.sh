#!/usr/bin/env bash
# check-layers.sh ROOT — holds every folder of the tree under ROOT to its layer.
#
# Reads the #include lines of every C and C++ file and checks, per folder, which of the
# project's folders it may include (its own always) and which outside libraries it may
# include. Quoted and angle-bracket includes are read alike: a header beside the file is the
# folder's own, a path starting with a project folder is that folder's, anything else is an
# outside header. The C++ standard library, the C and POSIX/Linux system headers and the
# compiler's intrinsics headers are allowed everywhere; an outside header that is none of
# these and no library of the table fails. Every top-level folder must have a row, and every
# source file must lie under one. Prints one line per broken rule and exits 1 if there is
# any; prints a summary and exits 0 otherwise. ARCHITECTURE.md draws the same table.
set -euo pipefail

root=${1:?usage: check-layers.sh ROOT}
cd "$root"

# folder | project folders it may include, besides itself | outside libraries it may include.
# A file is held to the first row whose folder holds it (deeper folders come first). Folders
# without C++ are listed with nothing: a source file put there may use the standard library only.
layers=(
    "platform/bitmaps   |                                                            | "
    "platform/video     | platform/bitmaps                                           | SDL SDL_ttf fontconfig"
    "platform/framework | platform/bitmaps platform/video                            | SDL"
    "platform/dialogs   | platform/bitmaps platform/video                            | SDL ImGui"
    "platform/manual    |                                                            | CLI11"
    "imaging            | platform/bitmaps                                           | "
    "picturefiles       | platform/bitmaps                                           | libspng giflib"
    "display            | platform/bitmaps platform/video platform/dialogs imaging    | ImGui"
    "sprites            | platform/bitmaps platform/video imaging picturefiles display game | "
    "game               | platform/bitmaps platform/video imaging display sprites    | "
    "app                | platform imaging picturefiles display sprites game         | SDL ImGui CLI11 TolmixVersion"
    "tools/image        | platform/bitmaps platform/manual imaging picturefiles      | CLI11 TolmixVersion"
    "tools/pictures     | platform/bitmaps                                           | stb"
    "tests              | platform imaging picturefiles display sprites game app tools | GoogleTest SDL ImGui libspng giflib stb CLI11"
    "bench              | platform/bitmaps platform/video imaging picturefiles display | GoogleBenchmark libspng stb"
    "fuzz               | platform/bitmaps platform/video imaging picturefiles       | "
    "res                |                                                            | "
    "docs               |                                                            | "
    "packaging          |                                                            | "
    "cmake              |                                                            | "
    "scripts            |                                                            | "
    ".ci                |                                                            | "
)

# What the build and the tools leave under ROOT: not sources, held to no layer.
outside='^(\.git|build|out|\.cache)$'

sources=$(mktemp)
trap 'rm -f "$sources"' EXIT
find . -mindepth 1 -maxdepth 1 -type d -printf 'folder %P\n' | awk -v skip="$outside" '$2 !~ skip' > "$sources"
find . \( -path ./.git -o -path ./build -o -path ./out -o -path ./.cache \) -prune \
       -o -type f \( -name '*.h' -o -name '*.hpp' -o -name '*.c' -o -name '*.cc' -o -name '*.cpp' \) \
       -printf 'file %P\n' >> "$sources"

# The list of folders and files first, then every include line as FILE:LINE:TEXT, in one awk pass.
awk -v table="$(printf '%s\n' "${layers[@]}")" '
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    BEGIN {
        n = split(table, rows, "\n")
        for (i = 1; i <= n; ++i) {
            split(rows[i], cell, "|")
            folder[i] = trim(cell[1]); allowed[i] = trim(cell[2]); libraries[i] = " " trim(cell[3]) " "
            top = folder[i]; sub(/\/.*/, "", top); project[top] = 1
        }
        split("algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat " \
              "charconv chrono cinttypes climits clocale cmath codecvt compare complex concepts " \
              "condition_variable coroutine csetjmp csignal cstdarg cstddef cstdint cstdio cstdlib " \
              "cstring ctime cuchar cwchar cwctype deque exception execution expected filesystem " \
              "format forward_list fstream functional future initializer_list iomanip ios iosfwd " \
              "iostream istream iterator latch limits list locale map mdspan memory memory_resource " \
              "mutex new numbers numeric optional ostream print queue random ranges ratio regex " \
              "scoped_allocator semaphore set shared_mutex source_location span spanstream sstream " \
              "stack stacktrace stdexcept stop_token streambuf string string_view syncstream " \
              "system_error thread tuple type_traits typeindex typeinfo unordered_map unordered_set " \
              "utility valarray variant vector version " \
              "assert.h complex.h ctype.h errno.h fenv.h float.h inttypes.h iso646.h limits.h " \
              "locale.h math.h setjmp.h signal.h stdalign.h stdarg.h stdatomic.h stdbool.h stddef.h " \
              "stdint.h stdio.h stdlib.h string.h tgmath.h threads.h time.h uchar.h wchar.h wctype.h " \
              "aio.h alloca.h byteswap.h dirent.h dlfcn.h elf.h endian.h execinfo.h fcntl.h " \
              "fnmatch.h ftw.h getopt.h glob.h grp.h iconv.h langinfo.h libgen.h link.h malloc.h " \
              "mqueue.h netdb.h poll.h pthread.h pwd.h sched.h search.h semaphore.h spawn.h " \
              "strings.h syslog.h termios.h unistd.h utime.h wordexp.h cpuid.h arm_neon.h arm_acle.h",
              names, " ")
        for (k in names) system_header[names[k]] = 1
        failures = 0
    }
    # The first layer row whose folder holds the file, 0 if none does.
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
    # The outside library a header belongs to: "" for the standard library, the system and the
    # intrinsics (allowed everywhere), "?" for a header of no library in the table.
    function library(path) {
        if (path in system_header || path ~ /^(sys|linux|asm|arpa|net|netinet)\// || path ~ /intrin\.h$/) return ""
        if (path ~ /^(SDL2\/)?SDL_ttf\.h$/) return "SDL_ttf"
        if (path ~ /^(SDL2\/)?SDL(_[A-Za-z0-9_]+)?\.h$/ || path ~ /^SDL2\//) return "SDL"
        if (path ~ /^(backends\/|imgui\/)?imgui[A-Za-z0-9_]*\.h$/) return "ImGui"
        if (path == "spng.h") return "libspng"
        if (path == "gif_lib.h") return "giflib"
        if (path ~ /^fontconfig\//) return "fontconfig"
        if (path ~ /^stb_[a-z0-9_]+\.h$/) return "stb"
        if (path ~ /^CLI\//) return "CLI11"
        if (path ~ /^(gtest|gmock)\//) return "GoogleTest"
        if (path ~ /^benchmark\//) return "GoogleBenchmark"
        if (path == "TolmixVersion.h") return "TolmixVersion"   # made by the build
        return "?"
    }
    function fail(where, message) { printf "%s: %s\n", where, message; ++failures }
    FNR == NR && $1 == "folder" {
        if (!($2 in project)) fail($2 "/", "a top-level folder in no row of the layer table; add it")
        next
    }
    FNR == NR && $1 == "file" {
        sub(/^file /, ""); source[$0] = 1
        if (layer($0) == 0) fail($0, "lies in no folder of the layer table; add its folder")
        next
    }
    FNR == NR { next }
    {
        split($0, part, ":"); file = part[1]; sub(/^\.\//, "", file); line = part[2]
        text = $0; sub(/^[^:]*:[^:]*:/, "", text)
        i = layer(file)
        if (i == 0) next
        files[file] = 1
        if (!match(text, /include[ \t]*["<][^">]+/)) {
            fail(file ":" line, "an include the check cannot read")
            next
        }
        target = substr(text, RSTART, RLENGTH); sub(/^include[ \t]*/, "", target)
        quote = substr(target, 1, 1); path = substr(target, 2)
        shown = quote == "\"" ? "\"" path "\"" : "<" path ">"
        beside = file; sub(/[^\/]*$/, "", beside)
        if (index(path, "/") == 0 && (beside path) in source) next   # the folder own header
        top = path; sub(/\/.*/, "", top)
        if (index(path, "/") > 0 && top in project) {
            if (!may_include(path, i)) fail(file ":" line, folder[i] " may not include " shown)
            next
        }
        lib = library(path)
        if (lib == "?")
            fail(file ":" line, shown " is neither the standard library, the system nor a library of the layer table")
        else if (lib != "" && index(libraries[i], " " lib " ") == 0)
            fail(file ":" line, folder[i] " may not include " shown " (" lib " is not on its row of the layer table)")
    }
    END {
        if (failures > 0) {
            printf "check-layers: %d include(s) or folder(s) break the layers\n", failures
            exit 1
        }
        printf "check-layers: the include lines of %d files keep their layers\n", length(files)
    }' "$sources" <(sed -n 's/^file //p' "$sources" | tr '\n' '\0' |
                    xargs -0 grep -Hn -E '^[[:space:]]*#[[:space:]]*include' /dev/null)
