#pragma once
// Whole memory pages straight from the kernel, for memory that needs page protection: the
// parallel core's fiber blocks keep an inaccessible guard page between header and stack.

#include <cstddef>

namespace Plattform {

// The size of one page in bytes (4096 on x86-64 Linux).
size_t SeitenGroesse();

// Maps `bytes` (a multiple of the page size) of zeroed, readable and writable memory, aligned
// to a page. Null when the kernel refuses.
void* ReserviereSeiten(size_t bytes);

// Makes whole pages inaccessible: any read or write there raises SIGSEGV at once.
bool SperreSeiten(void* anfang, size_t bytes);

// Returns what `ReserviereSeiten` mapped, locked pages included.
void GibSeitenFrei(void* anfang, size_t bytes);

} // namespace Plattform
