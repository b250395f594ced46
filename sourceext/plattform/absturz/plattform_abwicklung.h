#pragma once
// The raw call stack of a thread of this process, walked by the modules' unwind tables from a
// register context: signal-safe and without allocation, so a crash handler can walk whatever state
// the heap is in. Symbols are looked up later, elsewhere.

#include <cstddef>
#include <cstdint>

namespace Plattform {

struct Rahmen {
    uint64_t mAdresse = 0;
    // A return address: the frame stands on the call before it, whose line is the one to show.
    bool mRuecksprung = false;
};

// Walks from `kontext`, the ucontext_t of a thread of this process stopped in a signal handler,
// or, when null, from the calling thread, whose first frame is then the caller of this function.
// `befehl` is the first frame's instruction when it is not the context's (a breakpoint's int3 lies
// one byte before it); 0 takes the context's. An instruction pointer outside every module (a call
// through a null or wild pointer) is the first frame, the return address at the stack pointer the
// second, as debuggers show it. Returns the number of frames written.
size_t LiesAufrufstapel(const void* kontext, uint64_t befehl, Rahmen* rahmen, size_t max);

// The call stack of another thread of this process (a kernel thread id): the thread is stopped in
// a signal handler while its stack is walked and goes on afterwards. False when it does not answer
// within a second (it has ended, or it blocks the signal). Not for a signal handler.
bool LiesFadenAufrufstapel(uint32_t faden, Rahmen* rahmen, size_t max, size_t& anzahl);

// Memory of process `prozess` (0: this one): an address that cannot be read fails instead of
// faulting, and a sanitizer does not object to stack memory outside live frames. This process's
// own memory needs no tracing right and no descriptor; another process's is read through the
// kernel and must allow this process to trace it. Signal-safe.
bool LiesSpeicher(uint32_t prozess, uint64_t adresse, void* ziel, size_t groesse);

} // namespace Plattform
