#include "link/vna.h"

#include "link/text_rules.h"

#include <array>
#include <optional>

vna::vna(QObject* parent) : QObject(parent) {}

void vna::Hand(const std::string& text) {
    emit SendData(QByteArray(text.data(), qsizetype(text.size())));
}

bool vna::MakeEvent(const QByteArray& text) {
    msg::SplitFields(std::string_view(text.constData(), size_t(text.size())), fields_);
    switch (msg::CodeOf(fields_)) {
    case msg::kStateinfo: {
        const auto v = txt::FieldToInt16(fields_[1]);
        if (!v)
            return false;
        emit Stateinfo(*v);
        return true;
    }
    case msg::kDataReady: {
        // Fields 1, 2 16-bit; 3 32-bit; 4 16-bit; 5 32-bit; 6..14 16-bit.
        std::array<int32_t, 14> v{};
        for (int i = 1; i <= 14; ++i) {
            std::optional<int32_t> x;
            if (i == 3 || i == 5)
                x = txt::FieldToInt32(fields_[size_t(i)]);
            else if (auto s = txt::FieldToInt16(fields_[size_t(i)]))
                x = *s;
            if (!x)
                return false;
            v[size_t(i - 1)] = *x;
        }
        auto s16 = [&](int i) { return qint16(v[size_t(i)]); };
        emit DataReady(s16(0), s16(1), v[2], s16(3), v[4], s16(5), s16(6), s16(7), s16(8),
                       s16(9), s16(10), s16(11), s16(12), s16(13));
        return true;
    }
    case msg::kEndScan:
        emit EndScan();
        return true;
    case msg::kRateinfo: {
        const auto v = txt::FieldToInt16(fields_[1]);
        if (!v)
            return false;
        emit Rateinfo(*v);
        return true;
    }
    default:
        return false;
    }
}

void vna::SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                    int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                    int16_t B4) {
    Hand(msg::SetUpScan(ta, numtest, SF, EF, ADCS, VnaT, ADCBi, B0, B1, B2, B3, B4));
}

void vna::SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                     int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                     int16_t B4) {
    Hand(msg::SetUpEntry(ta, Idx, F, ADCS, VnaT, ADCBi, e, B0, B1, B2, B3, B4));
}

void vna::EditEntry(int16_t ta, int16_t Idx, const QByteArray& Fiel, int32_t valu) {
    Hand(msg::EditEntry(ta, Idx, std::string_view(Fiel.constData(), size_t(Fiel.size())), valu));
}

void vna::MarkEnd(int16_t ta, int16_t Idx) { Hand(msg::MarkEnd(ta, Idx)); }
void vna::NewScan(int16_t ta) { Hand(msg::NewScan(ta)); }
void vna::Stopscan() { Hand(msg::Stopscan()); }
void vna::StopTcp() { Hand(msg::StopTcp()); }
void vna::StartTcp() { Hand(msg::StartTcp()); }

void vna::Mount(const QByteArray& fixture) {
    Hand(msg::Mount(std::string_view(fixture.constData(), size_t(fixture.size()))));
}

void vna::ReceiveData(const QByteArray& piece) {
    rx_.Append(std::string_view(piece.constData(), size_t(piece.size())));
    std::string message;
    msg::Fields f;
    while (rx_.Next(message)) {
        msg::SplitFields(message, f);
        const int code = msg::CodeOf(f);
        if (code >= 1000 && code <= 1004)
            MakeEvent(QByteArray(message.data(), qsizetype(message.size())));
    }
}
