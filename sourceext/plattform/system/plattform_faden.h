#pragma once
// Starting named threads, so that debuggers, `top -H` and crash reports tell the engine's worker
// threads apart, with a test hook that makes thread creation fail on demand.

#include <functional>
#include <string>
#include <thread>

namespace Plattform {

// Starts a thread that runs `rumpf`; the name shows in its first 15 characters. Throws
// std::system_error, as std::thread does, when the kernel refuses a new thread.
std::thread StarteFaden(const std::string& name, std::function<void()> rumpf);

// Test hook: the next `anzahl` starts succeed, every one after them fails the way a refused
// thread creation does. A negative number lifts the limit (the default).
void SetzeFadenstartGrenze(int anzahl);

} // namespace Plattform
