#pragma once
// The process's crash filter: a fault that nothing handles is reported into the log and dumped
// into "MiniDump.dmp" in the user folder, then handed to the filter installed before this one.

#include "plattform/absturz/plattform_absturz.h"

#include <cstdint>

// Runs once from a static initialiser, before the program entry and every other static initialiser
// of the engine; a second call re-installs the filter and keeps the previous one. Also gives the
// calling thread its alternate signal stack.
void Velm_InstalliereAusnahmeFilter();

// On the faulting thread: the report's head, the call stack and the dump (both made by a helper
// process, so that nothing here needs the heap), the dump's result line; then what the previous
// filter returns.
int Velm_AusnahmeFilter(const Plattform::AusnahmeZeiger* zeiger);

// Writes the dump with every thread (the calling thread as it is now when `zeiger` is null) and
// logs its result.
bool Velm_SchreibeMiniDump(const Plattform::AusnahmeZeiger* zeiger);

// The exception's name; for a code outside the table the description of the signal it stands for,
// "" when there is none.
const char* Velm_GibAusnahmeName(uint32_t code);

// The asterisk line, the code line, the fault address line and the call stack.
void Velm_SchreibeAusnahmeBericht(const Plattform::AusnahmeZeiger* zeiger);
