#include "display/calib/calib_plan.h"

#include "display/calib/calib_table.h"
#include "link/text_rules.h"

namespace {

/// One step of a block: the slot, the switch lines and the Info text.
struct BlockStep {
    int16_t plug;
    bool bridge, swap;
    const char* info;
};

class Builder {
public:
    Builder(CalibPlan& plan, const PlanChoice& choice, int16_t time)
        : plan_(plan), choice_(choice), time_(time) {}

    /// Appends the block's steps for every ticked speed; `prompt` goes on
    /// the first step that carries one while the first flag is set.
    void Block(bool first, const char* prompt, std::initializer_list<BlockStep> steps) {
        if (first)
            first_ = true;
        for (int16_t speed = 0; speed < 4; ++speed) {
            if (!choice_.Sped[static_cast<size_t>(speed)])
                continue;
            for (const BlockStep& b : steps) {
                if (k_ >= kPlanSteps - 1)
                    return;
                PlanStep& p = plan_[static_cast<size_t>(k_++)];
                p.Plug = b.plug;
                p.Speed = speed;
                p.Bits = 24;
                p.time = time_;
                p.Bridge = b.bridge;
                p.Swap = b.swap;
                p.Info = std::string(b.info) + txt::N(speed);
                // The SWAP step of a switch block never carries the prompt.
                if (first_ && prompt && !b.swap) {
                    p.UserAction = prompt;
                    p.UE = false;
                    first_ = false;
                } else {
                    p.UE = true;
                }
            }
        }
    }

    int Finish() {
        PlanStep& e = plan_[static_cast<size_t>(k_)];
        e.Plug = kSlotLoadB;
        e.Speed = 4;
        e.Bits = 24;
        e.time = time_;
        e.End = true;
        return k_ + 1;
    }

private:
    CalibPlan& plan_;
    const PlanChoice& choice_;
    int16_t time_;
    int k_ = 0;
    bool first_ = false;
};

std::string Bool(bool b) { return b ? "True" : "False"; }

} // namespace

int BuildCalibrationPlan(CalibPlan& plan, const PlanChoice& choice, int16_t CalWaitTime,
                         std::string& SwitchOption) {
    plan.fill(PlanStep{});
    const bool withSwitch = choice.S_Swi_Cal && choice.RefCal;
    const bool plain = choice.RefCal && !choice.S_Swi_Cal;
    Builder b(plan, choice, CalWaitTime);
    b.Block(true, "Mount Thru Cable", {{kSlotThru, false, false, "Thru Speed="}});
    if (withSwitch) {
        SwitchOption = " Switch ";
        b.Block(false, nullptr,
                {{kSlotLoadB, true, false, "Load W. Switch NOSWAP Speed="},
                 {kSlotLoadBS, true, true, "Load W. Switch SWAP Speed="}});
    }
    b.Block(true, "Leave Detector open", {{kSlotOpeD, false, false, "Open Detector Speed="}});
    if (withSwitch) {
        b.Block(true, "Leave Ports Open",
                {{kSlotOpeB, true, false, "Open W. Switch NOSWAP Speed="},
                 {kSlotOpeBS, true, true, "Open W. Switch SWAP Speed="}});
        b.Block(true, "Short Ports",
                {{kSlotShoB, true, false, "Short W. Switch NOSWAP Speed="},
                 {kSlotShoBS, true, true, "Sort W. Switch SWAP Speed="}});
    }
    if (plain) {
        b.Block(true, "Open Bridge", {{kSlotOpeB, false, false, "Open Speed="}});
        b.Block(true, "Short Bridge", {{kSlotShoB, false, false, "Short Speed="}});
        b.Block(true, "Load Bridge", {{kSlotLoadB, false, false, "Load Speed="}});
    }
    return b.Finish();
}

ColumnLine& ColumnLine::At(int column, std::string_view text) {
    const size_t start = static_cast<size_t>(column > 0 ? column - 1 : 0);
    if (line_.size() < start)
        line_.append(start - line_.size(), ' ');
    else if (line_.size() > start)
        line_ += ' ';
    line_ += text;
    return *this;
}

std::string ListCalibrationPlan(const CalibPlan& plan) {
    static constexpr int kCol[] = {1, 5, 10, 20, 30, 40, 50, 60, 66, 72, 80, 88, 96, 136};
    static constexpr const char* kHead[] = {"Ind",  "Plug", "Speed", "Bits", "time",
                                            "Bridge", "Swap", "UE",  "SS",   "SE",
                                            "Act",  "End",  "Info",  "User Action"};
    std::string out = " \r\nLast Used Calibration Plan\r\n";
    ColumnLine head;
    for (size_t i = 0; i < std::size(kCol); ++i)
        head.At(kCol[i], kHead[i]);
    out += head.str() + "\r\n";
    for (int i = 0; i < kPlanSteps; ++i) {
        const PlanStep& p = plan[static_cast<size_t>(i)];
        const std::string items[] = {txt::N(i),        txt::N(p.Plug), txt::N(p.Speed),
                                     txt::N(p.Bits),   txt::N(p.time), Bool(p.Bridge),
                                     Bool(p.Swap),     Bool(p.UE),     Bool(p.SS),
                                     Bool(p.SE),       Bool(p.Act),    Bool(p.End),
                                     p.Info,           p.UserAction};
        ColumnLine line;
        for (size_t c = 0; c < std::size(kCol); ++c)
            line.At(kCol[c], items[c]);
        out += line.str() + "\r\n";
        if (p.End)
            break;
    }
    return out;
}
