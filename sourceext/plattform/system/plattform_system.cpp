#include "plattform/system/plattform_system.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <signal.h>
#include <thread>
#include <unistd.h>

namespace Plattform {

int64_t LiesZaehler() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return int64_t(t.tv_sec) * kZaehlerFrequenz + t.tv_nsec;
}

uint32_t FadenId() {
    return uint32_t(gettid());
}

uint32_t ProzessorAnzahl() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

void Schlafe(uint32_t millisekunden) {
    timespec t{time_t(millisekunden / 1000), long(millisekunden % 1000) * 1'000'000};
    while (nanosleep(&t, &t) != 0) {
    }
}

namespace {
// The linear congruential generator of the original platform's C runtime, one for the process.
std::atomic<uint32_t> gZufallsZustand{1};

bool DebuggerAngehaengt() {
    const int datei = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (datei < 0)
        return false;
    char text[4096];
    const ssize_t n = read(datei, text, sizeof text - 1);
    close(datei);
    if (n <= 0)
        return false;
    text[n] = 0;
    const char* zeile = strstr(text, "TracerPid:");
    return zeile && atoi(zeile + 10) != 0;
}

std::atomic<HaltepunktHaken> gHaltepunktHaken{nullptr};
} // namespace

int Zufall() {
    // The world draws millions of numbers on one thread: a plain load and store keeps that cheap.
    // Threads drawing at once may see the same number, which the callers accept.
    const uint32_t neu = gZufallsZustand.load(std::memory_order_relaxed) * 214013u + 2531011u;
    gZufallsZustand.store(neu, std::memory_order_relaxed);
    return int((neu >> 16) & 0x7FFF);
}

void SetzeZufallsSaat(uint32_t saat) {
    gZufallsZustand.store(saat, std::memory_order_relaxed);
}

HaltepunktHaken SetzeHaltepunktHaken(HaltepunktHaken haken) {
    return gHaltepunktHaken.exchange(haken);
}

void Haltepunkt() {
    if (const HaltepunktHaken haken = gHaltepunktHaken.load()) {
        haken();
        return;
    }
    // No debugger: an unhandled breakpoint goes to the crash handler when one is installed,
    // otherwise SIGTRAP's default action ends the process.
    if (!DebuggerAngehaengt()) {
        static const char text[] = "!Haltepunkt ohne Debugger: Prozess wird beendet.\n";
        (void)!write(STDERR_FILENO, text, sizeof text - 1);
    }
    // The breakpoint instruction here, as the system's own debugger break has it: the fault
    // address and the first frame lie in the engine, one frame above the failed check, and a
    // debugger continues right behind it.
    asm volatile("int3");
}

void DateiGrenzeAlsFehler() {
    // The signal's default action would end the process inside the write, before the writer could
    // remove its half file or say what failed.
    signal(SIGXFSZ, SIG_IGN);
}

} // namespace Plattform
