#pragma once
// QRGGRAF, the window "Frequency Graf": the frequency graph's plot area
// (painting the plot's backing store), the value and frequency labels, the
// scale tool buttons, the frequency lock, the trace boxes and colour
// swatches, the data selection panel for stored tables, the marker menu and
// the marker table. The drawing itself is QrgPlot's; this class only wires
// controls to it.

#include "display/graph/qrg_plot.h"

#include <QWidget>

#include <array>
#include <functional>

class QCheckBox;
class QLabel;
class QMenu;
class QPushButton;
class MarkerPanel;
class QTimer;
class GrafArea;

class QrgGraf : public QWidget {
    Q_OBJECT
public:
    QrgGraf(const MeasureState& s, GraphSettings& settings, MarkerTable& markers, QWidget* parent = nullptr);
    ~QrgGraf() override;

    QrgPlot& plot() { return plot_; }
    /// GetQRGLimits of the main window, called when the lock turns red again.
    void setGetQRGLimits(std::function<void()> f) { getQrgLimits_ = std::move(f); }

    // ---- public operations ----
    /// Lays out the plot area, the labels and the buttons; sets the scales' spans.
    void Resize();
    /// The sweep range changed: with the lock red the frequency scale follows.
    void NewQrg(int32_t start, int32_t end);
    void makelive(int16_t p);
    void QrgReScale(int scale);
    void TickChange();
    void Refscreen();
    void marker(int k);
    void Messurechange(int parameter);

    /// Rewrites the marker table now (it is otherwise refreshed a moment
    /// after the live data change).
    void UpdateMarkerTable();
    /// The marker menu, opened by a right-click in the plot area.
    QMenu* markerMenu() const { return menu_; }
    int selectedScale() const { return selected_; }

    // ---- handlers ----
    void TulBut_Click(int index);
    void QrgLock_Click();
    void VlabelA_Click(int index);
    void VlabelB_Click(int index);
    void VlabelC_Click(int index);
    void HlabelB_Click(int index);
    /// The plot area's mouse events, in plot pixels.
    void GrafArea_MouseDown(Qt::MouseButton button, QPoint pos);
    void GrafArea_MouseMove(Qt::MouseButtons buttons, QPoint pos);
    void GrafArea_MouseUp(Qt::MouseButton button, QPoint pos);
    /// "Save image": PNG or SVG by the file's suffix; empty or the error.
    QString SaveImage(const QString& path);
    /// The shared settings were replaced (restored, or set back to the
    /// defaults): trace boxes, swatches, ticks and labels follow, the
    /// frequency lock is set as given, and the plot is redrawn.
    void SettingsChanged(bool frequencyLocked);
    /// True while the lock is red ("F Lock").
    bool frequencyLocked() const { return locked_; }
    /// Print: the window's picture on the chosen printer (or a PDF file).
    void QrgPrint_Click();
    /// The window's picture as printed: `caption` in PrintInfo, the buttons hidden.
    QImage PrintPicture(const QString& caption);

signals:
    /// A trace colour was chosen here: the other graph redraws too.
    void ColoursChanged();

protected:
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* o, QEvent* e) override;

private:
    void Build();
    void SelectNail(QLabel* label);
    void ChooseColour(int row, int trace);
    void PlaceMarker(int16_t kind);
    void MarkersChanged();
    void ApplyColours();
    QList<QWidget*> PrintHidden() const;

    const MeasureState& s_;
    GraphSettings& settings_;
    QrgPlot plot_;
    std::function<void()> getQrgLimits_;

    GrafArea* area_ = nullptr;
    std::array<QLabel*, 11> vA_{}, vB_{}, vC_{};
    std::array<QLabel*, 5> hB_{};
    std::array<QLabel*, 4> verId_{};
    QLabel* vnaRpt_ = nullptr;
    QLabel* printInfo_ = nullptr;
    QPushButton* lock_ = nullptr;
    std::array<QPushButton*, 7> tul_{};
    QWidget* topBar_ = nullptr;
    QWidget* traceBar_ = nullptr;
    QWidget* dataSel_ = nullptr;
    MarkerPanel* markerPanel_ = nullptr;
    QMenu* menu_ = nullptr;
    QTimer* markerTimer_ = nullptr;
    QLabel* nail_ = nullptr;        // the highlighted nail label
    int selected_ = 0;
    bool vnaRptGreen_ = false;
    bool locked_ = true;            // red "F Lock": the frequency scale follows NewQrg
    Qt::MouseButton downButton_ = Qt::NoButton;
    QPoint downPos_;
    int dragging_ = -1;
};
