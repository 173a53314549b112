#include "sim/analyser.h"

#include "sim/bridge_model.h"
#include "sim/steady_time.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace sim {

namespace {

uint64_t SplitMix(uint64_t& x) {
    uint64_t z = (x += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint64_t Rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

std::string Upper(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

// A conversion of a dead converter: far beyond any wait.
constexpr int64_t kNeverNs = int64_t{1} << 60;

} // namespace

std::optional<Fault> FaultOf(std::string_view name) {
    if (name == "none") return Fault::kNone;
    if (name == "dead") return Fault::kDead;
    if (name == "unplugged") return Fault::kUnplugged;
    if (name == "stuck-busy") return Fault::kStuckBusy;
    return std::nullopt;
}

Analyser::Analyser(const AnalyserOptions& options)
    : options_(options), unplugged_(options.fault == Fault::kUnplugged),
      busyLine_(unplugged_ || options.fault == Fault::kStuckBusy) {
    uint64_t s = options_.seed;
    for (auto& r : rng_) r = SplitMix(s);
    uint64_t d = options_.seed ^ 0xD1F7ull;
    drifPhase_ = 2.0 * kPi * static_cast<double>(SplitMix(d) >> 11) / 9007199254740992.0;
    realStart_ = SteadyNs();
    if (!SetDut(options_.dut, error_)) {
        std::string ignored;
        SetDut("load", ignored);
    }
    Mount("DUT");
    // At power-up the converter runs one conversion at the speed the
    // control register selects (all lines low).
    StartConversion(0);
}

int64_t Analyser::Now() {
    if (options_.virtualTime) return now_;
    return SteadyNs() - realStart_;
}

void Analyser::IdleUntil(int64_t t) {
    if (options_.virtualTime) {
        if (t > now_) now_ = t;
    } else {
        SleepTowards(t + realStart_);
    }
}

int64_t Analyser::Access() {
    if (options_.virtualTime) {
        const int64_t t = now_;
        now_ += options_.portAccessNs;
        return t;
    }
    // Real time: an access takes portAccessNs; wait for the previous one.
    int64_t t = Now();
    while (t < lastAccess_ + options_.portAccessNs) t = Now();
    lastAccess_ = t;
    return t;
}

void Analyser::WriteControl(uint8_t value) {
    Access();
    // (Unplugged: the control lines reach nothing, but they act only
    // together with the data writes, which go nowhere.)
    control_ = value;
}

void Analyser::WriteData(uint8_t value) {
    const int64_t t = Access();
    if (unplugged_) return;
    const uint8_t rising = static_cast<uint8_t>(value & ~data_);
    if (rising & (0x04 | 0x08 | 0x20)) activity_ = true;
    data_ = value;
    if (serial_.Data(value, control_)) Changed(t);
    if (converter_.Lines(t, (value & 0x40) != 0, (value & 0x20) != 0)) StartConversion(t);
}

uint8_t Analyser::ReadStatus() {
    int64_t t = Access();
    if (busyLine_) return 0xFF;
    // Virtual time: a status read that follows nothing but waiting skips to
    // the end of the running conversion (a dead converter's never ends).
    if (options_.virtualTime && !activity_ && converter_.Converting(t) && !(data_ & 0x40) &&
        options_.fault != Fault::kDead) {
        now_ = converter_.readyAt() + options_.portAccessNs;
        t = converter_.readyAt();
    }
    activity_ = false;
    // Unused status lines read high; bit 7 is the converter output.
    return static_cast<uint8_t>(0x7F | (converter_.Status(t) ? 0x80 : 0x00));
}

bool Analyser::Mount(std::string_view fixture) {
    const std::string name = Upper(fixture);
    const Device* next = nullptr;
    if (name == "DUT") {
        next = dut_.get();
    } else if (name == "THRU" || name == "OPEND" || name == "OPEN" || name == "SHORT" ||
               name == "LOAD") {
        std::string lower(name);
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::string err;
        auto dev = MakeDevice(lower, err);
        if (!dev) return false;
        standard_ = std::move(dev);
        next = standard_.get();
    } else {
        return false;
    }
    fixture_ = name;
    connected_ = next;
    Changed(Now());
    return true;
}

bool Analyser::SetDut(std::string_view nameOrPath, std::string& error) {
    auto dev = MakeDevice(nameOrPath, error);
    if (!dev) return false;
    dut_ = std::move(dev);
    if (fixture_ == "DUT" || connected_ == nullptr) {
        connected_ = dut_.get();
        Changed(Now());
    }
    return true;
}

Cplx Analyser::WaveNow() const {
    const SynthState& rf = serial_.rf();
    const SynthState& lo = serial_.lo();
    if (rf.powerDown || lo.powerDown || connected_ == nullptr) return {0.0, 0.0};
    const double f = rf.FrequencyHz(kSynthClockHz);
    const UserBytes& u = serial_.user();
    return DetectorWave(f, connected_->S(f), u.bridge(), u.swap());
}

double Analyser::LevelAt(int64_t t) const {
    const double dt = static_cast<double>(t - changedAt_) * 1e-9;
    return target_ + (before_ - target_) * std::exp(-std::max(dt, 0.0) / kSettleTauS);
}

void Analyser::Changed(int64_t t) {
    before_ = LevelAt(t);
    changedAt_ = t;
    const SynthState& rf = serial_.rf();
    const SynthState& lo = serial_.lo();
    // The mixer output: wave times RF phasor times the conjugate LO phasor,
    // so LO phase 8 (a quarter turn) gives the imaginary part.
    const Cplx mixed = WaveNow() * std::polar(1.0, 2.0 * kPi * (rf.phase - lo.phase) / 32.0);
    beatHz_ = (static_cast<double>(rf.word) - static_cast<double>(lo.word)) * kSynthClockHz /
              4294967296.0;
    if (beatHz_ == 0.0 || rf.powerDown || lo.powerDown) {
        beatHz_ = 0.0;
        target_ = kDetectorVolts * mixed.real();
        beatWave_ = {0.0, 0.0};
    } else {
        target_ = 0.0; // a beat averages out; see StartConversion
        beatWave_ = mixed;
    }
}

double Analyser::OffsetVolts(int64_t t) const {
    if (!options_.drift) return kOffsetVolts;
    const double s = static_cast<double>(t) * 1e-9;
    return kOffsetVolts + kDriftVolts * std::sin(2.0 * kPi * s / kDriftPeriodS + drifPhase_);
}

double Analyser::NextGaussian() {
    auto next = [this] {
        const uint64_t result = Rotl(rng_[1] * 5, 7) * 9;
        const uint64_t t = rng_[1] << 17;
        rng_[2] ^= rng_[0];
        rng_[3] ^= rng_[1];
        rng_[1] ^= rng_[2];
        rng_[0] ^= rng_[3];
        rng_[2] ^= t;
        rng_[3] = Rotl(rng_[3], 45);
        return (static_cast<double>(result >> 11) + 0.5) / 9007199254740992.0;
    };
    const double u1 = next(), u2 = next();
    return std::sqrt(-2.0 * std::log(u1)) * std::cos(2.0 * kPi * u2);
}

void Analyser::StartConversion(int64_t t) {
    const int speed = Converter::SpeedOfControl(control_);
    const int64_t dur =
        options_.fault == Fault::kDead ? kNeverNs : Converter::ConversionNs(speed);
    const double T = static_cast<double>(dur) * 1e-9;
    // The converter integrates the detector output over the conversion.
    const double t0 = static_cast<double>(t - changedAt_) * 1e-9;
    double signal = target_ + (before_ - target_) * (kSettleTauS / T) *
                                  (std::exp(-t0 / kSettleTauS) - std::exp(-(t0 + T) / kSettleTauS));
    if (beatHz_ != 0.0) {
        const double mid = (static_cast<double>(t) * 1e-9) + T / 2.0;
        const double x = kPi * beatHz_ * T;
        const double sinc = std::abs(x) < 1e-12 ? 1.0 : std::sin(x) / x;
        signal += kDetectorVolts * sinc *
                  (beatWave_ * std::polar(1.0, 2.0 * kPi * beatHz_ * mid)).real();
    }
    double volts = signal + OffsetVolts(t + dur / 2);
    if (options_.noise) volts += Converter::NoiseVolts(speed) * NextGaussian();
    converter_.Start(t, dur, Counts(volts));
}

int32_t Analyser::Counts(double volts) {
    const double c = std::nearbyint(volts * kCountsPerVolt);
    if (!(c > Converter::kMin)) return Converter::kMin;
    if (c > Converter::kMax) return Converter::kMax;
    return static_cast<int32_t>(c);
}

} // namespace sim
