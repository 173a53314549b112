#include "display/graph/qrg_picture.h"

#include "display/graph/qrg_plot.h"
#include "display/calib/correction.h"
#include "display/measure/point_list.h"

#include <QFileInfo>
#include <QImage>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSvgGenerator>
#include <QBuffer>

#include <memory>

namespace {

const char* const kNames[] = {"S11 ", "S21 ", "S12 ", "S22 "};

void Column(QPainter& p, const QRect& area, int x, int width, const std::array<QString, 11>& labels,
            Qt::Alignment align, const QColor& colour) {
    p.setPen(colour);
    const int h = p.fontMetrics().height();
    for (int k = 0; k <= 10; ++k) {
        // Division line k from the bottom (the value scales are reversed).
        const int y = area.bottom() - static_cast<int>(std::lround(k * (area.height() - 1) / 10.0));
        p.drawText(QRect(x, y - h / 2, width, h), align | Qt::AlignVCenter, labels[static_cast<size_t>(k)]);
    }
}

} // namespace

void RenderQrgPicture(QPainter& p, QSize size, QrgPlot& plot, const QString& title) {
    p.fillRect(QRect(QPoint(0, 0), size), Qt::white);
    QFont f = p.font();
    f.setPixelSize(std::max(10, size.height() / 60));
    p.setFont(f);
    const QFontMetrics fm = p.fontMetrics();
    const int col = fm.horizontalAdvance("-10000") + 6;
    const int line = fm.height();
    const QRect area(2 * col + 8, 2 * line + 8, size.width() - 3 * col - 24, size.height() - 4 * line - 16);
    const ScaleSet& sc = plot.scales();
    const GraphSettings& set = plot.settings();
    const MeasureState& s = plot.state();

    // Title and legend.
    p.setPen(Qt::black);
    p.drawText(QRect(area.left(), 4, area.width(), line), Qt::AlignLeft | Qt::AlignVCenter, title);
    int lx = area.right();
    const auto legend = [&](const QString& text, QRgb colour) {
        const int w = fm.horizontalAdvance(text) + 22;
        lx -= w;
        p.fillRect(QRect(lx, 4 + line / 3, 14, line / 3 + 1), QColor::fromRgb(colour));
        p.setPen(Qt::black);
        p.drawText(QRect(lx + 18, 4 + line, w, line).translated(0, -line), Qt::AlignLeft | Qt::AlignVCenter, text);
    };
    const SdataHeadRec& head = s.SdataHead[static_cast<size_t>(s.Livestable)];
    if (set.rows[0].visible[kTracePhase] && head.State(plot.phaseParameter()) != kSAbsent)
        legend(QString("Phase ") + kNames[plot.phaseParameter()], set.rows[0].colour[kTracePhase]);
    for (int k = 3; k >= 0; --k)
        if (set.rows[0].visible[static_cast<size_t>(k)] && head.State(k) != kSAbsent)
            legend(kNames[k], set.rows[0].colour[static_cast<size_t>(k)]);

    // Scale captions and labels: transmission dB, reflection, phase.
    const QColor grey(60, 60, 60);
    p.setPen(grey);
    p.drawText(QRect(4, area.top() - line - 4, col, line), Qt::AlignRight, "S21 dB");
    p.drawText(QRect(col + 4, area.top() - line - 4, col, line), Qt::AlignRight, set.Vswr() ? "VSWR" : "S11 dB");
    p.drawText(QRect(area.right() + 6, area.top() - line - 4, col, line), Qt::AlignLeft, "Deg");
    Column(p, area, 4, col, ValueLabels(sc[kScaleTrans]), Qt::AlignRight, Qt::black);
    Column(p, area, col + 4, col, ValueLabels(sc[set.Vswr() ? kScaleVswr : kScaleRefl]), Qt::AlignRight, grey);
    Column(p, area, area.right() + 6, col, ValueLabels(sc[kScalePhase]), Qt::AlignLeft, grey);
    const auto freq = FreqLabels(sc[kScaleQrg]);
    p.setPen(Qt::black);
    for (int k = 0; k < 5; ++k) {
        const int x = area.left() + static_cast<int>(std::lround((2 * k + 1) * (area.width() - 1) / 10.0));
        p.drawText(QRect(x - 2 * col, area.bottom() + 4, 4 * col, line), Qt::AlignCenter,
                   freq[static_cast<size_t>(k)]);
    }
    plot.DrawPicture(p, area);
}

