#include "display/config/vna_check.h"

#include <array>

int VnaCheck::ConversionMs(int speed) {
    static constexpr std::array<int, 4> kMs{133, 40, 20, 10};
    return speed >= 0 && speed < 4 ? kMs[static_cast<size_t>(speed)] : kMs[0];
}

VnaCheck::Verdict VnaCheck::Begin(bool linkUp, const std::string& stopped, int speed,
                                  int settleMs) {
    lines_.clear();
    reason_.clear();
    rows_ = 0;
    sawRow0_ = false;
    rowLimitMs_ = 10 * ConversionMs(speed) + (settleMs > 0 ? settleMs : 0) + 1000;
    if (!linkUp)
        return Fail("the server is not connected");
    lines_.push_back("Link to the server: up");
    if (!stopped.empty())
        return Fail("the sweep is stopped (" + stopped + ")");
    verdict_ = Verdict::Running;
    return verdict_;
}

VnaCheck::Verdict VnaCheck::Row(int16_t table, int16_t idx, int32_t data) {
    if (verdict_ != Verdict::Running || table != 0)
        return verdict_;
    ++rows_;
    if (idx == 0) {
        sawRow0_ = true;
        return verdict_;
    }
    if (idx != 1 || !sawRow0_)
        return verdict_;
    lines_.push_back("Converter: answers, " + std::to_string(rows_) +
                     " readings each within " + std::to_string(rowLimitMs_) + " ms");
    const std::string range =
        std::to_string(-kReferenceLimit) + " .. " + std::to_string(kReferenceLimit);
    lines_.push_back("Reference reading (synthesizers off): " + std::to_string(data) +
                     " counts, expected " + range);
    if (data < -kReferenceLimit || data > kReferenceLimit)
        return Fail("the reference reading is out of range: check the detector and the "
                    "converter's supply");
    verdict_ = Verdict::Passed;
    return verdict_;
}

VnaCheck::Verdict VnaCheck::State(int code) {
    if (verdict_ == Verdict::Running && code == kStateNoAnswer)
        return Fail(kNoAnswerText);
    return verdict_;
}

VnaCheck::Verdict VnaCheck::Timeout() {
    if (verdict_ != Verdict::Running)
        return verdict_;
    return Fail("no reading within " + std::to_string(rowLimitMs_) +
                " ms: the converter does not answer in its time");
}

VnaCheck::Verdict VnaCheck::Fail(std::string reason) {
    reason_ = std::move(reason);
    verdict_ = Verdict::Failed;
    return verdict_;
}

std::string VnaCheck::Report() const {
    std::string r;
    for (const std::string& l : lines_)
        r += l + "\n";
    switch (verdict_) {
    case Verdict::Idle: break;
    case Verdict::Running: r += "Test VNA running..."; break;
    case Verdict::Passed: r += "Test VNA passed"; break;
    case Verdict::Failed: r += "Test VNA failed: " + reason_; break;
    }
    return r;
}
