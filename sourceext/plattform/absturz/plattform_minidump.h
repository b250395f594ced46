#pragma once
// Our own writer of the documented minidump format for x86-64: header, stream directory, system
// information, the faulting thread with its registers and stack, the module list, the exception
// record and the memory ranges. Signal-safe: fixed buffers and plain system calls only.

#include "plattform/absturz/plattform_absturz.h"

#include <cstdint>

namespace Plattform {

// Creates or replaces the file; returns its descriptor, or -1 with the reason in `fehler` (errno).
int ErzeugeDumpDatei(const char* pfad, uint32_t& fehler);

// Writes the dump of the calling thread: with exception pointers of a fault on this thread, its
// context at the fault and the exception record; without, the thread as it is now and no record.
// False with the reason in `fehler` when a write failed.
bool SchreibeMiniDump(int datei, const AusnahmeZeiger* zeiger, uint32_t& fehler);

void SchliesseDumpDatei(int datei);

} // namespace Plattform
