# SPDX-License-Identifier: Apache-2.0
# Turns a program's --help into a man page (roff). POSIX awk.
#
#   PROGRAM --help | awk -v prog=NAME -v summary=TEXT -v source=TEXT -v seealso=TEXT \
#       -f help-to-man.awk > NAME.1
#
# The help it reads: "usage: NAME ..." (continued on indented lines), plain paragraphs, then
# "Heading:" or "Heading (remark):" lines, each followed by option lines ("  --opt ARG   text",
# continued on lines indented deeper) and plain paragraphs. "Word word: text" opening a
# paragraph ("Exit status: ...") makes a section of its own.

function esc(s) {
    gsub(/\\/, "\\e", s)
    gsub(/-/, "\\-", s)
    return s
}

# A line of text as roff: never read as a request.
function text(s) {
    s = esc(s)
    if (s ~ /^[.']/)
        s = "\\&" s
    return s
}

function flush_par(    n, lines, i) {
    n = split(par, lines, "\n")
    for (i = 1; i <= n; i++)
        print text(lines[i])
    par = ""
}

function flush_opt() {
    if (tag == "")
        return
    print ".TP"
    print opt_tag(tag)
    print text(desc)
    tag = ""
    desc = ""
}

function flush() {
    flush_opt()
    flush_par()
}

# "--geometry WxH+X+Y" as bold option, italic argument.
function opt_tag(t,    n, parts, i, out, word) {
    n = split(t, parts, " ")
    out = ""
    for (i = 1; i <= n; i++) {
        word = esc(parts[i])
        out = out (i > 1 ? " " : "") (parts[i] ~ /^-/ ? "\\fB" word "\\fR" : "\\fI" word "\\fR")
    }
    return out
}

function section(name) {
    flush()
    print ".SH " toupper(name)
    started = 1
}

BEGIN {
    print ".\\\" Made from " prog " --help by help-to-man.awk; do not edit."
    print ".TH " toupper(prog) " 1 \"\" \"" source "\" \"User Commands\""
    print ".ad l"
    print ".nh"
    print ".SH NAME"
    print text(prog " - " summary)
    state = "start"
}

state == "start" && /^usage: / {
    sub(/^usage: /, "")
    synopsis = $0
    state = "usage"
    next
}

state == "usage" {
    if ($0 ~ /^[ \t]+[^ \t]/) {
        line = $0
        sub(/^[ \t]+/, "", line)
        synopsis = synopsis " " line
        next
    }
    print ".SH SYNOPSIS"
    n = index(synopsis, " ")
    print ".B " esc(n ? substr(synopsis, 1, n - 1) : synopsis)
    if (n)
        print text(substr(synopsis, n + 1))
    print ".SH DESCRIPTION"
    state = "body"
    # falls through: this line is read as body text
}

state != "body" { next }

/^[ \t]*$/ {
    flush()
    blank = 1
    next
}

# "Settings:" or "Actions (remark):" alone on a line: a section of options.
/^[A-Z][A-Za-z ]*( \(.*\))?:$/ {
    head = $0
    sub(/:$/, "", head)
    remark = ""
    if (match(head, / \(.*\)$/)) {
        remark = substr(head, RSTART + 2, RLENGTH - 3)
        head = substr(head, 1, RSTART - 1)
    }
    section(head)
    if (remark != "") {
        print text(toupper(substr(remark, 1, 1)) substr(remark, 2) ".")
        print ".PP"
    }
    blank = 0
    next
}

# An option line: "  --opt ARG   text" or "  --opt" with its text below.
/^  -/ {
    flush()
    line = $0
    sub(/^ +/, "", line)
    if (match(line, /  +/)) {
        tag = substr(line, 1, RSTART - 1)
        desc = substr(line, RSTART + RLENGTH)
    } else {
        tag = line
        desc = ""
    }
    blank = 0
    next
}

# The text of an option, continued.
/^   +[^ ]/ && tag != "" {
    line = $0
    sub(/^ +/, "", line)
    desc = desc (desc == "" ? "" : " ") line
    next
}

{
    flush_opt()
    line = $0
    # "Exit status: 0 ..." opening a paragraph: a section of its own.
    if (blank && par == "" && match(line, /^[A-Z][a-z]+( [a-z]+)?: /)) {
        section(substr(line, 1, RLENGTH - 2))
        line = substr(line, RLENGTH + 1)
    } else if (blank && par == "") {
        print ".PP"
    }
    blank = 0
    par = par (par == "" ? "" : "\n") line
}

END {
    flush()
    if (seealso != "") {
        print ".SH SEE ALSO"
        print text(seealso)
    }
}
