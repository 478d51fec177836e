# Sourced by the build, test and demo commands: which Windows build this machine can run.
# Sets WINDOWS_ARCH to x86 (the shipped 32-bit exe under 32-bit Wine) or x64 (the 64-bit build
# of the same sources under wine64), and ARCH_REASON to say why.

# A 32-bit Linux program of 96 bytes that exits with code 32. Where the kernel was built or
# booted without 32-bit support, it does not start ("Exec format error"), and no 32-bit Wine can.
kernel_runs_32bit() {
    local probe
    mkdir -p build  # not /tmp, which may forbid running programs
    probe=$(mktemp build/probe.XXXXXX)
    local elf='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00'
    elf+='\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00'
    elf+='\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80'
    elf+='\x04\x08\x00\x80\x04\x08\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10'
    elf+='\x00\x00\xb8\x01\x00\x00\x00\xbb\x20\x00\x00\x00\xcd\x80'  # exit(32)
    printf "$elf" >"$probe"
    chmod +x "$probe"
    local code=0
    "$probe" 2>/dev/null || code=$?
    rm -f "$probe"
    [ "$code" -eq 32 ]
}

if ! kernel_runs_32bit; then
    WINDOWS_ARCH=x64
    ARCH_REASON="this machine's kernel cannot run 32-bit code, so no 32-bit Wine can run here"
elif [ ! -x /usr/lib/wine/wine ]; then
    WINDOWS_ARCH=x64
    ARCH_REASON="32-bit Wine (wine32:i386) is not installed"
else
    WINDOWS_ARCH=x86
    ARCH_REASON="this machine runs 32-bit code and has 32-bit Wine"
fi
