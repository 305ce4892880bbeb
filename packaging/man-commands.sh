#!/usr/bin/env bash
# Writes the COMMANDS section of a program's manual page, for help2man --include: the
# --help text of every command and subcommand the program lists, so that the page documents
# each command as the program itself does.
#
#   man-commands.sh PROGRAM OUTPUT
set -euo pipefail
program=$1
output=$2

subcommands_of() { sed -n '/^Subcommands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p'; }
# roff: backslashes and minus signs literal, no line taken for a request.
escape() { sed -e 's/\\/\\e/g' -e 's/-/\\-/g' -e "s/^\\([.']\\)/\\\\\\&\\1/"; }

# One (sub)command's --help as roff: the usage line as the heading, the description, then
# each list ("Positionals:", "Options:", "Subcommands:") with an entry per item, split where
# CLI11 pads the item from its description.
to_roff() {
    awk '
        function flush() {
            if (count > 0) {
                printf ".PP\n%s\n", header
                for (i = 1; i <= count; i++) printf "%s", items[i]
            }
            count = 0
        }
        !heading && !/^Usage: / { description = description $0 "\n"; next }
        /^Usage: / {
            sub(/^Usage: /, ""); printf ".SS \"%s\"\n%s", $0, description; heading = 1; next
        }
        /^[A-Z][A-Za-z]*:$/ { flush(); header = $0; inlist = 1; next }
        /^$/ { next }
        inlist && /^  / {
            line = substr($0, 3)
            if (match(line, /  +/)) {
                usage = substr(line, 1, RSTART - 1); text = substr(line, RSTART + RLENGTH)
            } else if (match(line, / [A-Z][a-z]/)) {
                usage = substr(line, 1, RSTART - 1); text = substr(line, RSTART + 1)
            } else {
                usage = line; text = ""
            }
            items[++count] = ".TP\n.B " usage "\n" text "\n"
            next
        }
        { printf "%s\n", $0 }
        END { flush() }
    '
}

# section WORDS...: the help of "PROGRAM WORDS", then of each of its subcommands.
section() {
    local help
    help=$("$program" "$@" --help)
    # Every command has --help; the page says so once, at the top.
    grep -v '^  -h,--help ' <<<"$help" | escape | to_roff
    local sub
    for sub in $(subcommands_of <<<"$help"); do
        section "$@" "$sub"
    done
}

{
    printf '[COMMANDS]\n'
    for command in $("$program" --help | subcommands_of); do
        section "$command"
    done
} >"$output.tmp"
mv "$output.tmp" "$output"
