#include "display/graph/smith_picture.h"

#include "display/graph/qrg_picture.h"
#include "display/graph/smith_plot.h"
#include "display/measure/formatting.h"

#include <memory>

namespace {

const char* const kNames[] = {"S11", "S21", "S12", "S22"};

QString FreqText(double f) { return QString::fromStdString(QrgUnit(static_cast<int32_t>(std::lround(f)))); }

/// One chart with its caption line and legend inside `box`.
void Chart(QPainter& p, const QRect& box, SmithPlot& plot) {
    const QFontMetrics fm = p.fontMetrics();
    const int line = fm.height();
    const MeasureState& s = plot.state();
    const SdataHeadRec& head = s.SdataHead[static_cast<size_t>(s.Livestable)];
    const Skala& q = plot.scales()[kScaleQrg];
    p.setPen(Qt::black);
    const QString caption = (plot.mode() == 0 ? QString("Smith chart, Z0 = 50 Ω") : QString("Polar, rings in dB")) +
                            QString("   %1 .. %2").arg(FreqText(q.min()), FreqText(q.max()));
    p.drawText(QRect(box.left() + 4, box.top(), box.width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter, caption);
    int lx = box.left() + 4;
    const int ly = box.bottom() - line;
    for (int k = 0; k < 4; ++k) {
        if (!plot.settings().rows[0].visible[static_cast<size_t>(k)] || head.State(k) == kSAbsent)
            continue;
        p.fillRect(QRect(lx, ly + line / 3, 14, line / 3 + 1), QColor::fromRgb(plot.settings().rows[0].colour[static_cast<size_t>(k)]));
        p.setPen(Qt::black);
        p.drawText(QRect(lx + 18, ly, 60, line), Qt::AlignLeft | Qt::AlignVCenter, kNames[k]);
        lx += 18 + fm.horizontalAdvance(kNames[k]) + 16;
    }
    plot.DrawPicture(p, QRect(box.left(), box.top() + line + 4, box.width(), box.height() - 2 * line - 8));
}

/// A white canvas with the title on top; returns the room below it.
QRect Canvas(QPainter& p, QSize size, const QString& title) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QFont f = p.font();
    f.setPixelSize(std::max(10, size.height() / 60));
    p.setFont(f);
    const int line = p.fontMetrics().height();
    p.setPen(Qt::black);
    p.drawText(QRect(4, 4, size.width() - 8, line), Qt::AlignLeft | Qt::AlignVCenter, title);
    return QRect(0, line + 8, size.width(), size.height() - line - 12);
}

} // namespace

void RenderSmithPicture(QPainter& p, QSize size, SmithPlot& plot, const QString& title) {
    Chart(p, Canvas(p, size, title), plot);
}

QString SaveSmithPicture(const QString& path, QSize size, SmithPlot& plot, const QString& title) {
    return SavePicture(path, size, title, [&](QPainter& p) { RenderSmithPicture(p, size, plot, title); });
}

QString SaveSweepSmith(const QString& path, QSize size, const std::map<int32_t, std::array<double, 8>>& rows,
                       const std::vector<int16_t>& params, int32_t start, int32_t end, const QString& title) {
    const auto s = SweepState(rows, params);
    bool refl = false, trans = false;
    for (int16_t k : params)
        (k == 0 || k == 3 ? refl : trans) = true;
    MarkerTable markers;
    // One chart per kind of parameter, each showing only its own kind.
    std::vector<std::pair<std::unique_ptr<GraphSettings>, std::unique_ptr<SmithPlot>>> charts;
    for (int mode : {0, 1}) {
        if ((mode == 0 && !refl) || (mode == 1 && !trans))
            continue;
        auto settings = std::make_unique<GraphSettings>();
        for (int k = 0; k < 4; ++k)
            settings->rows[0].visible[static_cast<size_t>(k)] = (k == 0 || k == 3) == (mode == 0);
        auto plot = std::make_unique<SmithPlot>(*s, *settings, markers);
        plot->scales()[kScaleQrg].setMax(end);
        plot->scales()[kScaleQrg].setMin(start);
        plot->setDispType(mode);
        charts.emplace_back(std::move(settings), std::move(plot));
    }
    if (charts.empty())
        return "nothing measured to draw";
    return SavePicture(path, size, title, [&](QPainter& p) {
        const QRect room = Canvas(p, size, title);
        const int w = room.width() / static_cast<int>(charts.size());
        for (size_t i = 0; i < charts.size(); ++i)
            Chart(p, QRect(static_cast<int>(i) * w, room.top(), w, room.height()), *charts[i].second);
    });
}
