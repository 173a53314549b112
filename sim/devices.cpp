#include "sim/devices.h"

#include "sim/touchstone_device.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <functional>

namespace sim {

namespace {

const Cplx kJ{0.0, 1.0};

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

// An inductor with series loss for quality factor q at the frequency.
Cplx Inductor(double w, double l, double q) { return Cplx(w * l / q, w * l); }
Cplx Capacitor(double w, double c) { return 1.0 / (kJ * w * c); }

SMatrix OnePort(Cplx gamma) {
    SMatrix s;
    s.s11 = gamma;
    s.s22 = 1.0;
    return s;
}

class FunctionDevice final : public Device {
public:
    FunctionDevice(std::string name, std::function<SMatrix(double)> f)
        : name_(std::move(name)), f_(std::move(f)) {}
    SMatrix S(double freqHz) const override { return f_(freqHz); }
    std::string name() const override { return name_; }

private:
    std::string name_;
    std::function<SMatrix(double)> f_;
};

SMatrix Thru(double) {
    SMatrix s;
    s.s21 = s.s12 = 1.0;
    return s;
}
SMatrix OpenBoth(double) {
    SMatrix s;
    s.s11 = s.s22 = 1.0;
    return s;
}
SMatrix ShortBoth(double) {
    SMatrix s;
    s.s11 = s.s22 = -1.0;
    return s;
}
SMatrix LoadBoth(double) { return SMatrix{}; }

struct Builtin {
    const char* name;
    SMatrix (*f)(double);
};

constexpr Builtin kBuiltins[] = {
    {"bpf10m7", BandPass10m7}, {"lpf30m", LowPass30m},      {"att10", Attenuator10},
    {"cable", OpenCable},      {"rlc", SeriesRlcToGround},  {"thru", Thru},
    {"opend", OpenBoth},       {"open", OpenBoth},          {"short", ShortBoth},
    {"load", LoadBoth},
};

} // namespace

SMatrix BandPass10m7(double f) {
    const double f0 = 10.7e6, bw = 1.0e6, q = 100.0;
    const double w = 2.0 * kPi * std::max(f, 1.0);
    const double w0 = 2.0 * kPi * f0, b = 2.0 * kPi * bw;
    auto series = [&](double g) {
        const double l = g * kZ0 / b, c = b / (w0 * w0 * g * kZ0);
        return SeriesImpedance(Inductor(w, l, q) + Capacitor(w, c));
    };
    auto shunt = [&](double g) {
        const double c = g / (kZ0 * b), l = kZ0 * b / (w0 * w0 * g);
        return ShuntAdmittance(1.0 / Inductor(w, l, q) + kJ * w * c);
    };
    return ToS(Cascade(Cascade(series(1.0), shunt(2.0)), series(1.0)));
}

SMatrix LowPass30m(double f) {
    const double fc = 30.0e6, q = 150.0;
    const double w = 2.0 * kPi * std::max(f, 1.0), wc = 2.0 * kPi * fc;
    const double g[5] = {1.1468, 1.3712, 1.9750, 1.3712, 1.1468};
    Abcd m;
    for (int k = 0; k < 5; ++k) {
        if (k % 2 == 0)
            m = Cascade(m, ShuntAdmittance(kJ * w * (g[k] / (kZ0 * wc))));
        else
            m = Cascade(m, SeriesImpedance(Inductor(w, g[k] * kZ0 / wc, q)));
    }
    return ToS(m);
}

SMatrix Attenuator10(double) {
    const double k = std::pow(10.0, 10.0 / 20.0);
    const double shunt = kZ0 * (k + 1.0) / (k - 1.0);
    const double series = kZ0 * (k * k - 1.0) / (2.0 * k);
    return ToS(Cascade(Cascade(ShuntAdmittance(1.0 / shunt), SeriesImpedance(series)),
                       ShuntAdmittance(1.0 / shunt)));
}

SMatrix OpenCable(double f) {
    const double length = 5.0, vf = 0.66, c0 = 299792458.0;
    const double db_per_m_10mhz = 4.6 / 100.0;
    const double alpha = db_per_m_10mhz / 8.685889638 * std::sqrt(std::max(f, 0.0) / 10.0e6);
    const double beta = 2.0 * kPi * f / (vf * c0);
    const Abcd line = TransmissionLine(kZ0, Cplx(alpha, beta) * length);
    // Input impedance with the far end open: A / C.
    if (std::abs(line.c) == 0.0) return OnePort(1.0);
    return OnePort(ReflectionOf(line.a / line.c));
}

SMatrix SeriesRlcToGround(double f) {
    const double r = 10.0, l = 1.0e-6, c = 100.0e-12;
    const double w = 2.0 * kPi * std::max(f, 1.0);
    const Cplx z = r + kJ * w * l + Capacitor(w, c);
    return ToS(ShuntAdmittance(1.0 / z));
}

std::vector<std::string> BuiltinDeviceNames() {
    std::vector<std::string> names;
    for (const auto& b : kBuiltins) names.emplace_back(b.name);
    return names;
}

std::unique_ptr<Device> MakeDevice(std::string_view nameOrPath, std::string& error) {
    const std::string key = Lower(nameOrPath);
    for (const auto& b : kBuiltins)
        if (key == b.name) return std::make_unique<FunctionDevice>(b.name, b.f);
    return ReadTouchstoneDevice(std::string(nameOrPath), error);
}

} // namespace sim
