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

// The mapping that holds `adresse`; false when none does.
bool FindeAbbildung(uint32_t prozess, uint64_t adresse, Abbildung& abbildung);

// The readable memory that holds the stack a stack pointer points into. After an overflow the
// pointer lies in the guard page below a thread's stack, or in the gap below the main thread's:
// the stack is then the readable mapping right above, where it begins within reach. False when
// neither is found.
bool FindeStapel(uint32_t prozess, uint64_t zeiger, uint64_t& unten, uint64_t& oben);

// Opens, read-only, the file that a module of process `prozess` (`programm`: its executable) runs
// from, given an address in one of the module's file mappings. It goes through the kernel's links
// rather than the path, so it opens the file the process was started with even once that was
// deleted or replaced on disk. The executable's link is open to any process that may trace the
// owner; a library's (map_files) needs root or CAP_CHECKPOINT_RESTORE. -1 when neither opens: the
// path is all there is then. Signal-safe.
int OeffneModulDatei(uint32_t prozess, uint64_t adresse, bool programm);

} // namespace Plattform
