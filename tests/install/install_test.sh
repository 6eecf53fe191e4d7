#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks what a user gets there:
# the binary runs and prints its version, the manual page renders without
# warnings, and the bash completion completes every long option of the program.
# Usage: install_test.sh CMAKE BUILD_DIR SOURCE_DIR
set -uo pipefail
cmake=$1 build=$2 source=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

"$cmake" --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; echo "FAIL: cmake --install"; exit 1; }
rm -f "$prefix.log"

bin=$prefix/bin/prowlet
man=$prefix/share/man/man1/prowlet.1
check=$prefix/bin/check_printers
checkman=$prefix/share/man/man1/check_printers.1
completion=$prefix/share/bash-completion/completions/prowlet
for f in "$bin" "$man" "$completion" "$check" "$checkman"; do [ -f "$f" ] || fail "not installed: ${f#$prefix/}"; done
[ -x "$bin" ] || fail "bin/prowlet is not executable"

version=$(cd / && "$bin" --version 2>&1); status=$?
[ "$status" -eq 0 ] || fail "prowlet --version exited $status"
[ "$version" = "prowlet version 0.8.7" ] || fail "prowlet --version printed \"$version\""
# The plugin beside it: -V prints its version and exits UNKNOWN (3), as plugins do.
version=$(cd / && "$check" -V 2>&1); status=$?
[ "$status" -eq 3 ] || fail "check_printers -V exited $status"
[ "$version" = "check_printers (prowlet 0.8.7)" ] || fail "check_printers -V printed \"$version\""

# Every long option of the program's option table.
options=$(sed -n 's/^ *{Option::[A-Za-z0-9]*, "\([a-z0-9-]*\)", .*/\1/p' "$source/reports/flags.cc")
[ "$(wc -l <<<"$options")" -ge 72 ] || fail "found only $(wc -l <<<"$options") options in the option table"

# The manual page renders, without warnings, and names every option.
if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$man" "$checkman" 2>&1)
    [ -z "$warnings" ] || fail "groff warnings: $warnings"
    text=$(groff -man -Tutf8 -P-cbou "$man" 2>/dev/null)
    for word in "EXIT STATUS" "PACKET LOG" snmplog; do
        grep -q -- "$word" <<<"$text" || fail "manual page does not mention $word"
    done
    for o in $options; do
        grep -q -- "--$o\b" <<<"$text" || fail "manual page does not name --$o"
    done
else
    fail "groff not found"
fi

# The exporter and its manual page.
exporter=$prefix/bin/prowlet_exporter
exporter_man=$prefix/share/man/man1/prowlet_exporter.1
for f in "$exporter" "$exporter_man"; do [ -f "$f" ] || fail "not installed: ${f#$prefix/}"; done
version=$(cd / && "$exporter" --version 2>&1)
[ "$version" = "prowlet_exporter 0.8.7" ] || fail "prowlet_exporter --version printed \"$version\""
if command -v groff >/dev/null; then
    warnings=$(groff -man -Tutf8 -ww -z "$exporter_man" 2>&1)
    [ -z "$warnings" ] || fail "groff warnings (prowlet_exporter.1): $warnings"
fi

# Completion, as bash-completion loads it: sourced, then called like readline does.
complete_word() {  # words... ; the last one is completed
    bash --norc --noprofile -c '
        source "$1"; shift
        complete -p prowlet >/dev/null || { echo "no completion for prowlet"; exit 1; }
        func=$(complete -p prowlet | sed -n "s/.*-F \([^ ]*\) .*/\1/p")
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        "$func" prowlet "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ "$completion" "$@"
}
got=$(complete_word prowlet --sto)
[ "$got" = "--storage" ] || fail "\"--sto\" completes to \"$got\", not \"--storage\""
got=$(complete_word prowlet -c)
[ "$got" = "-c" ] || fail "\"-c\" completes to \"$got\""
got=$(complete_word prowlet -n)
[ "$got" = "-n" ] || fail "\"-n\" completes to \"$got\""
got=$(complete_word prowlet -c public --maxpr)
[ "$got" = "--maxproc" ] || fail "\"--maxpr\" after -c public completes to \"$got\""
got=$(complete_word prowlet --community "")
[ -z "$got" ] || fail "the community argument is completed with \"$got\""
got=$(complete_word prowlet --vendor lp1 --sto)
[ "$got" = "--storage" ] || fail "\"--sto\" after a printer argument completes to \"$got\""
got=$(complete_word prowlet --vendor -- lp1 --sto)
[ -z "$got" ] || fail "options are completed after \"--\": \"$got\""
got=$(complete_word prowlet --kee)
[ "$got" = "--keep-going" ] || fail "\"--kee\" completes to \"$got\""

# bash-completion finds the script by itself under PREFIX/share when PREFIX/share
# is on its search path (XDG_DATA_DIRS; /usr/local/share and /usr/share by default).
loader=/usr/share/bash-completion/bash_completion
if [ -f "$loader" ]; then
    loaded=$(PATH="$prefix/bin:$PATH" XDG_DATA_DIRS="$prefix/share" bash --norc --noprofile -c \
        'source "$1"; _completion_loader prowlet; complete -p prowlet' _ "$loader" 2>&1)
    [ "$loaded" = "complete -F _prowlet prowlet" ] || fail "bash-completion did not load the script: $loaded"
else
    echo "note: bash-completion not installed; its loading of the script is not checked"
fi

# Every long option of the program's option table completes to itself alone.
for o in $options; do
    got=$(complete_word prowlet "--$o")
    grep -qx -- "--$o" <<<"$got" || fail "--$o is not offered by the completion"
done

[ "$failures" -eq 0 ] && echo "install test passed"
exit "$((failures > 0))"
