#pragma once
// The short check of the analyser behind the configuration window's
// "Test VNA" button, without widgets or timers: the owner starts it, restarts
// the measurement sweep (so that the reference entry comes at once), feeds
// it the rows and state reports the server sends and tells it when the
// time of a row has passed without one. It asks, in this order:
//   1. is the server connected and the sweep running;
//   2. does the converter answer: every row arrives within rowLimitMs() and
//      the server does not report "converter does not answer" (state 95);
//   3. is the reference reading (row 1: both synthesizers powered down, so
//      the detector's offset alone) within kReferenceLimit of zero.
// Standard C++ only.

#include <cstdint>
#include <string>
#include <vector>

class VnaCheck {
public:
    enum class Verdict { Idle, Running, Passed, Failed };

    /// The server's state reports about the converter.
    static constexpr int kStateNoAnswer = 95;
    static constexpr int kStateAnswers = 96;
    /// The reference reading must lie within +-kReferenceLimit counts: one
    /// eighth of the converter's full scale of +-2^24.
    static constexpr int32_t kReferenceLimit = 1 << 21;
    /// What the user is told when the converter does not answer.
    static constexpr const char* kNoAnswerText =
        "the analyser does not answer: is it switched on and connected?";

    /// Conversion time of converter speed 0..3 in milliseconds (slowest
    /// first); other indexes count as the slowest.
    static int ConversionMs(int speed);

    /// Starts a check. `linkUp`: the server is connected and scanning;
    /// `stopped`: why the sweep does not run (empty when it runs); `speed`
    /// and `settleMs` of the sweep. Fails at once without a link or while
    /// the sweep is stopped; otherwise the owner restarts the sweep now.
    Verdict Begin(bool linkUp, const std::string& stopped, int speed, int settleMs);
    /// The longest a row may take: ten conversions (the server's own limit
    /// before it reports state 95), the settling time, and one second for
    /// the link. The owner calls Timeout() when it passes without a row.
    int rowLimitMs() const { return rowLimitMs_; }
    /// A measured row (table, row index, reading).
    Verdict Row(int16_t table, int16_t idx, int32_t data);
    /// A state report of the server.
    Verdict State(int code);
    /// rowLimitMs() passed since Begin or the last row.
    Verdict Timeout();

    Verdict verdict() const { return verdict_; }
    /// The result for the user, one finding per line; the last line is the
    /// verdict ("Test VNA passed" or "Test VNA failed: " and the reason).
    std::string Report() const;

private:
    Verdict Fail(std::string reason);

    Verdict verdict_ = Verdict::Idle;
    std::vector<std::string> lines_;
    std::string reason_;
    int rowLimitMs_ = 0;
    int rows_ = 0;
    bool sawRow0_ = false;
};
