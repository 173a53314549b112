// Test helper for the scikit-rf cross-check.
//   touchstone_tool write <file>  writes a two-port file with the Touchstone
//                                 writer and prints the values it wrote
//   touchstone_tool read <file>   reads a file with the Touchstone reader and
//                                 prints what the table holds
// Printed lines: "point <Hz> <|S11|> <deg S11> ... <|S22|> <deg S22>", and for
// read also "length <n>", "states <S11> <S21> <S12> <S22>" and "message <text>".

#include "display/sfile/touchstone_reader.h"
#include "display/sfile/touchstone_writer.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    if (std::strcmp(argv[1], "write") == 0) {
        TouchstoneWriter w;
        w.WriteTouchstoneHeader(argv[2], "cross-check");
        for (int i = 0; i < 40; ++i) {
            const double f = 4000000.0 + i * 15123457.0;  // 0.1 Hz units, uneven
            std::array<double, 8> v{};
            for (int k = 0; k < 4; ++k) {
                v[2 * k] = 0.05 + 0.9 * std::fabs(std::sin(0.37 * i + k));
                v[2 * k + 1] = -180 + std::fmod(47.123456 * i + 91.5 * k, 360.0);
            }
            w.WriteTouchstoneLine(f, v);
            std::printf("point %.17g", f / 10);
            for (double x : v)
                std::printf(" %.17g", x);
            std::printf("\n");
        }
        std::string error;
        if (!w.Close(error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        return 0;
    }
    if (std::strcmp(argv[1], "read") == 0) {
        auto table = std::make_unique<SdataTable>();
        SdataHeadRec head;
        const TouchstoneStatus st = ReadTouchstone(argv[2], *table, head);
        if (!st.message.empty())
            std::printf("message %s\n", st.message.c_str());
        std::printf("length %d\nstates %d %d %d %d\n", head.Length, head.S11, head.S21, head.S12,
                    head.S22);
        for (int i = 0; i < head.Length; ++i) {
            std::printf("point %.17g", (*table)[i].Qrg / 10.0);
            for (int k = 0; k < 4; ++k)
                std::printf(" %.17g %.17g", (*table)[i].S[k].MA.real(),
                            (*table)[i].S[k].MA.imag() * 180 / kPi);
            std::printf("\n");
        }
        return st.ok ? 0 : 1;
    }
    return 2;
}
