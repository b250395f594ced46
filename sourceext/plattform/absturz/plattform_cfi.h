#pragma once
// One step of a stack walk by the call frame information of x86-64 ELF modules (.eh_frame, found
// through .eh_frame_hdr): from a frame's registers to its caller's. Signal-safe, no allocation:
// the tables are read where the module is mapped, the stack through `LiesSpeicher`.

#include <cstdint>

namespace Plattform::Cfi {

// The registers in DWARF's numbering for x86-64: rax, rdx, rcx, rbx, rsi, rdi, rbp, rsp, r8 to r15,
// then the return address column, which holds the frame's instruction pointer.
constexpr int kRegisterAnzahl = 17;
constexpr int kRsp = 7;
constexpr int kRip = 16;

struct Register {
    uint64_t mWert[kRegisterAnzahl] = {};
    bool mBekannt[kRegisterAnzahl] = {};
};

// Steps from the frame at `pc` (its program counter as looked up: for a frame below the first,
// one before the return address) with the registers `reg` to the caller's registers; `kopf` is
// the module's .eh_frame_hdr in memory. False when no entry covers `pc`, a rule cannot be followed
// or the caller's return address is undefined (the outermost frame). `signalRahmen` tells that
// the caller was interrupted by a signal, so its program counter is exact, not a return address.
bool Schritt(const uint8_t* kopf, uint64_t pc, Register& reg, bool& signalRahmen);

} // namespace Plattform::Cfi
