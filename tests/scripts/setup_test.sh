#!/usr/bin/env bash
# The set-up on simulated bare machines, with no network and nothing installed: stand-ins for
# apt-get, dpkg, dpkg-query, sudo, mount and the kernel (its binfmt_misc and the 32-bit probe)
# record what it does. Like apt, the stand-in refuses an i386 package that the package lists did
# not know when they were last refreshed, so a refresh missing after the architecture's addition
# fails the run, as it did on a first run on a machine that emulates 32-bit code.
set -euo pipefail
setup="$(cd "$(dirname "$0")/../.." && pwd)/scripts/setup.sh"
export SIM
SIM=$(mktemp -d)
trap 'rm -rf "$SIM"' EXIT
mkdir "$SIM/bin"
stub() { printf '#!/usr/bin/env bash\n%s\n' "$2" >"$SIM/bin/$1"; chmod +x "$SIM/bin/$1"; }
stub id 'echo 1000'
stub sudo '"$@"'
stub apt-get 'event=$1; shift
[ "$event" = update ] && { cp "$SIM/archs" "$SIM/lists"; echo update >>"$SIM/calls"; exit; }
for p in "$@"; do
    case "$p" in
    -*) continue ;;
    qemu-user-static) event+=+qemu ;;
    wine32:i386) event+=+wine32 ;;
    esac
    [[ "$p" != *:i386 ]] || grep -qsx i386 "$SIM/lists" ||
        { echo "E: Unable to locate package $p" >&2; exit 100; }
    echo "$p" >>"$SIM/installed"
done
echo "$event" >>"$SIM/calls"'
stub dpkg 'case "$1" in
--print-foreign-architectures) cat "$SIM/archs" ;;
--add-architecture) echo "$2" >>"$SIM/archs"; echo "add-$2" >>"$SIM/calls" ;;
esac'
stub dpkg-query 'grep -qsx "${@: -1}" "$SIM/installed" && echo "install ok installed"'
stub mount 'echo mount >>"$SIM/calls"
[ "$(cat "$SIM/binfmt_misc")" = unmounted ] && echo enabled >"${@: -1}/status"'
# The kernel: an entry written to binfmt_misc's register file is taken, enabled, as it says.
stub tee 'line=$(cat); [ "$1" = "$UNINSTALL_BINFMT/register" ] || { echo "$line" >"$1"; exit; }
IFS=: read -r _ name _ offset magic mask interpreter flags <<<"$line"
hex() { printf "$1" | od -An -tx1 | tr -d " \n"; }
printf "enabled\ninterpreter %s\nflags: %s\noffset %s\nmagic %s\nmask %s\n" "$interpreter" \
    "$flags" "${offset:-0}" "$(hex "$magic")" "$(hex "$mask")" >"${1%/*}/$name"
echo register >>"$SIM/calls"'
stub probe '[ "$(cat "$SIM/kernel")" = native ] || [ -e "$UNINSTALL_BINFMT/qemu-i386" ] || exit 1
exit 32'
export PATH="$SIM/bin:$PATH" UNINSTALL_BINFMT="$SIM/binfmt" UNINSTALL_I386_PROBE="$SIM/bin/probe"

failed=0
# kernel | binfmt_misc | i386 added before | how 32-bit code runs after | the calls, in order
while IFS='|' read -r kernel binfmt_misc added mode calls; do
    rm -rf "$SIM/binfmt" "$SIM"/{calls,archs,lists,installed}
    mkdir "$SIM/binfmt"
    echo "$kernel" >"$SIM/kernel"
    echo "$binfmt_misc" >"$SIM/binfmt_misc"
    [ "$binfmt_misc" != mounted ] || echo enabled >"$SIM/binfmt/status"
    [ "$added" = no ] && touch "$SIM/archs" || echo i386 >"$SIM/archs"
    machine="$kernel kernel, binfmt_misc $binfmt_misc, i386 added before: $added"
    for run in first second; do
        : >"$SIM/calls"
        bash "$setup" >"$SIM/out" 2>&1 ||
            { echo "FAIL: $machine, $run run:"; cat "$SIM/out"; failed=1; }
        got=$(source "${setup%/*}/arch.sh"; echo "$I386_MODE:" $(cat "$SIM/calls"))
        # A second run installs and adds nothing; it may only try binfmt_misc's mount again.
        [ "$run" = first ] || { got=${got% mount}; calls=""; }
        if [ "$got" = "$(echo "$mode:" $calls)" ]; then echo "ok: $machine, $run run: $got"
        else echo "FAIL: $machine, $run run: $got, want $mode: $calls"; failed=1; fi
    done
done <<'MACHINES'
native|mounted|no|native|add-i386 update install+wine32
native|mounted|yes|native|update install+wine32
none|unmounted|no|emulated|mount update install+qemu register add-i386 update install+wine32
none|unusable|no|none|mount update install
MACHINES
exit $failed
