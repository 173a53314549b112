#include "display/sfile/sdata_listing.h"

#include "link/text_rules.h"

#include <cmath>
#include <string>
#include <string_view>

namespace {

void Line(std::ostream& out, std::string_view label, std::string_view value) {
    out << label << '=' << value << "\r\n";
}

std::string Num(double x) {
    if (std::fabs(x) < 1e15 && x == std::trunc(x))
        return txt::N(static_cast<long long>(x));
    const std::string t = txt::DecimalText(x);
    return x < 0 ? t : " " + t;
}

} // namespace

void ListSdataHeaders(std::ostream& out, const std::array<SdataHeadRec, kSdataTables>& heads) {
    for (int i = 0; i < kSdataTables; ++i) {
        const SdataHeadRec& h = heads[i];
        Line(out, " Sdata table header no=", txt::N(i));
        Line(out, " Filename =", h.Filename);
        Line(out, " Start QRG=", Num(h.StartQRG));
        Line(out, " End   QRG=", Num(h.EndQRG));
        Line(out, " Fileext  =", h.Fileext);
        Line(out, " Sform    =", h.Sform);
        Line(out, " Info     =", h.Info);
        Line(out, " Length   =", txt::N(h.Length));
        Line(out, " LiveDead =", h.LiveDead ? "True" : "False");
        Line(out, " S11      =", txt::N(h.S11));
        Line(out, " S21      =", txt::N(h.S21));
        Line(out, " S12      =", txt::N(h.S12));
        Line(out, " S22      =", txt::N(h.S22));
        Line(out, " Type     =", h.Type);
        Line(out, " Unit     =", h.Unit);
        Line(out, " Impedanse=", txt::N(h.Impedanse));
        out << "  \r\n";
    }
}
