#include "server/engine/sim_harness.h"

namespace harness {

SimRig::SimRig(const RigOptions& options) : options_(options) {
    port_ = std::make_unique<port::SimPort>(port::AnalyserOptionsOf(options));
    error_ = port_->analyser().error();
    if (!port_->Mount(options.fixture) && error_.empty())
        error_ = "unknown fixture \"" + options.fixture + "\"";
    vna_ = std::make_unique<engine::VNA01>(*port_, *this);
    vna_->setPriorityHook([](int32_t) { return true; });
    vna_->setYieldHook([this] {
        if (iterationLimit_ != 0 && vna_->iterations() > iterationLimit_) {
            timedOut_ = true;
            vna_->setRunning(false);
        }
        if (onYield) onYield();
    });
}

engine::VnaResult SimRig::SetUpDefaultScan(int16_t speed, int16_t settleMs) {
    return vna_->SetUpScan(0, 100, 490000, 600000000, speed, settleMs, 24, 255, 255, 255, 255, 255);
}

std::vector<engine::DataRecord> SimRig::Run(int16_t ta, int sweeps) {
    records_.clear();
    wantSweeps_ = sweeps;
    sweepsSeen_ = 0;
    timedOut_ = false;
    iterationLimit_ = vna_->iterations() + options_.maxIterations;
    if (sweeps > 0) vna_->NewScan(ta);
    wantSweeps_ = 0;
    iterationLimit_ = 0;
    if (timedOut_) records_.clear();
    return std::move(records_);
}

void SimRig::Stateinfo(int16_t Statid) {
    if (Statid == engine::VNA01::kStatusLoopEnded) ++loopsEnded;
}

void SimRig::DataReady(const engine::DataRecord& record) {
    if (wantSweeps_ > 0 && sweepsSeen_ < wantSweeps_) {
        records_.push_back(record);
        if (onRecord) onRecord(record);
    }
}

void SimRig::EndScan() {
    ++endScans;
    if (wantSweeps_ > 0 && ++sweepsSeen_ >= wantSweeps_) vna_->Stopscan();
}

std::vector<engine::DataRecord> RunDefaultSweeps(const RigOptions& options, int sweeps,
                                                 int16_t speed, int16_t settleMs) {
    SimRig rig(options);
    if (!rig.ok() || rig.SetUpDefaultScan(speed, settleMs) != engine::VnaResult::Ok) return {};
    return rig.Run(0, sweeps);
}

} // namespace harness
