#pragma once
// Skala: one axis of a graph. It holds the shown range (min .. max, ten
// divisions of width Div), the hard limits the range may not leave
// (Low .. High), the pixel span it is drawn on (Offset, Points, Reverse),
// maps values to pixels and back, and carries the zoom and pan operations:
// shift by a division or a fine step, change the division along the step
// sequence typed in Ticks while the Nail line keeps its value, and snap the
// range to a multiple of the division. All values are whole numbers in the
// unit of the axis; every real-to-integer conversion rounds halves to even.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class Skala : public QObject {
    Q_OBJECT
public:
    static constexpr int kSteps = 11;           ///< step table slots 0..10
    static constexpr int16_t kEndMark = 10;     ///< marks the end of the step sequence
    using StepTable = std::array<int16_t, kSteps>;

    explicit Skala(QObject* parent = nullptr);

    /// "Max Sets maxpoint for scale". The let recomputes Div = (max - min) / 10
    /// and Mid, and raises NewDivision.
    int32_t max() const { return max_; }
    void setMax(int32_t vNewValue);

    /// "Indicates Division step first digit": the step sequence as typed, e.g.
    /// "1,2,5". The let rebuilds the step table; a text with more than eleven
    /// numbers, or a number beyond 16 bits, is refused (text and table stay).
    QString Ticks() const { return ticks_; }
    void setTicks(const QString& vNewValue);
    const StepTable& Steps() const { return steps_; }

    /// "Returns Current division". The let sets Div and Mid; max is not touched.
    int32_t Div() const { return div_; }
    void setDiv(int32_t vNewValue);

    /// "Indicates Fine Step's per division".
    int16_t Fine() const { return fine_; }
    void setFine(int16_t vNewValue) { fine_ = vNewValue; }

    /// "Returns value of scale point": Div * index + min for 0 <= index <= 10, else 0.
    int32_t valu(double index) const;

    /// "Moves whole scale one division": down by Div unless min - Div < Low.
    void Dn();
    /// "Moves scale one Division Up": up by Div unless max + Div > High.
    void Up();
    /// "Increseas Division": next larger step, the nail line keeps its value;
    /// refused (range unchanged) when the range would reach a limit.
    void IncDiv();
    /// "Decreases Division": next smaller step, as IncDiv.
    void DecDiv();
    /// "Moves whole scale fine up": both bounds up by Div / Fine, each rounded;
    /// no limit check. Nothing happens while Fine is 0.
    void FineUp();
    /// "Movesd whole scale fine down": as FineUp, downwards.
    void FineDn();

    /// "Fixes point on division changes": the division line 0..10 whose value
    /// stays on IncDiv/DecDiv; other values are ignored.
    int16_t Nail() const { return nail_; }
    void setNail(int16_t vNewValue);

    int32_t Low() const { return low_; }
    void setLow(int32_t vNewValue) { low_ = vNewValue; }
    int32_t High() const { return high_; }
    void setHigh(int32_t vNewValue) { high_ = vNewValue; }
    int32_t Offset() const { return offset_; }
    void setOffset(int32_t vNewValue) { offset_ = vNewValue; }
    int32_t Points() const { return points_; }
    void setPoints(int32_t vNewValue) { points_ = vNewValue; }

    /// Value to pixel: values within Low .. High map linearly (min at Offset,
    /// max at Offset + Points; swapped when Reverse) and are clamped to the
    /// window; values below Low / above High go to the matching edge. With
    /// max == min (or a value that is not a number) the result is the
    /// window edge of min.
    int32_t GetPoint(double value) const;
    /// Pixel to value, the inverse of GetPoint, not clamped. With Points == 0
    /// the result is the value at the start of the window (min, or max when Reverse).
    double GetValue(int32_t pixel) const;

    /// The lower bound; the let accepts any number and rounds it, then
    /// recomputes Div and Mid like setMax. Not-a-number is ignored.
    int32_t min() const { return min_; }
    void setMin(double vNewValue);

    /// Value of division 5: min + 5 * Div.
    int32_t Mid() const { return mid_; }

    /// True: max is drawn at Offset and min at Offset + Points (vertical axes).
    bool Reverse() const { return reverse_; }
    void setReverse(bool vNewValue) { reverse_ = vNewValue; }

    /// Moves the range so the nail line lands on a multiple of Div, unless
    /// that would leave Low .. High. Raises NewDivision either way.
    void Center();

    /// The division after `div` in the step sequence (1, 2, 5 -> 10, 20, ...),
    /// or nothing when its leading part has no entry in the table.
    std::optional<int32_t> NextLargerStep(int32_t div) const;
    /// The division before `div` in the step sequence; it does not go below the
    /// first entry. Nothing when the leading part has no entry in the table.
    std::optional<int32_t> NextSmallerStep(int32_t div) const;

signals:
    /// Raised after max, min and Div are set and after IncDiv, DecDiv, FineUp,
    /// FineDn and Center (not after Up and Dn).
    void NewDivision();

private:
    void RangeChanged();
    void StepDivision(std::optional<int32_t> next);
    void FineShift(int sign);
    void SetMid();
    int16_t Entry(int i) const { return i >= 0 && i < kSteps ? steps_[i] : kEndMark; }
    int FirstNotBelow(int32_t m) const;

    int32_t max_ = 0;
    int32_t min_ = 0;
    int32_t div_ = 1;
    int32_t prevDiv_ = 0;   // Div before the last IncDiv/DecDiv
    QString ticks_;
    StepTable steps_{};
    int16_t fine_ = 0;
    int16_t nail_ = 0;
    int32_t low_ = 0;
    int32_t mid_ = 0;
    int32_t high_ = 0;
    int32_t offset_ = 0;
    int32_t points_ = 0;
    bool reverse_ = false;
    int32_t nailValue_ = 0; // value of the nail line before the last division step
};
