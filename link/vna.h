#pragma once
// The display program's stand-in for the instrument server: the engine's
// commands as methods, each handed out as a command text through SendData
// (without the closing " #", which the sender appends), and the server's
// reports turned back into events. It never touches a socket or a channel;
// the owner sends what SendData gives it and feeds received text to
// ReceiveData (or whole reports to MakeEvent). QtCore only.

#include "link/messages.h"

#include <QByteArray>
#include <QObject>

#include <cstdint>

class vna : public QObject {
    Q_OBJECT
public:
    explicit vna(QObject* parent = nullptr);

    /// Raises the event of one report (its text without "#"): 1000 Stateinfo,
    /// 1001 DataReady, 1002 EndScan, 1003 Rateinfo; anything else raises
    /// nothing. A report whose numbers do not convert to their types (not a
    /// number, or outside 16/32 bits) is dropped; returns whether an event
    /// was raised.
    bool MakeEvent(const QByteArray& text);

    void SetUpScan(int16_t ta, int16_t numtest, int32_t SF, int32_t EF, int16_t ADCS,
                   int16_t VnaT, int16_t ADCBi, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                   int16_t B4);
    void SetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                    int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                    int16_t B4);
    void EditEntry(int16_t ta, int16_t Idx, const QByteArray& Fiel, int32_t valu);
    void MarkEnd(int16_t ta, int16_t Idx);
    void NewScan(int16_t ta);
    void Stopscan();
    void StopTcp();
    void StartTcp();
    /// Mounts a fixture on the simulated analyser ("THRU", "OPEND", "OPEN",
    /// "SHORT", "LOAD", "DUT"); real hardware ignores it.
    void Mount(const QByteArray& fixture);

    /// The receive routine: appends a received piece, takes out every whole
    /// report (text before each "#") and hands those with codes 1000..1004
    /// to MakeEvent. Unfinished text waits for the next piece; an endless
    /// run of text without "#" is dropped rather than stored (see
    /// msg::FrameBuffer).
    void ReceiveData(const QByteArray& piece);
    /// Forgets unfinished received text (a new connection starts clean).
    void ClearReceived() { rx_.Clear(); }
    /// Characters of unfinished received text held (bounded).
    size_t pending() const { return rx_.Pending(); }

signals:
    void Stateinfo(qint16 Statid);
    void Rateinfo(qint16 rat);
    void DataReady(qint16 ta, qint16 Idx, qint32 rf, qint16 LOPH, qint32 dat, qint16 tag,
                   qint16 ADCS, qint16 ADCBits, qint16 VNATime, qint16 B0, qint16 B1, qint16 B2,
                   qint16 B3, qint16 B4);
    void EndScan();
    void SendData(const QByteArray& text);

private:
    void Hand(const std::string& text);

    msg::Fields fields_;
    msg::FrameBuffer rx_;
};
