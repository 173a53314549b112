#pragma once
// SmithGraf, the window "Smith Chart": the chart area (painting the plot's
// backing store, with the grid labels over it and the hover reading under
// the pointer), the display choice, the scale tool buttons, the frequency
// lock, the info labels, the "Smith Lines" fields, the trace boxes and
// colour swatches, the frequency slide readout and the marker readings.
// The drawing is SmithPlot's; this class only wires controls to it.

#include "display/graph/smith_plot.h"

#include <QImage>
#include <QWidget>

#include <array>
#include <functional>
#include <utility>
#include <vector>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class MarkerPanel;
class QTimer;
class SmithArea;

class SmithGraf : public QWidget {
    Q_OBJECT
public:
    SmithGraf(const MeasureState& s, GraphSettings& settings, MarkerTable& markers, QWidget* parent = nullptr);
    ~SmithGraf() override;

    SmithPlot& plot() { return plot_; }
    /// GetQRGLimits of the main window, called when the lock turns red again.
    void setGetQRGLimits(std::function<void()> f) { getQrgLimits_ = std::move(f); }
    int selectedScale() const { return selected_; }

    // ---- public operations ----
    void Makesmithlive(int16_t p);
    /// Rewrites the legend rows and redraws the chart.
    void redrawlive();
    void Drawsmithlive(int16_t p);
    void SmithTickChange();
    void Messurechange(int parameter);
    void SmithNewQrg(int32_t start, int32_t end);
    /// Full redraw: grid, stored tables, live traces, markers, labels.
    void Refscreen();

    // ---- handlers ----
    void DispType_Click(int index);
    void SmiScaAdj_Click(int index);
    void TulBut_Click(int index);
    void QrgLock_Click();
    void SmiIndi_Click();
    /// The frequency slide: the knob's centre moved to x on the track.
    void Commandtest_MouseMove(int x);
    /// The chart area's pointer at pos: the hover reading.
    void SmithArea_MouseMove(QPoint pos);
    /// "Save image": PNG or SVG by the file's suffix; empty or the error.
    QString SaveImage(const QString& path);
    /// The window as the print button puts it on paper: the caption shown,
    /// the buttons hidden (all put back afterwards).
    QImage PrintPicture(const QString& caption);
    /// Rewrites the marker readings.
    void UpdateMarkerTable();

signals:
    /// A trace colour was chosen here: the other graph redraws too.
    void ColoursChanged();
    /// A marker was deleted or made the reference here.
    void MarkersChanged();

protected:
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    QList<QWidget*> PrintHidden() const;
    void Build();
    QWidget* BuildSide();
    QWidget* BuildLines();
    void ChooseColour(int row, int k);
    void ApplyColours();
    void InfoLabels();
    /// Rewrites the legend rows from the visible traces of the live and stored tables.
    void Legend();
    void PlaceLabels();
    void SlideLabels();
    void SmiPrint_Click();

    const MeasureState& s_;
    GraphSettings& settings_;
    SmithPlot plot_;
    std::function<void()> getQrgLimits_;

    SmithArea* area_ = nullptr;
    std::array<QRadioButton*, 3> dispType_{};
    std::array<QRadioButton*, 2> scaAdj_{};
    QLabel* selS_ = nullptr;
    QPushButton* lock_ = nullptr;
    QFrame* indi_ = nullptr;
    QLabel *labQrgCenter_ = nullptr, *labQrgDiv_ = nullptr, *labMag_ = nullptr, *labMagDiv_ = nullptr;
    QLabel *vnaSpd_ = nullptr, *vnaTi_ = nullptr, *calib_ = nullptr;
    QLabel* readout_ = nullptr;
    QLabel* printInfo_ = nullptr;  // the print caption, shown only on paper
    std::array<std::array<QLineEdit*, SmithLines::kFields>, kFamilyCount> fields_{};
    std::array<std::array<QLabel*, SmithLines::kFields>, kFamilyCount> labels_{};
    std::array<QLabel*, 9> ringLabels_{};
    QWidget* dataSel_ = nullptr;
    QFrame* track_ = nullptr;
    QPushButton* knob_ = nullptr;
    QLabel *slideStart_ = nullptr, *slideEnd_ = nullptr, *slideVal_ = nullptr;
    static constexpr int kLegendRows = 8;
    std::array<QLabel*, kLegendRows> legendTxt_{}, legendColour_{}, legendValue_{};
    std::vector<std::pair<int, int>> legendRows_;  // (table, parameter) per legend row
    MarkerPanel* markerPanel_ = nullptr;
    QTimer* markerTimer_ = nullptr;
    int selected_ = kScaleTrans;
    bool locked_ = true;
};
