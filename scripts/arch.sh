# Sourced by the set-up, build, test and demo commands: how this machine runs 32-bit x86
# programs, and so which Windows build it tests how.
#   I386_MODE      native (the kernel runs them), emulated (the kernel hands them to an emulator
#                  registered in binfmt_misc) or none
#   I386_EMULATOR  the emulator, when emulated
#   WINDOWS_ARCH   x86: the whole Wine suite on the shipped 32-bit exe under 32-bit Wine, wherever
#                  32-bit programs run and 32-bit Wine is installed; x64 elsewhere: the whole suite
#                  on the 64-bit build of the same sources under wine64
#   WAIT_FACTOR    how much longer the scenarios may wait for the program under test
#   ARCH_REASON    why, in words
# Where 32-bit programs run only emulated, it also exports what the Wine suite needs there
# (UNINSTALL_TOOL_WINE, UNINSTALL_TOOL_ROBOT, UNINSTALL_WAIT_FACTOR, QEMU_RESERVED_VA), so that
# `source scripts/arch.sh; ctest --preset windows-x86` runs it as the test command does.
# The set-up's own test points UNINSTALL_BINFMT and UNINSTALL_I386_PROBE at a simulated machine.

# The first 20 bytes of a 32-bit x86 Linux program: what the kernel and binfmt_misc look at.
I386_ELF_HEADER=7f454c4601010100000000000000000002000300
BINFMT=${UNINSTALL_BINFMT:-/proc/sys/fs/binfmt_misc}
ARCH_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)  # the checkout

# The enabled binfmt_misc entry that takes 32-bit x86 programs, if any: the kernel asks those
# entries before it runs a program itself, so where one matches, 32-bit code always runs through
# its interpreter, whatever the kernel could do alone.
i386_binfmt_entry() {
    [ "$(cat "$BINFMT/status" 2>/dev/null)" = enabled ] || return 1
    local entry magic mask i
    for entry in "$BINFMT"/*; do
        case "${entry##*/}" in register | status) continue ;; esac
        [ "$(head -1 "$entry" 2>/dev/null)" = enabled ] || continue
        grep -qx 'offset 0' "$entry" || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        mask=$(sed -n 's/^mask //p' "$entry")
        [ -n "$magic" ] && [ ${#magic} -le ${#I386_ELF_HEADER} ] || continue
        [ -n "$mask" ] || mask=${magic//?/f}  # an entry without a mask compares every bit
        for ((i = 0; i < ${#magic}; i += 2)); do
            local m=$((16#${mask:i:2}))
            (((16#${magic:i:2} & m) == (16#${I386_ELF_HEADER:i:2} & m))) || continue 2
        done
        echo "$entry"
        return 0
    done
    return 1
}

# A 32-bit Linux program of 96 bytes that exits with code 32. Where nothing can run it, it does
# not start ("Exec format error"), and no 32-bit Wine can.
write_probe() {
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00'
    elf+='\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00'
    elf+='\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80'
    elf+='\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10'
    elf+='\x00\x00\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80'  # exit(32)
    printf "$elf" >"$1"
    chmod +x "$1"
}
kernel_runs_32bit() {
    local probe=${UNINSTALL_I386_PROBE:-} code=0
    if [ -z "$probe" ]; then
        mkdir -p "$ARCH_ROOT/build"  # not /tmp, which may forbid running programs
        probe=$(mktemp "$ARCH_ROOT/build/probe.XXXXXX")
        write_probe "$probe"
    fi
    "$probe" 2>/dev/null || code=$?
    [ -n "${UNINSTALL_I386_PROBE:-}" ] || rm -f "$probe"
    [ "$code" -eq 32 ]
}

I386_EMULATOR=
if entry=$(i386_binfmt_entry); then
    I386_EMULATOR=$(sed -n 's/^interpreter //p' "$entry")
    I386_MODE=emulated
    kernel_runs_32bit || I386_MODE=none  # the emulator is registered but does not run
elif kernel_runs_32bit; then
    I386_MODE=native
else
    I386_MODE=none
fi
unset entry

WINDOWS_ARCH=x86
WAIT_FACTOR=1
case "$I386_MODE" in
native)
    ARCH_REASON="this machine's kernel runs 32-bit code" ;;
emulated)
    WAIT_FACTOR=6
    ARCH_REASON="32-bit programs run here only on an emulated CPU (${I386_EMULATOR##*/})"
    # Each start of a 32-bit program costs seconds here: the suite's own tools (the robot, reg,
    # wineboot) run as 64-bit programs, so that only the program under test and its helper are
    # emulated, and every wait of the scenarios and the robot stretches by the one factor.
    export UNINSTALL_TOOL_WINE=/usr/lib/wine/wine64 UNINSTALL_WAIT_FACTOR=$WAIT_FACTOR
    export UNINSTALL_TOOL_ROBOT="$ARCH_ROOT/build/windows-x64/tests/robot.exe"
    # Wine reserves the 32-bit address space above 2 GiB piece by piece, and the emulator, given
    # the whole 4 GiB, answers each of those tens of thousands of attempts with a search of its
    # own: a minute for each program started. A program that is not large-address-aware (none of
    # ours is) lives below 2 GiB, and Wine needs only a little above, so give the emulator no
    # more: a start then takes seconds.
    export QEMU_RESERVED_VA=0x81000000 ;;
none)
    WINDOWS_ARCH=x64
    ARCH_REASON="this machine can run no 32-bit code, natively or emulated" ;;
esac
if [ "$I386_MODE" != none ] && [ ! -x /usr/lib/wine/wine ]; then
    WINDOWS_ARCH=x64
    ARCH_REASON+=", but 32-bit Wine (wine32:i386) is not installed"
fi
