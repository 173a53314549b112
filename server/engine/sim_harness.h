#pragma once
// Runs VNA01 on the simulated analyser and collects what it reports: the
// test rig for engine-and-simulator tests and for end-to-end tests of the
// layers above (calibration, correction). Virtual time by default, so a
// sweep takes milliseconds and the same seed gives the same readings.
//
//   harness::SimRig rig({.noise = false});
//   rig.vna().SetUpScan(1, 20, 1000000, 300000000, 0, 20, 24, 4, 0, 0, 0, 0);
//   rig.Mount("THRU");
//   auto thru = rig.Run(1, 1);   // one sweep of table 1
//   rig.Mount("DUT");
//   auto dut = rig.Run(1, 1);

#include "server/engine/vna01.h"
#include "server/port/sim_port.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace harness {

struct RigOptions {
    bool virtualTime = true;
    uint64_t seed = 1;
    bool noise = true;
    bool drift = true;
    std::string dut = "bpf10m7";  ///< built-in device or Touchstone file
    std::string fixture = "DUT";  ///< mounted at the start
    sim::Fault fault = sim::Fault::kNone;
    /// Safety stop: a Run ends after this many loop iterations.
    uint64_t maxIterations = 20'000'000;
};

/// An engine on a simulated analyser, collecting the engine's events.
class SimRig : public engine::VnaEvents {
public:
    explicit SimRig(const RigOptions& options = {});

    /// False when the DUT could not be made (error() says why).
    bool ok() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    engine::VNA01& vna() { return *vna_; }
    port::SimPort& port() { return *port_; }
    sim::Analyser& analyser() { return port_->analyser(); }
    bool Mount(std::string_view fixture) { return port_->Mount(fixture); }

    /// The table setphys puts on table 0, with the given speed and settling:
    /// 101 points from 49 kHz to 60 MHz, user bytes 255.
    engine::VnaResult SetUpDefaultScan(int16_t speed = 3, int16_t settleMs = 20);

    /// Runs the loop on table `ta` (NewScan) until `sweeps` EndScan events
    /// have come, then stops it (Stopscan) and returns the DataReady records
    /// of those sweeps. The first record after a start (row 0) carries a
    /// conversion made before the loop started. Empty records and
    /// timedOut() when maxIterations pass first.
    std::vector<engine::DataRecord> Run(int16_t ta, int sweeps);
    bool timedOut() const { return timedOut_; }

    /// Called for every record while Run collects (may call the engine).
    std::function<void(const engine::DataRecord&)> onRecord;
    /// Called at every yield of the loop (may call the engine).
    std::function<void()> onYield;

    // Everything the engine raised since the rig was made.
    std::vector<int16_t> rates;
    std::vector<std::string> notices;
    int endScans = 0;
    int loopsEnded = 0;

    // engine::VnaEvents
    void Stateinfo(int16_t Statid) override;
    void Rateinfo(int16_t rat) override { rates.push_back(rat); }
    void DataReady(const engine::DataRecord& record) override;
    void EndScan() override;
    void Notice(const std::string& text) override { notices.push_back(text); }

private:
    RigOptions options_;
    std::unique_ptr<port::SimPort> port_;
    std::unique_ptr<engine::VNA01> vna_;
    std::string error_;
    std::vector<engine::DataRecord> records_;
    int wantSweeps_ = 0;
    int sweepsSeen_ = 0;
    uint64_t iterationLimit_ = 0;
    bool timedOut_ = false;
};

/// One call: a rig with `options`, the default table at `speed` and
/// `settleMs`, `sweeps` sweeps of table 0.
std::vector<engine::DataRecord> RunDefaultSweeps(const RigOptions& options, int sweeps,
                                                 int16_t speed = 3, int16_t settleMs = 20);

} // namespace harness
