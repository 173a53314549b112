#include "link/vna.h"

#include "link/messages.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

QByteArray B(const std::string& s) { return QByteArray(s.data(), qsizetype(s.size())); }

} // namespace

TEST(VnaCommands, HandsOutTheCommandTexts) {
    vna v;
    QSignalSpy sent(&v, &vna::SendData);
    v.SetUpScan(0, 100, 490000, 600000000, 3, 20, 24, 255, 255, 255, 255, 255);
    v.SetUpEntry(1, 3, 10000000, 2, 8, 24, 1, 4, 0, 0, 0, 0);
    v.EditEntry(0, 12, "B0", 4);
    v.MarkEnd(0, 7);
    v.NewScan(1);
    v.Stopscan();
    v.StopTcp();
    v.StartTcp();
    v.Mount("SHORT");
    ASSERT_EQ(sent.count(), 9);
    auto text = [&](int i) { return sent.at(i).at(0).toByteArray(); };
    EXPECT_EQ(text(0), "0001  0  100  490000  600000000  3  20  24  255  255  255  255  255 ");
    EXPECT_EQ(text(1), "0002  1  3  10000000  2  8  24  1  4  0  0  0  0 ");
    EXPECT_EQ(text(2), "0003  0  12  B0  4");
    EXPECT_EQ(text(3), "0004   0  7 ");
    EXPECT_EQ(text(4), "0005  1 ");
    EXPECT_EQ(text(5), "0006 ");
    EXPECT_EQ(text(6), "0007 ");
    EXPECT_EQ(text(7), "0008 ");
    EXPECT_EQ(text(8), "0100 SHORT ");
    // The sender's closing " #".
    EXPECT_EQ(B(msg::WithTerminator(text(3).toStdString())), "0004   0  7  #");
}

TEST(VnaMakeEvent, RaisesTheEventOfEachReport) {
    vna v;
    QSignalSpy data(&v, &vna::DataReady);
    QSignalSpy end(&v, &vna::EndScan);
    QSignalSpy rate(&v, &vna::Rateinfo);
    QSignalSpy state(&v, &vna::Stateinfo);

    EXPECT_TRUE(v.MakeEvent("1001  0  5  100000  8 -1234  5  2  24  8  255  255  255  255  255  "));
    ASSERT_EQ(data.count(), 1);
    const QList<QVariant> a = data.at(0);
    EXPECT_EQ(a.at(0).value<qint16>(), 0);
    EXPECT_EQ(a.at(1).value<qint16>(), 5);
    EXPECT_EQ(a.at(2).value<qint32>(), 100000);
    EXPECT_EQ(a.at(3).value<qint16>(), 8);
    EXPECT_EQ(a.at(4).value<qint32>(), -1234);
    EXPECT_EQ(a.at(5).value<qint16>(), 5);
    EXPECT_EQ(a.at(6).value<qint16>(), 2);
    EXPECT_EQ(a.at(7).value<qint16>(), 24);
    EXPECT_EQ(a.at(8).value<qint16>(), 8);
    for (int i = 9; i < 14; ++i)
        EXPECT_EQ(a.at(i).value<qint16>(), 255);

    // 32-bit extremes in the 32-bit fields.
    EXPECT_TRUE(v.MakeEvent("1001 1 1200 -2147483648 0 2147483647 0 0 0 0 0 0 0 0 0"));
    ASSERT_EQ(data.count(), 2);
    EXPECT_EQ(data.at(1).at(2).value<qint32>(), INT32_MIN);
    EXPECT_EQ(data.at(1).at(4).value<qint32>(), INT32_MAX);

    EXPECT_TRUE(v.MakeEvent("1002 "));
    EXPECT_TRUE(v.MakeEvent("1003  37 "));
    EXPECT_TRUE(v.MakeEvent("1000  88"));
    EXPECT_EQ(end.count(), 1);
    ASSERT_EQ(rate.count(), 1);
    EXPECT_EQ(rate.at(0).at(0).value<qint16>(), 37);
    ASSERT_EQ(state.count(), 1);
    EXPECT_EQ(state.at(0).at(0).value<qint16>(), 88);

    // Codes with no event.
    EXPECT_FALSE(v.MakeEvent("1004  1"));
    EXPECT_FALSE(v.MakeEvent("0002  1"));
    EXPECT_FALSE(v.MakeEvent(""));
    EXPECT_EQ(data.count() + end.count() + rate.count() + state.count(), 5);
}