QString SavePicture(const QString& path, QSize size, const QString& title,
                    const std::function<void(QPainter&)>& draw) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (suffix == "svg") {
        QSvgGenerator gen;
        gen.setOutputDevice(&buffer);
        gen.setSize(size);
        gen.setViewBox(QRect(QPoint(0, 0), size));
        gen.setTitle(title);
        QPainter p(&gen);
        draw(p);
    } else if (suffix == "pdf") {
        QPdfWriter pdf(&buffer);
        pdf.setTitle(title);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 25.4 / 96, size.height() * 25.4 / 96),
                                  QPageSize::Millimeter));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p(&pdf);
        draw(p);
    } else {
        QImage img(size, QImage::Format_RGB32);
        {
            QPainter p(&img);
            draw(p);
        }
        if (!img.save(&buffer, "PNG"))
            return QString("cannot encode the picture for %1").arg(path);
    }
    buffer.close();
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return QString("cannot write %1: %2").arg(path, out.errorString());
    out.write(bytes);
    if (!out.commit())
        return QString("cannot write %1: %2").arg(path, out.errorString());
    return {};
}

QString SaveQrgPicture(const QString& path, QSize size, QrgPlot& plot, const QString& title) {
    return SavePicture(path, size, title, [&](QPainter& p) { RenderQrgPicture(p, size, plot, title); });
}

bool ParsePictureSize(const QString& text, QSize& size) {
    static const QRegularExpression re("^\\s*(\\d{1,5})\\s*[xX]\\s*(\\d{1,5})\\s*$");
    const auto m = re.match(text);
    if (!m.hasMatch())
        return false;
    const int w = m.captured(1).toInt(), h = m.captured(2).toInt();
    if (w < 200 || h < 200 || w > 10000 || h > 10000)
        return false;
    size = QSize(w, h);
    return true;
}

std::unique_ptr<MeasureState> SweepState(const std::map<int32_t, std::array<double, 8>>& rows,
                                         const std::vector<int16_t>& params) {
    auto s = std::make_unique<MeasureState>();
    for (int16_t k : params)
        if (k >= 0 && k <= 3)
            s->SdataHead[0].State(k) = kSLive;
    if (!params.empty())
        s->Smessure = params.back();
    for (const auto& [qrg, row] : rows) {
        const int16_t p = InsertLive(*s, qrg);
        if (p < 2)
            break;  // the point table is full
        s->Sdata[0][p].Qrg = qrg;
        s->QrgPoints[p].MessRealPresent = s->QrgPoints[p].MessImagPresent = true;
        for (int16_t k : params)
            if (k >= 0 && k <= 3)
                StoreMa(s->Sdata[0][p].S[static_cast<size_t>(k)],
                        Cplx(row[2 * k], row[2 * k + 1] * kPi / 180));
    }
    return s;
}

QString SaveSweepPicture(const QString& path, QSize size,
                         const std::map<int32_t, std::array<double, 8>>& rows,
                         const std::vector<int16_t>& params, int32_t start, int32_t end,
                         const QString& title) {
    const auto s = SweepState(rows, params);
    GraphSettings settings;
    MarkerTable markers;
    QrgPlot plot(*s, settings, markers);
    plot.scales()[kScaleQrg].setMax(end);
    plot.scales()[kScaleQrg].setMin(start);
    return SaveQrgPicture(path, size, plot, title);
}
