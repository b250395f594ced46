#pragma once
// Our own writer of the documented minidump format for x86-64 with the Linux conventions of its
// readers: header, stream directory, system and process information, the threads with their
// registers and stacks, the modules with their build ids, the exception record and the memory
// ranges. Signal-safe: fixed buffers and plain system calls only.

#include "plattform/absturz/plattform_absturz.h"

#include <cstddef>
#include <cstdint>

namespace Plattform {

// The x86-64 thread context as the format stores it.
#pragma pack(push, 4)
struct MdKontext {
    uint64_t mHeim[6];
    uint32_t mFlags, mMxcsr;
    uint16_t mCs, mDs, mEs, mFs, mGs, mSs;
    uint32_t mEflags;
    uint64_t mDr[6];
    uint64_t mRax, mRcx, mRdx, mRbx, mRsp, mRbp, mRsi, mRdi;
    uint64_t mR[8];
    uint64_t mRip;
    uint8_t mFxsave[512];
    uint8_t mVektor[26 * 16];
    uint64_t mVektorSteuerung, mDebugSteuerung, mSprung[4];
};
#pragma pack(pop)
static_assert(sizeof(MdKontext) == 1232 && offsetof(MdKontext, mRip) == 0xF8 &&
              offsetof(MdKontext, mFxsave) == 0x100);
// Control, integer, segment, floating-point and debug registers are valid.
constexpr uint32_t kKontextVoll = 0x10001F;

// The registers of a ucontext_t (a signal handler's, or getcontext's) in the format's form.
void KontextAusSignal(const void* ucontext, MdKontext& kontext);

// One thread of the dump.
struct DumpFaden {
    uint32_t mId = 0;
    MdKontext mKontext{};
    // The readable memory that holds its stack, when known; else 256 KiB from the stack pointer
    // are taken.
    uint64_t mStapelUnten = 0;
    uint64_t mStapelOben = 0;
};

// What a dump holds. Memory is read from process `mProzess` (0: this one) through the kernel;
// ranges it cannot read are written as zeros.
struct DumpInhalt {
    uint32_t mProzess = 0;
    // The first thread is the one that faulted or asked for the dump.
    const DumpFaden* mFaeden = nullptr;
    size_t mFadenAnzahl = 0;
    const ModulBereich* mModule = nullptr;
    size_t mModulAnzahl = 0;
    // The fault of the first thread; null for a dump without an exception record.
    const AusnahmeZeiger* mAusnahme = nullptr;
};

// Creates or replaces the file; returns its descriptor, or -1 with the reason in `fehler` (errno).
int ErzeugeDumpDatei(const char* pfad, uint32_t& fehler);

// False with the reason in `fehler` when a write failed.
bool SchreibeMiniDump(int datei, const DumpInhalt& inhalt, uint32_t& fehler);

// The dump of the calling thread alone, taken inside this process: with exception pointers of a
// fault on this thread, its context at the fault and the exception record; without, the thread as
// it is now. What the crash report falls back to when no helper process can take all threads.
bool SchreibeEigenenMiniDump(int datei, const AusnahmeZeiger* zeiger, uint32_t& fehler);

void SchliesseDumpDatei(int datei);

} // namespace Plattform
