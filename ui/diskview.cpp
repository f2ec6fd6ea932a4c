// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/diskview.h"

#include <QPainter>
#include <qdrawutil.h>

DiskView::DiskView(QWidget* parent) : QWidget(parent) {}

void DiskView::setDiskView(const QColor& color, float size)
{
    _color = color;
    _size = size;
}

QList<DiskView::Segment> DiskView::segments(const QRectF& bounds, float size, const QColor& color)
{
    // The geometry is worked out with y growing upwards from the bottom edge (bar at the top,
    // frames below it) in single precision, then mirrored into widget coordinates.
    const float x = float(bounds.x());
    const float w = float(bounds.width());
    const float h = float(bounds.height());
    const float barBottom = float(0.0 + double(h) * 0.8);
    const float barHeight = float(double(h) * 0.2);
    const float frameHeight = float(double(h) * 0.8 - 2.0);

    const auto toWidget = [&](float left, float bottom, float width, float height) {
        return QRectF(left, bounds.y() + double(h) - (double(bottom) + double(height)), width,
                      height);
    };
    const auto segment = [&](float left, float width, const QColor& fill) {
        Segment s;
        s.button = toWidget(left, barBottom, width, barHeight);
        s.fill = toWidget(left + 2.0f, barBottom + 2.0f, width - 4.0f, barHeight - 4.0f);
        s.frame = toWidget(left, 0.0f, width, frameHeight);
        s.color = fill;
        return s;
    };

    QList<Segment> result;
    if (size == 0.0f)
        return result;
    if (size > 1.0f)
        size = 1.0f;
    float remainder = 1.0f;
    float remainderLeft = x;
    if (size < 1.0f) {
        const float used = size * w;
        result << segment(x, used, color);
        remainder = 1.0f - size;
        remainderLeft = x + used;
    }
    result << segment(remainderLeft, remainder * w, remainder == 1.0f ? color : remainderColor());
    return result;
}

void DiskView::paintEvent(QPaintEvent*)
{
    const QList<Segment> parts = segments(QRectF(rect()), _size, _color);
    if (parts.isEmpty())
        return;
    QPainter painter(this);
    const QBrush grey(palette().color(QPalette::Button));
    for (const Segment& s : parts) {
        qDrawShadePanel(&painter, s.button.toRect(), palette(), false, 1, &grey);
        painter.fillRect(s.fill, s.color);
        // A one-pixel outline drawn inside the frame's rectangle, so that the frames of two
        // neighbouring segments stand side by side and the bottom edge stays visible.
        painter.setPen(QPen(Qt::black, 0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(s.frame.adjusted(0, 0, -1, -1));
    }
}
