#pragma once
// Priority of the server's own process.

#include <cstdint>

namespace port {

/// Priority classes the engine asks for.
constexpr int32_t kNormalPriorityClass = 0x20;
constexpr int32_t kRealtimePriorityClass = 0x100;

/// Sets the priority of the server's own process. Normal (0x20) restores the
/// nice value the process started with; realtime (0x100) takes the highest
/// priority the process may take without a real-time scheduling class (a
/// lower nice value, at most 10 below the start value, within RLIMIT_NICE),
/// because the scan loop spins and a real-time class would starve the rest of
/// the machine. Idle (0x40), below normal (0x4000), above normal (0x8000) and
/// high (0x80) map to nice offsets +19, +5, -5 and -10. Returns false when
/// the class is unknown or the system refuses the change (no raise allowed).
bool SetOwnPriority(int32_t priorityClass);

} // namespace port
