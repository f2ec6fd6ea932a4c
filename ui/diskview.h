// SPDX-License-Identifier: GPL-3.0-or-later
// One drive's capacity bar: the used fraction of the width in the view's colour as a
// bevelled bar along the top edge, the rest of the bar in green, and a thin black frame
// under each of the two segments. The view knows nothing of drives; the status window
// gives it a colour and a fraction.
#pragma once

#include <QColor>
#include <QList>
#include <QRectF>
#include <QWidget>

class DiskView : public QWidget
{
    Q_OBJECT
public:
    // The colour of the part of the bar that is not in use.
    static QColor remainderColor() { return QColor::fromRgbF(0.0f, 1.0f, 0.5f, 1.0f); }

    // One segment of the bar, in widget coordinates (y grows downwards).
    struct Segment
    {
        QRectF button; // bevelled grey button along the top edge
        QRectF fill;   // inner fill, 2 units inside the button on every side
        QRectF frame;  // black outline below the button
        QColor color;  // colour of the fill
        bool operator==(const Segment&) const = default;
    };

    explicit DiskView(QWidget* parent = nullptr);

    // Stores the colour and the fraction; the caller asks for the redraw.
    void setDiskView(const QColor& color, float size);
    QColor color() const { return _color; }
    float size() const { return _size; }

    // The segments to draw in bounds for a fraction: none for 0, one across the whole width
    // for 1 (and anything above 1), the used and the remaining part otherwise.
    static QList<Segment> segments(const QRectF& bounds, float size, const QColor& color);

    QSize sizeHint() const override { return {120, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor _color;
    float _size = 0.0f;
};
