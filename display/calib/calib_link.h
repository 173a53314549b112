#pragma once
// CalibLink over the main window's logic: forwards the procedure's requests
// to an object with the main window's public methods (vnaSetUpEntry,
// vnaMarkEnd, VnaEditEntry, vnaNewScan, VnaStopscan, VnaMount, VnaStopTCP,
// VnaStartTCP). A template, so that this layer needs nothing from the one
// above it.

#include "display/calib/calib_procedure.h"

#include <QByteArray>

template <class Main>
class MainCalibLink : public CalibLink {
public:
    explicit MainCalibLink(Main& m) : m_(m) {}
    void vnaSetUpEntry(int16_t ta, int16_t Idx, int32_t F, int16_t ADCS, int16_t VnaT,
                       int16_t ADCBi, int16_t e, int16_t B0, int16_t B1, int16_t B2, int16_t B3,
                       int16_t B4) override {
        m_.vnaSetUpEntry(ta, Idx, F, ADCS, VnaT, ADCBi, e, B0, B1, B2, B3, B4);
    }
    void vnaMarkEnd(int16_t a, int16_t b) override { m_.vnaMarkEnd(a, b); }
    void VnaEditEntry(int16_t ta, int16_t Idx, std::string_view Fiel, int32_t valu) override {
        m_.VnaEditEntry(ta, Idx, QByteArray(Fiel.data(), static_cast<qsizetype>(Fiel.size())),
                        valu);
    }
    void vnaNewScan(int16_t ta) override { m_.vnaNewScan(ta); }
    void VnaStopscan() override { m_.VnaStopscan(); }
    void VnaMount(std::string_view f) override {
        m_.VnaMount(QByteArray(f.data(), static_cast<qsizetype>(f.size())));
    }
    void VnaStopTCP() override { m_.VnaStopTCP(); }
    void VnaStartTCP() override { m_.VnaStartTCP(); }

private:
    Main& m_;
};
