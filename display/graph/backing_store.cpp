#include "display/graph/backing_store.h"

#include <QPainter>
#include <QPolygon>

void BackingStore::Reset(QSize size) {
    if (size.isEmpty()) {
        image_ = QImage();
        return;
    }
    if (image_.size() != size)
        image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::white);
}

namespace {

void XorDraw(QPainter& p, QPoint p1, QPoint p2, QRgb colour, int width, bool dot) {
    const QColor pen = QColor::fromRgb(XorPen(colour));
    // Width 1 with flat caps covers [p1, p2): consecutive segments share no
    // pixel, so a joint is not taken away by the next segment.
    if (p1 != p2) {
        p.setPen(QPen(pen, std::max(1, width), Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawLine(p1, p2);
    }
    if (dot) {
        const int w = 3 * std::max(1, width);
        p.fillRect(QRect(p2.x() - w / 2, p2.y() - w / 2, w, w), pen);
    }
}

} // namespace

void BackingStore::XorSegment(QPoint p1, QPoint p2, QRgb colour, int width, bool dot) {
    if (image_.isNull())
        return;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    XorDraw(p, p1, p2, colour, width, dot);
}

std::unique_ptr<QPainter> BackingStore::XorPainter() {
    if (image_.isNull())
        return nullptr;
    auto p = std::make_unique<QPainter>(&image_);
    p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    return p;
}

void BackingStore::Remove(QPainter& p, SegmentRecord& record) {
    if (record.drawn)
        XorDraw(p, record.p1, record.p2, record.colour, record.width, record.dot);
    record.drawn = false;
}

void BackingStore::Replace(QPainter& p, SegmentRecord& record, QPoint p1, QPoint p2, QRgb colour,
                           int width, bool dot) {
    if (record.drawn)
        XorDraw(p, record.p1, record.p2, record.colour, record.width, record.dot);
    XorDraw(p, p1, p2, colour, width, dot);
    record.drawn = true;
    record.dot = dot;
    record.colour = colour;
    record.width = static_cast<int16_t>(width);
    record.p1 = p1;
    record.p2 = p2;
}

void BackingStore::Replace(SegmentRecord& record, QPoint p1, QPoint p2, QRgb colour, int width,
                           bool dot) {
    if (auto p = XorPainter())
        Replace(*p, record, p1, p2, colour, width, dot);
}

void BackingStore::XorImage(const QImage& glyph, QPoint at) {
    if (image_.isNull())
        return;
    QPainter p(&image_);
    p.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    p.drawImage(at, glyph);
}

QPoint MarkerHotSpot(bool northSouth) { return northSouth ? QPoint(6, 19) : QPoint(0, 6); }

QImage MarkerGlyph(bool northSouth, int number, QRgb colour) {
    // 13 x 20 pixels (north-south) or 20 x 13 (west-east): the size of the
    // marker images of 200 x 300 units.
    QImage img(northSouth ? QSize(13, 20) : QSize(20, 13), QImage::Format_RGB32);
    img.fill(Qt::black);
    QPainter p(&img);
    const QColor pen = QColor::fromRgb(XorPen(colour));
    p.setPen(Qt::NoPen);
    p.setBrush(pen);
    const QPoint tip = MarkerHotSpot(northSouth);
    if (northSouth)
        p.drawPolygon(QPolygon({tip, QPoint(0, 10), QPoint(12, 10)}));
    else
        p.drawPolygon(QPolygon({tip, QPoint(8, 0), QPoint(8, 12)}));
    QFont f = p.font();
    f.setPixelSize(10);
    f.setBold(true);
    p.setFont(f);
    p.setPen(pen);
    const QRect box = northSouth ? QRect(0, 0, 13, 10) : QRect(9, 0, 11, 13);
    p.drawText(box, Qt::AlignCenter, QString::number(number));
    return img;
}

void MarkerPaint::Unpaint(BackingStore& store, int k) {
    if (k < 0 || k >= kMarkers)
        return;
    Painted& pm = p_[static_cast<size_t>(k)];
    if (pm.painted) {
        store.XorImage(pm.glyph, pm.pos);
        pm.painted = false;
    }
}

void MarkerPaint::Paint(BackingStore& store, int k, QPoint at, bool northSouth, bool reference) {
    if (k < 0 || k >= kMarkers || !QRect(QPoint(0, 0), store.image().size()).contains(at))
        return;
    Unpaint(store, k);
    Painted& pm = p_[static_cast<size_t>(k)];
    pm.glyph = MarkerGlyph(northSouth, k + 1, reference ? qRgb(200, 0, 0) : qRgb(0, 0, 0));
    pm.northSouth = northSouth;
    pm.pos = at - MarkerHotSpot(northSouth);
    store.XorImage(pm.glyph, pm.pos);
    pm.painted = true;
}

void MarkerPaint::Forget() {
    for (Painted& pm : p_)
        pm.painted = false;
}

std::optional<QPoint> MarkerPaint::HotSpot(int k) const {
    if (k < 0 || k >= kMarkers || !p_[static_cast<size_t>(k)].painted)
        return std::nullopt;
    return p_[static_cast<size_t>(k)].pos + MarkerHotSpot(p_[static_cast<size_t>(k)].northSouth);
}
