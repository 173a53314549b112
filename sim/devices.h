#pragma once
// What can be connected to the simulated analyser: calibration standards and
// devices under test. Built-in devices are computed from their circuits;
// Touchstone files are read and interpolated (touchstone_device.h).

#include "sim/network.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sim {

/// A device between the analyser's port 1 (bridge) and port 2 (detector).
/// One-port devices leave port 2 open (S21 = S12 = 0, S22 = 1).
class Device {
public:
    virtual ~Device() = default;
    /// S-parameters at a frequency in hertz, referred to 50 ohms.
    virtual SMatrix S(double freqHz) const = 0;
    virtual std::string name() const = 0;
};

/// Names of the built-in devices: "bpf10m7" (10.7 MHz band-pass), "lpf30m"
/// (30 MHz low-pass), "att10" (10 dB attenuator), "cable" (lossy 50 ohm
/// cable, far end open), "rlc" (series RLC to ground), and the standards
/// "thru", "opend" (detector input open: nothing connected), "open",
/// "short", "load" (ideal).
std::vector<std::string> BuiltinDeviceNames();

/// A built-in device by name (case-insensitive), or a Touchstone file by
/// path (anything that is not a built-in name). Nothing, with a message
/// naming the device or file (and line), when it cannot be made.
std::unique_ptr<Device> MakeDevice(std::string_view nameOrPath, std::string& error);

/// The circuits, exposed for tests and for computing the truth.
/// 3-pole Butterworth band-pass, 10.7 MHz, 1 MHz wide, inductor Q 100.
SMatrix BandPass10m7(double freqHz);
/// 5-pole Chebyshev (0.1 dB) low-pass, 30 MHz cut-off, inductor Q 150.
SMatrix LowPass30m(double freqHz);
/// 10 dB resistive pi attenuator (96.25 / 71.15 / 96.25 ohms).
SMatrix Attenuator10(double freqHz);
/// 5 m of RG-58-like cable (velocity factor 0.66, 4.6 dB/100 m at 10 MHz
/// growing with the square root of frequency), far end open.
SMatrix OpenCable(double freqHz);
/// 10 ohms + 1 uH + 100 pF in series from the through line to ground
/// (notch at 15.9 MHz).
SMatrix SeriesRlcToGround(double freqHz);

} // namespace sim
