#include "display/config/user_bytes.h"

unsigned ApplyUserBytes(const VnaConfig& cfg, UserByteArray& bytes) {
    UserByteArray next = bytes;
    next[0] = static_cast<int16_t>((bytes[0] & ~0x3) | (cfg.ExtSorel & 0x3));
    for (size_t i = 0; i < 4; ++i)
        next[i + 1] = static_cast<int16_t>(cfg.ExtBytes[i] & 0xFF);
    unsigned changed = 0;
    for (size_t i = 0; i < next.size(); ++i)
        if (next[i] != bytes[i])
            changed |= 1u << i;
    bytes = next;
    return changed;
}
