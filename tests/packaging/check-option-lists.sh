#!/usr/bin/env bash
# check-option-lists.sh SOURCE BUILD — the options of tolmix and of each tolmix-image command,
# and tolmix-image's commands, as --help lists them, as the manual pages list them and as the
# bash completions offer them: the three lists must be the same. Long options are compared
# (the completions offer only those). Prints each difference; exits 1 if there is any.
set -euo pipefail
source_dir=$(realpath "$1")
build=$(realpath "$2")
tolmix=$build/app/tolmix
image=$build/tools/image/tolmix-image
man=$build/packaging/man
completions=$source_dir/packaging/completions
failures=0

# Long options at the start of --help's lines ("  -h,--help", "  --mode WxHxBPP").
help_options() { "$@" --help | grep -oE '^  (-[A-Za-z],)?--[a-z][a-z-]*' | grep -oE -- '--[a-z-]+' | sort -u; }
# Commands in --help's "Subcommands:" list.
help_commands() { "$@" --help | sed -n '/^Subcommands:/,$p' | grep -oE '^  [a-z]+' | tr -d ' ' | sort -u; }
# Long options in the terms of a page's option list (the line after .TP), between the
# lines matching $2 and $3 (awk patterns).
man_options() {
    awk -v from="$2" -v to="$3" '$0 ~ from { on = 1; next } on && $0 ~ to { on = 0 } on && term { print } { term = ($0 == ".TP") }' "$1" |
        sed 's/\\-/-/g' | grep -oE '\\fB--[a-z][a-z-]*' | sed 's/\\fB//' | sort -u
}
man_commands() { grep -oE '^\.SS "tolmix\\-image [a-z]+"' "$1" | grep -oE '[a-z]+"$' | tr -d '"' | sort -u; }
# What a completion offers after the words given, the word being completed empty or "--".
complete_words() {
    local file=$1 function=$2; shift 2
    bash -c 'source "$1"; shift; function=$1; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
             "$function"; printf "%s\n" "${COMPREPLY[@]}"' _ "$file" "$function" "$function" "$@" |
        sort -u
}

# Compares the lists named $2 and $3 of $1.
compare() {
    local what=$1 help=$2 manual=$3 completion=$4
    if [[ $help != "$manual" ]]; then
        echo "$what: --help and the manual page differ:"; diff <(echo "$help") <(echo "$manual") || true
        failures=$((failures + 1))
    fi
    if [[ $help != "$completion" ]]; then
        echo "$what: --help and the completion differ:"; diff <(echo "$help") <(echo "$completion") || true
        failures=$((failures + 1))
    fi
    [[ -n $help ]] || { echo "$what: --help lists nothing"; failures=$((failures + 1)); }
}

compare "tolmix's options" "$(help_options "$tolmix")" \
    "$(man_options "$man/tolmix.6" '^\.SH OPTIONS' '^\.(SH|SS)')" \
    "$(complete_words "$completions/tolmix" _tolmix tolmix -- | grep -- '^--')"
compare "tolmix-image's options" "$(help_options "$image")" \
    "$(man_options "$man/tolmix-image.1" '^\.SH OPTIONS' '^\.(SH|SS)')" \
    "$(complete_words "$completions/tolmix-image" _tolmix_image tolmix-image -- | grep -- '^--')"
compare "tolmix-image's commands" "$(help_commands "$image")" "$(man_commands "$man/tolmix-image.1")" \
    "$(complete_words "$completions/tolmix-image" _tolmix_image tolmix-image '' | grep -v -- '^-')"
for command in $(help_commands "$image"); do
    compare "tolmix-image $command's options" "$(help_options "$image" "$command")" \
        "$(man_options "$man/tolmix-image.1" "^\\.SS \"tolmix\\\\\\\\-image $command\"" '^\.(SH|SS)')" \
        "$(complete_words "$completions/tolmix-image" _tolmix_image tolmix-image "$command" --)"
done

if [[ $failures -gt 0 ]]; then
    echo "check-option-lists: $failures lists differ"
    exit 1
fi
echo "check-option-lists: --help, the manual pages and the completions list the same options and commands"
