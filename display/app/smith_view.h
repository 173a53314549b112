#pragma once
// What the session tells the Smith chart window (SmithGraf).

#include <cstdint>

class SmithView {
public:
    virtual ~SmithView() = default;
    /// The swept range changed (0.1 Hz); the chart follows it unless its
    /// frequency is locked.
    virtual void SmithNewQrg(int32_t min, int32_t max) = 0;
    /// The measured S-parameter changed (0 S11 .. 3 S22): the chart relabels.
    virtual void Messurechange(int16_t smessure) = 0;
    /// Live point p (an index into QrgPoints) has a new value.
    virtual void Makesmithlive(int16_t p) = 0;
};
