#!/usr/bin/env bash
# Keeps the bash completion of kitroster in step with the program: every command and
# subcommand the built program's --help lists must be offered, and every long option of
# each (sub)command's --help must be offered after "--". Commands the completion knows and
# this build lacks are not an error, so the completion may run ahead of the program.
#
#   check-completion.sh KITROSTER_BINARY COMPLETION_FILE
set -uo pipefail
kitroster=$1
completion=$2
# Nothing here may read or change the machine's store, should a completion run the program.
export KITROSTER_LOG=off KITROSTER_REGISTRY=/nonexistent/kitroster-completion-check.db

# shellcheck source=/dev/null
source /usr/share/bash-completion/bash_completion || exit 2
# shellcheck source=/dev/null
source "$completion" || exit 2

# Prints what the completion offers for the words given; the last word is being typed.
offers() {
    local -a COMP_WORDS=(kitroster "$@")
    local COMP_CWORD=$#
    local COMP_LINE="kitroster $*"
    local COMP_POINT=${#COMP_LINE}
    COMPREPLY=()
    _kitroster kitroster "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}"
}

# The names under "Subcommands:" and the long options under "Options:" of a help text.
subcommands_of() { sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p'; }
options_of() { sed -n 's/^  \(-[A-Za-z],\)\{0,1\}\(--[a-z0-9-]*\).*/\2/p'; }

status=0
missing() {
    echo "completion misses: kitroster $*"
    status=1
}

# check PATH...: the (sub)command PATH's own subcommands and options, recursively.
check() {
    local help
    help=$("$kitroster" "$@" --help 2>&1) || { echo "kitroster $* --help failed"; status=1; return; }
    local offered option sub
    offered=$(offers "$@" --)
    for option in $(options_of <<<"$help"); do
        grep -qx -- "$option" <<<"$offered" || missing "$* $option"
    done
    local subs
    subs=$(subcommands_of <<<"$help")
    [ -n "$subs" ] || return
    offered=$(offers "$@" "")
    for sub in $subs; do
        grep -qx -- "$sub" <<<"$offered" || missing "$* $sub"
        check "$@" "$sub"
    done
}

# The top level: its subcommands, and the global options instead of command options.
top=$("$kitroster" --help)
offered=$(offers --)
for option in $(options_of <<<"$top"); do
    grep -qx -- "$option" <<<"$offered" || missing "$option"
done
offered=$(offers "")
for command in $(subcommands_of <<<"$top"); do
    grep -qx -- "$command" <<<"$offered" || missing "$command"
    check "$command"
done
[ "$status" -eq 0 ] && echo "the completion offers every command and option of $kitroster"
exit "$status"
