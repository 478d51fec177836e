#!/usr/bin/env bash
# Keeps the layout that scripts/layers.txt draws, before anything is built. Fails, naming the file
# and the line, on an include that the table does not allow, on a <name.h> header (the Windows
# SDK's) in a folder that is to stay free of Windows, and on a circle: a unit (a .cpp with its .h)
# outside tests/ that includes another that includes it back, directly or through others. The
# table itself may hold no circle either.
#   scripts/check-layout.sh
set -euo pipefail
cd "$(dirname "$0")/.."
table=scripts/layers.txt
find . \( -name build -o -name .git \) -prune -o \
    \( -name '*.cpp' -o -name '*.h' -o -name '*.rc' \) -print | sed 's|^\./||' | sort |
    xargs grep -Hn '^[[:space:]]*#[[:space:]]*include' |
awk -v table="$table" '
function fail(place, text) { print place ": " text > "/dev/stderr"; failed = 1 }
function folder(path) { return path ~ /\// ? substr(path, 1, match(path, /\/[^\/]*$/) - 1) : "." }
function unit(path) { sub(/\.(cpp|h|rc)$/, "", path); return path }
# The line of the table that speaks for `dir`: its own, or a "/**" one of a folder above it.
function row(dir,   up) {
    if (dir in allowed) return dir
    for (up = dir; up ~ /\//; ) {
        up = folder(up)
        if ((up "/**") in allowed) return up "/**"
    }
    return ""
}
function may(from, to) {
    return to == from || index(" " allowed[from] " ", " " to " ") || index(allowed[from], "*")
}
function edge(from, to, place) {
    if (from == to || (from, to) in where) return
    where[from, to] = place
    edges[from] = edges[from] " " to
}
# Depth first along the edges; a step onto a node of the path being walked closes a circle.
function walk(node,   next_, count, i, j, text) {
    state[node] = 1
    path[++depth] = node
    count = split(edges[node], next_, " ")
    for (i = 1; i <= count; ++i) {
        if (state[next_[i]] == 1) {
            for (j = depth; path[j] != next_[i]; --j) ;
            for (text = ""; j <= depth; ++j) text = text path[j] " -> "
            fail(where[node, next_[i]], "a circle: " text next_[i])
        } else if (!state[next_[i]]) {
            walk(next_[i])
        }
    }
    --depth
    state[node] = 2
}
BEGIN {
    while ((getline line < table) > 0) {
        ++number
        if (line ~ /^[[:space:]]*(#|$)/) continue
        name = line; sub(/:.*/, "", name)
        rest = line; sub(/^[^:]*:[[:space:]]*/, "", rest)
        count = split(rest, names, " ")
        for (i = 1; i <= count; ++i) {
            if (name == "windows-free") free[names[i]] = 1
            else if (names[i] != "*") edge(name "/", names[i] "/", table ":" number)
        }
        if (name != "windows-free") allowed[name] = allowed[name] " " rest
    }
}
{
    split($0, parts, ":")
    file = parts[1]
    place = file ":" parts[2]
    dir = folder(file)
    if ((dir in free) && match($0, /<[^>]*\.h>/))
        fail(place, substr($0, RSTART, RLENGTH) " in " dir "/, which is to stay free of Windows")
    if (!match($0, /"[^"]*"/)) next
    header = substr($0, RSTART + 1, RLENGTH - 2)
    from = row(dir)
    if (from == "") { fail(place, dir "/ has no line in " table); next }
    if (!may(from, folder(header)))
        fail(place, "\"" header "\": " dir "/ may not include " folder(header) "/ (" table ")")
    if (file !~ /^tests\//) edge(unit(file), unit(header), place)
}
END {
    for (node in edges) if (!state[node]) walk(node)
    exit failed
}' || { echo "check-layout: FAILED" >&2; exit 1; }
echo "check-layout: every include follows $table, and no unit includes itself back"
