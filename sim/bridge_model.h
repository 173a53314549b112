#pragma once
// The analogue signal path of the simulated analyser, as fixed functions of
// frequency (the same in every run, so a stored calibration stays valid).
//
// Figures, from published home-built HF return-loss bridges and 24-bit
// delta-sigma converters of this class:
//  - directivity 20 dB at 40 kHz rising to 24 dB at 2 MHz and 30 dB from
//    30 to 50 MHz, 27 dB at 61 MHz (log-frequency interpolation);
//  - source match 20 dB (|e11| = 0.1);
//  - reflection tracking -10 dB with 1 ns of delay, transmission tracking
//    -10 dB with 1.6 ns; both fall with the synthesizer's sin(x)/x output
//    roll-off (clock 148.3419 MHz);
//  - leakage into the detector -110 dB.

#include "sim/network.h"

namespace sim {

/// Synthesizer reference clock of the simulated hardware, Hz.
constexpr double kSynthClockHz = 148.3419e6;

/// Three-term error model of the reflection bridge at a frequency:
/// wave = directivity + tracking * G / (1 - sourceMatch * G).
struct BridgeTerms {
    Cplx directivity;
    Cplx sourceMatch;
    Cplx tracking;
};
BridgeTerms BridgeModel(double freqHz);

/// Transmission path: wave = tracking * S21 + leakage.
struct TransmissionTerms {
    Cplx tracking;
    Cplx leakage;
};
TransmissionTerms TransmissionModel(double freqHz);

/// The complex wave at the detector (relative to full drive) for a device
/// with S-parameters `s`: the bridge path (B0 bit 2) sees S11, the
/// transmission path S21; `swap` (B0 bit 3) turns the device round
/// (S22 / S12).
Cplx DetectorWave(double freqHz, const SMatrix& s, bool bridge, bool swap);

/// The synthesizer's sin(x)/x amplitude at a frequency (1 at DC).
double SynthRolloff(double freqHz);

} // namespace sim
