// Process-wide values (registries, shared instances, caches, throttles) stay process-wide, but
// each registers how to forget itself, so that every test starts from a fresh process.
#pragma once

#include <functional>

namespace sw {

/// Registers a function that returns one piece of process-wide state to its initial value.
/// Call it where the state is first created; registering the same state twice is harmless
/// as long as the function is idempotent.
void registerProcessStateReset(std::function<void()> reset);

/// Runs every registered reset, newest first.
void resetProcessState();

}  // namespace sw
