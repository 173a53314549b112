#include "display/sfile/sdata_listing.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

TEST(ListSdataHeaders, AllTablesWithEveryField) {
    std::array<SdataHeadRec, kSdataTables> heads{};
    SdataHeadRec& h = heads[3];
    h.Filename = "bpf";
    h.StartQRG = 10000000;
    h.EndQRG = 12.5;
    h.Fileext = "S2P";
    h.Sform = "MA";
    h.Info = "! a\r! b\r";
    h.Length = 101;
    h.LiveDead = true;
    h.S11 = 3;
    h.S21 = -1;
    h.Type = "S";
    h.Unit = "MHZ";
    h.Impedanse = 50;
    std::ostringstream out;
    ListSdataHeaders(out, heads);
    const std::string text = out.str();
    const std::string table3 =
        " Sdata table header no== 3\r\n"
        " Filename ==bpf\r\n"
        " Start QRG== 10000000\r\n"
        " End   QRG== 12.5\r\n"
        " Fileext  ==S2P\r\n"
        " Sform    ==MA\r\n"
        " Info     ==! a\r! b\r\r\n"
        " Length   == 101\r\n"
        " LiveDead ==True\r\n"
        " S11      == 3\r\n"
        " S21      ==-1\r\n"
        " S12      ==-1\r\n"
        " S22      ==-1\r\n"
        " Type     ==S\r\n"
        " Unit     ==MHZ\r\n"
        " Impedanse== 50\r\n"
        "  \r\n";
    EXPECT_NE(text.find(table3), std::string::npos);
    // An unused table: empty strings, zero numbers, False.
    SdataHeadRec unused;
    unused.S11 = unused.S21 = unused.S12 = unused.S22 = 0;
    unused.Impedanse = 0;
    heads[12] = unused;
    std::ostringstream out2;
    ListSdataHeaders(out2, heads);
    const std::string t2 = out2.str();
    EXPECT_EQ(t2.substr(t2.rfind(" Sdata table header no==")),
              " Sdata table header no== 12\r\n Filename ==\r\n Start QRG== 0\r\n"
              " End   QRG== 0\r\n Fileext  ==\r\n Sform    ==\r\n Info     ==\r\n"
              " Length   == 0\r\n LiveDead ==False\r\n S11      == 0\r\n S21      == 0\r\n"
              " S12      == 0\r\n S22      == 0\r\n Type     ==\r\n Unit     ==\r\n"
              " Impedanse== 0\r\n  \r\n");
    EXPECT_EQ(std::count(t2.begin(), t2.end(), '\n'), 13 * 17);
}

} // namespace
