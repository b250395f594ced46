#pragma once
// Starting named threads, so that debuggers, `top -H` and crash reports tell the engine's worker
// threads apart, with a test hook that makes thread creation fail on demand.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace Plattform {

// Starts a thread that runs `rumpf` with its own `TSignalstapel`; the name shows in its first
// 15 characters. Throws std::system_error, as std::thread does, when the kernel refuses a new thread.
std::thread StarteFaden(const std::string& name, std::function<void()> rumpf);

// The calling thread's alternate signal stack while it lives: 1 MiB with an inaccessible guard
// page below it, so that a crash handler has room to unwind even when the fault happened on a
// small fiber stack or on an overflowed one. Also notes the thread's own stack bounds.
class TSignalstapel {
public:
    static constexpr size_t kGroesse = size_t(1) << 20;
    TSignalstapel();
    ~TSignalstapel();
    TSignalstapel(const TSignalstapel&) = delete;
    TSignalstapel& operator=(const TSignalstapel&) = delete;

private:
    void* mBlock = nullptr;
    size_t mBlockGroesse = 0;
};

// The calling thread's stack as its `TSignalstapel` noted it, lowest address first; false on a
// thread without one. Signal-safe.
bool StapelGrenzen(uintptr_t& unten, uintptr_t& oben);

// Test hook: the next `anzahl` starts succeed, every one after them fails the way a refused
// thread creation does. A negative number lifts the limit (the default).
void SetzeFadenstartGrenze(int anzahl);

} // namespace Plattform
