#pragma once
// What the session tells the rectangular graph window (QRGGRAF).

#include <cstdint>

class GraphView {
public:
    virtual ~GraphView() = default;
    /// The swept range changed (0.1 Hz); the graph follows it unless its
    /// frequency is locked.
    virtual void NewQrg(int32_t min, int32_t max) = 0;
    /// The measured S-parameter changed (0 S11 .. 3 S22): the graph relabels.
    virtual void Messurechange(int16_t smessure) = 0;
    /// Live point p (an index into QrgPoints) has a new value.
    virtual void makelive(int16_t p) = 0;
    /// Full redraw, frequency axis included (a step button moved the range,
    /// a new range was sent, the point list was tidied).
    virtual void Refscreen() = 0;
};
