#pragma once
// The kernel services the engine needs, on Linux: performance counter, thread ids, processor count,
// sleeping, the process-wide 15-bit random generator, the debugger break and the file-size limit.

#include <cstdint>

namespace Plattform {

// Ticks of CLOCK_MONOTONIC in nanoseconds; the frequency is exactly 1e9.
constexpr int64_t kZaehlerFrequenz = 1'000'000'000;
int64_t LiesZaehler();

uint32_t FadenId();
uint32_t ProzessorAnzahl();
void Schlafe(uint32_t millisekunden);

// The world code assumes a 15-bit generator, so glibc's 31-bit rand() must not be used.
constexpr int kZufallMax = 32767;
int Zufall();
void SetzeZufallsSaat(uint32_t saat);

// The debugger break of a failed check, a breakpoint instruction: a debugger attached stops on it
// and continues behind it; without one it ends the process the way an unhandled breakpoint does
// (through the crash filter when one is installed), after a report line on stderr.
// A test hook replaces both: it is called instead and the code after the break carries on.
using HaltepunktHaken = void (*)();
void Haltepunkt();
HaltepunktHaken SetzeHaltepunktHaken(HaltepunktHaken haken);

// From now on a write beyond the file-size limit (ulimit -f) fails with EFBIG, as one on a full
// disk does, instead of ending the process by SIGXFSZ. For the whole process, once at its start.
void DateiGrenzeAlsFehler();

} // namespace Plattform
