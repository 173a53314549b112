#pragma once
// The five user bytes B0..B4 that every scan entry carries, as the
// configuration window's external-control frames set them. B0 is the switch
// word: bits 2-3 belong to the measured S-parameter (bridge and port swap),
// bits 0-1 are the Sorel clock bits of "External Control Byte 0". B1..B4 are
// the bytes of "External Control Byte 1-3". No Qt.

#include "display/config/config_file.h"

#include <array>
#include <cstdint>

using UserByteArray = std::array<int16_t, 5>;

/// Puts the configuration's bytes into `bytes` (B0..B4): bits 0-1 of B0 and
/// the whole of B1..B4; the other bits of B0 stay. Returns a mask of the
/// bytes whose value changed (bit i for Bi), so that a running scan can be
/// edited for just those.
unsigned ApplyUserBytes(const VnaConfig& cfg, UserByteArray& bytes);