TEST(VnaMakeEvent, DropsReportsThatDoNotConvert) {
    vna v;
    QSignalSpy data(&v, &vna::DataReady);
    QSignalSpy rate(&v, &vna::Rateinfo);
    QSignalSpy state(&v, &vna::Stateinfo);
    // A letter where a number is due.
    EXPECT_FALSE(v.MakeEvent("1001  0  5  100000  8 -12x4  5  2  24  8  255  255  255  255  255"));
    // 16-bit field out of range (row 40000), 32-bit field out of range.
    EXPECT_FALSE(v.MakeEvent("1001  0  40000  100000  8  1  5  2  24  8  255  255  255  255  255"));
    EXPECT_FALSE(v.MakeEvent("1001  0  5  2147483648  8  1  5  2  24  8  255  255  255  255  255"));
    // Too few fields.
    EXPECT_FALSE(v.MakeEvent("1001  0  5  100000  8  1  5  2  24  8  255  255  255  255"));
    EXPECT_FALSE(v.MakeEvent("1003  abc"));
    EXPECT_FALSE(v.MakeEvent("1003"));
    EXPECT_FALSE(v.MakeEvent("1000  99999"));
    EXPECT_EQ(data.count() + rate.count() + state.count(), 0);

    // More than 101 fields: the extra ones are cut off, the report stands.
    QByteArray longReport = "1001  0  5  100000  8  1  5  2  24  8  255  255  255  255  255";
    for (int i = 0; i < 200; ++i)
        longReport += " 7";
    EXPECT_TRUE(v.MakeEvent(longReport));
    EXPECT_EQ(data.count(), 1);
}

TEST(VnaReceive, FramesReportsAcrossPieces) {
    vna v;
    QSignalSpy data(&v, &vna::DataReady);
    QSignalSpy end(&v, &vna::EndScan);
    QSignalSpy rate(&v, &vna::Rateinfo);

    // Two reports in one piece raise two events, in order.
    v.ReceiveData(B(msg::DataReady(0, 1, 5, 0, 7, 1, 0, 24, 20, 0, 0, 0, 0, 0) + msg::EndScan()));
    ASSERT_EQ(data.count(), 1);
    EXPECT_EQ(end.count(), 1);

    // A report split after its code raises its event only when the rest comes.
    const QByteArray r = B(msg::Rateinfo(12));
    v.ReceiveData(r.left(5));
    EXPECT_EQ(rate.count(), 0);
    v.ReceiveData(r.mid(5));
    ASSERT_EQ(rate.count(), 1);
    EXPECT_EQ(rate.at(0).at(0).value<qint16>(), 12);

    // Commands and unknown codes are not reports.
    v.ReceiveData("0005  1  #1004 #2 #");
    EXPECT_EQ(data.count() + end.count() + rate.count(), 3);
}

TEST(VnaReceive, EndlessTextWithoutHashCannotExhaustMemory) {
    vna v;
    QSignalSpy end(&v, &vna::EndScan);
    const QByteArray junk(64 * 1024, 'x');
    for (int i = 0; i < 160; ++i) // 10 MiB without a "#"
        v.ReceiveData(junk);
    EXPECT_LE(v.pending(), msg::FrameBuffer::kMaxMessage);
    v.ReceiveData("#1002 #");
    EXPECT_EQ(end.count(), 1); // the overlong text is dropped, the next report stands
}
