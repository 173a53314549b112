#pragma once
// Markers of the graphs and their readings. Up to eleven markers, each at a
// frequency, on the magnitude or the phase of one parameter (or, as a
// frequency marker, on the parameter being measured). A marker keeps its
// frequency; its value follows the live table on every sweep. One marker may
// be the reference: the others then show their differences to it.
// The readings are plain functions of the measured reflection or
// transmission coefficient, shared by the frequency graph and the Smith chart.

#include "display/measure/measure_state.h"

#include <array>
#include <complex>
#include <optional>

/// Kinds of marker records: 0..3 magnitude of S11, S21, S12, S22; 4 at a
/// frequency (on the measured parameter's magnitude); 5..8 phase of S11..S22.
enum MarkerKind : int16_t {
    kMarkMagS11 = 0, kMarkMagS21, kMarkMagS12, kMarkMagS22,
    kMarkQrg = 4,
    kMarkPhaseS11 = 5, kMarkPhaseS21, kMarkPhaseS12, kMarkPhaseS22,
};

struct MarkerRecord {
    bool used = false;
    int16_t kind = kMarkQrg;
    double frequency = 0;   ///< 0.1 Hz
    int16_t scale = 0;      ///< index of the scale its value belongs to (0..3)
    double value = 0;       ///< on that scale
};

/// The captured right-click (MarkerId): frequency and the values on the
/// scales 0..3 under the pointer.
struct MarkerClick {
    bool valid = false;
    double frequency = 0;
    std::array<double, 4> values{};
};

/// Everything the marker table shows for one parameter at a marker.
struct MarkerReading {
    bool found = false;
    int k = 0;                 ///< parameter 0 S11 .. 3 S22
    double frequencyHz = 0;
    std::complex<double> s;    ///< the interpolated coefficient
    double db = 0;             ///< 20 log10 |s|
    double phaseDeg = 0;       ///< -180 .. 180
    // reflection only
    double returnLoss = 0;     ///< dB, positive for a passive load
    double vswr = 0;           ///< infinite at |s| >= 1
    std::complex<double> z;    ///< ohms
    double henry = 0;          ///< equivalent series inductance (X > 0), else 0
    double farad = 0;          ///< equivalent series capacitance (X < 0), else 0
    // transmission only
    std::optional<double> groupDelay;  ///< seconds, from the neighbouring points
};

// ---- formulas ----
double ReturnLoss(std::complex<double> gamma);
double Vswr(std::complex<double> gamma);
/// Z = z0 (1 + Γ) / (1 - Γ); an infinite real part at Γ = 1.
std::complex<double> Impedance(std::complex<double> gamma, double z0 = 50.0);
/// The series inductance (X > 0) or capacitance (X < 0) of reactance X at f
/// (Hz); both 0 when X is 0 or f is not positive.
void EquivalentLC(double x, double hz, double& henry, double& farad);
/// -dφ/dω between two points (phases in radians, frequencies in Hz); the
/// phase step is taken within ±π. Nothing for equal frequencies.
std::optional<double> GroupDelay(double phi1, double phi2, double hz1, double hz2);

/// The reading of parameter k of S-data table t at frequency f (0.1 Hz),
/// interpolated between the two live points around f (magnitude and phase
/// linearly, the phase the shorter way round); group delay from those two points. Not found when the
/// table does not hold k or f lies outside its points.
MarkerReading ReadAt(const MeasureState& s, int t, double f, int k, double z0 = 50.0);

/// The table of markers shared by the windows.
class MarkerTable {
public:
    static constexpr int kMarkers = 11;

    /// MarkerId: keeps the click for the marker menu.
    void MarkerId(double frequency, double v0, double v1, double v2, double v3);
    const MarkerClick& click() const { return click_; }

    /// Places a new marker of `kind` at the last click; the marker number,
    /// or -1 when all eleven are used or no click was kept.
    int Place(int16_t kind, int smessure, bool vswr);
    /// Places a marker of `kind` at frequency f (tests, batch); -1 when full.
    int PlaceAt(int16_t kind, double f, int smessure, bool vswr);
    void Remove(int k);
    /// Moves marker k to frequency f.
    void Move(int k, double f);
    /// Makes marker k the reference (-1: none).
    void setReference(int k);
    int reference() const { return reference_; }

    const MarkerRecord& at(int k) const { return m_[static_cast<size_t>(k)]; }
    MarkerRecord& at(int k) { return m_[static_cast<size_t>(k)]; }
    bool used(int k) const { return k >= 0 && k < kMarkers && at(k).used; }
    int count() const;

    /// The parameter a marker reads (its kind's, or `smessure` for frequency markers).
    static int Parameter(int16_t kind, int smessure);
    static bool OnPhase(int16_t kind) { return kind >= kMarkPhaseS11; }
    /// The scale index a marker of this kind is drawn on.
    static int16_t ScaleOf(int16_t kind, int smessure, bool vswr);

    /// Refreshes every marker's value from the live table; returns the
    /// markers whose value changed (bit k set).
    unsigned Follow(const MeasureState& s, bool vswr);

private:
    std::array<MarkerRecord, kMarkers> m_{};
    MarkerClick click_;
    int reference_ = -1;
};
