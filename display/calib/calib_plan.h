#pragma once
// The calibration plan: the list of steps the calibration window runs, built
// from its check boxes. Each step measures one standard (a calibration slot)
// at one converter speed with one switch setting; a step whose user action
// is not done yet waits for the user first. Also the plan's listing for the
// diagnostic dump and the column layout both use.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

constexpr int kPlanSteps = 51;  ///< plan steps 0..50 (the builder needs at most 33)

/// One step of the plan.
struct PlanStep {
    int16_t Plug = 0;   ///< calibration slot to fill (0..7)
    int16_t Speed = 0;  ///< converter speed code 0..3 (4 on the End step)
    int16_t Bits = 0;   ///< converter bits, 24
    int16_t time = 0;   ///< per-entry time of the step's scan
    std::string UserAction;  ///< prompt shown before the step while UE is false
    std::string Info;        ///< what the step measures, shown while it runs
    bool Bridge = false;     ///< bridge switch line (B0 value 4)
    bool Swap = false;       ///< port swap line (B0 value 8)
    bool End = false;        ///< the last step of the plan
    bool UE = false;         ///< the user action is done; the step may run
    bool Act = false;        ///< the step has been activated
    bool SS = false;         ///< always false
    bool SE = false;         ///< the step's scan has ended

    /// The switch word of the step: 4 for the bridge, plus 8 for the swap.
    int16_t B0() const { return static_cast<int16_t>((Bridge ? 4 : 0) + (Swap ? 8 : 0)); }
};

using CalibPlan = std::array<PlanStep, kPlanSteps>;

/// The calibration window's check boxes the plan is built from.
struct PlanChoice {
    bool S_Swi_Cal = false;  ///< "S-Switch": the test-set switch is fitted
    bool RefCal = true;      ///< "Reflection Calibration"
    bool TranCal = true;     ///< "Transfer Calibration" (does not change the plan)
    std::array<bool, 4> Sped{true, false, false, false};  ///< speeds 0..3 to calibrate
};

/// Builds the plan into `plan` (every step reset first) and returns the
/// number of steps, the End step included. Blocks, each over the ticked
/// speeds in ascending order: thru; with the switch (S_Swi_Cal and RefCal)
/// load without and with the swap; detector open; with the switch open and
/// short without and with the swap; with RefCal alone open, short and load;
/// then the End step (Plug 4, Speed 4). Every step gets Bits 24 and
/// time := CalWaitTime. With the switch, SwitchOption becomes " Switch ".
int BuildCalibrationPlan(CalibPlan& plan, const PlanChoice& choice, int16_t CalWaitTime,
                         std::string& SwitchOption);

/// Builds a line of items placed at given columns (1-based character
/// positions). An item shorter than the space to the next column is padded
/// with blanks; a longer one pushes the next item one blank past its end.
class ColumnLine {
public:
    ColumnLine& At(int column, std::string_view text);
    const std::string& str() const { return line_; }

private:
    std::string line_;
};

/// The plan as the dump lists it, lines ended by CR LF: a line of one
/// blank, "Last Used Calibration Plan", the header "Ind Plug Speed Bits time
/// Bridge Swap UE SS SE Act End Info User Action" at columns 1, 5, 10, 20,
/// 30, 40, 50, 60, 66, 72, 80, 88, 96, 136, and one line per step from 0
/// up to and including the first End step (numbers with a leading blank
/// when not negative, Booleans "True"/"False").
std::string ListCalibrationPlan(const CalibPlan& plan);
