#pragma once
// The simulated analyser: the hardware behind the port registers. It sees
// only the bytes written to the data and control registers and answers only
// through status bit 7, like the real instrument:
//   data bit 0/1   serial data of the RF / LO synthesizer
//   data bit 2     serial clock (synthesizers and user-byte chain)
//   data bit 3     latch: new words, phases, power-down and user bytes
//   data bit 5     converter clock;  data bit 6  conversion line
//   control bit 0  user-byte serial line (inverted at the pin)
//   control bits 1..3  converter speed code
//   status bit 7   converter output
// The reading of a conversion is the real part of the wave at the detector
// times the LO phasor (LO phase 0 in-phase, 8 quadrature), scaled to
// counts, plus a detector offset that drifts slowly, plus converter noise.
// Standard C++ only.

#include "sim/converter.h"
#include "sim/devices.h"
#include "sim/serial_load.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

/// Faults the simulated analyser can be given, for trying out how the
/// server copes with a broken or missing instrument:
///   kDead       the converter never finishes a conversion (no supply or
///               clock): status bit 7 stays busy; the synthesizers work
///   kUnplugged  nothing on the port: writes go nowhere, every status read
///               gives 0xFF (what a failed hardware access returns too)
///   kStuckBusy  the converter runs, but its output line is held busy
enum class Fault { kNone, kDead, kUnplugged, kStuckBusy };

/// The fault a name stands for: "none", "dead", "unplugged", "stuck-busy";
/// nothing for any other text.
std::optional<Fault> FaultOf(std::string_view name);

struct AnalyserOptions {
    /// Virtual time: deterministic, each port access takes portAccessNs of
    /// virtual time and waits for the converter are skipped. Otherwise real
    /// time: each access and conversion takes its physical time.
    bool virtualTime = true;
    uint64_t seed = 1;   ///< noise and drift phase
    bool noise = true;   ///< converter noise
    bool drift = true;   ///< slow drift of the detector offset
    int64_t portAccessNs = 1000; ///< one ISA parallel-port access
    std::string dut = "bpf10m7"; ///< device behind the "DUT" fixture
    Fault fault = Fault::kNone;
};

class Analyser {
public:
    // Analogue figures (volts at the converter input).
    static constexpr double kVref = 2.5;                           ///< full scale +-2^24 counts
    static constexpr double kCountsPerVolt = 16777216.0 / kVref;
    static constexpr double kDetectorVolts = 1.0;  ///< DC out for a full wave in phase
    static constexpr double kOffsetVolts = 1.2e-3; ///< detector and converter offset
    static constexpr double kDriftVolts = 40e-6;   ///< amplitude of the offset drift
    static constexpr double kDriftPeriodS = 900.0;
    static constexpr double kSettleTauS = 1.0e-3;  ///< detector low-pass time constant

    /// Throws nothing; an unknown DUT leaves "load" behind the DUT fixture
    /// and sets error().
    explicit Analyser(const AnalyserOptions& options = {});

    void WriteData(uint8_t value);
    void WriteControl(uint8_t value);
    uint8_t ReadStatus();
    uint8_t data() const { return data_; }
    uint8_t control() const { return control_; }

    /// Nanoseconds since the analyser was made (virtual or real).
    int64_t Now();
    /// Nothing happens until t: virtual time jumps there if it is later;
    /// real time may sleep part of the way (sim::SleepTowards).
    void IdleUntil(int64_t t);
    bool virtualTime() const { return options_.virtualTime; }
    Fault fault() const { return options_.fault; }

    /// Mounts "THRU", "OPEND", "OPEN", "SHORT", "LOAD" or "DUT" (any case).
    bool Mount(std::string_view fixture);
    /// Chooses the device behind "DUT" (built-in name or Touchstone file).
    bool SetDut(std::string_view nameOrPath, std::string& error);
    const std::string& fixture() const { return fixture_; }
    const Device& connected() const { return *connected_; }
    const Device& dut() const { return *dut_; }
    const std::string& error() const { return error_; }

    const SerialLoad& serial() const { return serial_; }
    const Converter& converter() const { return converter_; }

    /// The detector offset at time t (ns), volts.
    double OffsetVolts(int64_t t) const;
    /// The complex wave the detector sees now (before the LO), relative to
    /// full drive: 0 when either synthesizer is powered down.
    Cplx WaveNow() const;
    /// Counts of a voltage, rounded, within the converter's range.
    static int32_t Counts(double volts);

private:
    void Changed(int64_t t);
    double LevelAt(int64_t t) const;
    double NextGaussian();
    void StartConversion(int64_t t);
    int64_t Access();

    AnalyserOptions options_;
    SerialLoad serial_;
    Converter converter_;
    uint8_t data_ = 0;
    uint8_t control_ = 0;
    bool unplugged_ = false; // fault: writes go nowhere
    bool busyLine_ = false;  // fault: every status read gives 0xFF
    bool activity_ = false;
    int64_t now_ = 0;     // virtual time, ns
    int64_t realStart_ = 0;
    int64_t lastAccess_ = 0;

    std::unique_ptr<Device> dut_;
    std::unique_ptr<Device> standard_;
    const Device* connected_ = nullptr;
    std::string fixture_ = "DUT";
    std::string error_;

    // Detector output settling: level = target + (before - target) e^-(t-tc)/tau.
    double target_ = 0.0;
    double before_ = 0.0;
    int64_t changedAt_ = 0;
    Cplx beatWave_{0.0, 0.0}; // wave times LO phasor when RF and LO differ
    double beatHz_ = 0.0;

    uint64_t rng_[4] = {};
    double drifPhase_ = 0.0;
};

} // namespace sim
