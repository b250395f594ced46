#pragma once
// The mappings of a process's address space as /proc/<pid>/maps lists them, read with one
// descriptor and a fixed buffer: signal-safe, so a crash handler can ask where a thread's stack
// lies and open the very file a module was mapped from, whatever became of its path since.

#include <cstddef>
#include <cstdint>

namespace Plattform {

struct Abbildung {
    uint64_t mAnfang = 0;
    uint64_t mEnde = 0;
    bool mLesbar = false;
    // The mapped file as the kernel names it (" (deleted)" behind a file that was removed or
    // replaced); "" for anonymous memory. Cut at the buffer's end.
    char mPfad[1024] = {};
};

// Hands each mapping of process `prozess` (0: this one), lowest address first, to `besuche` until
// it returns false. False when the map cannot be read.
using AbbildungsBesuch = bool (*)(const Abbildung& abbildung, void* daten);
bool DurchlaufeAbbildungen(uint32_t prozess, AbbildungsBesuch besuche, void* daten);

// The mapping that holds `adresse`; false when none does.
bool FindeAbbildung(uint32_t prozess, uint64_t adresse, Abbildung& abbildung);

// The readable memory that holds the stack a stack pointer points into. After an overflow the
// pointer lies in the guard page below a thread's stack, or in the gap below the main thread's:
// the stack is then the readable mapping right above, where it begins within reach. False when
// neither is found.
bool FindeStapel(uint32_t prozess, uint64_t zeiger, uint64_t& unten, uint64_t& oben);

// Opens, read-only, the file that is mapped at [anfang, ende), through the kernel's link to the
// mapping rather than its path: the file a program was started from, even once it was deleted or
// replaced on disk. Needs the right to see another process's mappings' files (root, or
// CAP_CHECKPOINT_RESTORE); -1 without. Signal-safe.
int OeffneAbgebildeteDatei(uint32_t prozess, uint64_t anfang, uint64_t ende);

// Opens the running executable of process `prozess` the same way; any process may open its own
// and those of processes it may trace. -1 when it cannot. Signal-safe.
int OeffneProgrammDatei(uint32_t prozess);

} // namespace Plattform
