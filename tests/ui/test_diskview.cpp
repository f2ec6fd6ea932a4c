// SPDX-License-Identifier: GPL-3.0-or-later
// The capacity bar: segment geometry for the fractions the status window gives it, and the
// colours that end up on screen.
#include "testmain.h"
#include "ui/diskview.h"

#include <QImage>
#include <QPainter>

Q_DECLARE_METATYPE(QList<QRectF>)

namespace {

const QColor kBlue = QColor::fromRgbF(0, 0, 1);
const QColor kMagenta = QColor::fromRgbF(1, 0, 1);

// Draws a view of the given size onto white.
QImage paint(float fraction, const QColor& color, QSize size = {200, 50})
{
    DiskView view;
    view.resize(size);
    view.setDiskView(color, fraction);
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool near(QRgb pixel, const QColor& expected)
{
    const QColor got(pixel);
    return qAbs(got.red() - expected.red()) <= 1 && qAbs(got.green() - expected.green()) <= 1 &&
           qAbs(got.blue() - expected.blue()) <= 1;
}

} // namespace

class DiskViewTest : public QObject
{
    Q_OBJECT

private slots:
    void segments_data()
    {
        QTest::addColumn<float>("fraction");
        // Per segment: button, fill, frame; widget coordinates of a 200 x 50 view.
        QTest::addColumn<QList<QRectF>>("rects");
        QTest::addColumn<QList<QColor>>("colors");

        QTest::newRow("0.41") << 0.41f
                              << QList<QRectF>{{0, 0, 82, 10},   {2, 2, 78, 6},   {0, 12, 82, 38},
                                               {82, 0, 118, 10}, {84, 2, 114, 6}, {82, 12, 118, 38}}
                              << QList<QColor>{kBlue, DiskView::remainderColor()};
        QTest::newRow("1") << 1.0f
                           << QList<QRectF>{{0, 0, 200, 10}, {2, 2, 196, 6}, {0, 12, 200, 38}}
                           << QList<QColor>{kBlue};
        QTest::newRow("1.7 as 1") << 1.7f
                                  << QList<QRectF>{{0, 0, 200, 10},
                                                   {2, 2, 196, 6},
                                                   {0, 12, 200, 38}}
                                  << QList<QColor>{kBlue};
        QTest::newRow("0.5") << 0.5f << QList<QRectF>{{0, 0, 100, 10},  {2, 2, 96, 6},
                                                      {0, 12, 100, 38}, {100, 0, 100, 10},
                                                      {102, 2, 96, 6},  {100, 12, 100, 38}}
                             << QList<QColor>{kBlue, DiskView::remainderColor()};
        QTest::newRow("0 draws nothing") << 0.0f << QList<QRectF>{} << QList<QColor>{};
    }

    void segments()
    {
        QFETCH(float, fraction);
        QFETCH(QList<QRectF>, rects);
        QFETCH(QList<QColor>, colors);

        const QList<DiskView::Segment> parts =
            DiskView::segments(QRectF(0, 0, 200, 50), fraction, kBlue);
        QCOMPARE(parts.size(), colors.size());
        for (int i = 0; i < parts.size(); ++i) {
            const auto close = [](const QRectF& a, const QRectF& b) {
                return qAbs(a.x() - b.x()) < 1e-3 && qAbs(a.y() - b.y()) < 1e-3 &&
                       qAbs(a.width() - b.width()) < 1e-3 && qAbs(a.height() - b.height()) < 1e-3;
            };
            // QTest::toString hands over a buffer the caller must free.
            const auto text = [](const QRectF& r) {
                return QStringLiteral("(%1, %2, %3, %4)")
                    .arg(r.x())
                    .arg(r.y())
                    .arg(r.width())
                    .arg(r.height())
                    .toLatin1();
            };
            QVERIFY2(close(parts[i].button, rects[3 * i]), text(parts[i].button).constData());
            QVERIFY2(close(parts[i].fill, rects[3 * i + 1]), text(parts[i].fill).constData());
            QVERIFY2(close(parts[i].frame, rects[3 * i + 2]), text(parts[i].frame).constData());
            QCOMPARE(parts[i].color, colors[i]);
        }
    }

    void segmentsFollowTheBoundsOrigin()
    {
        const auto parts = DiskView::segments(QRectF(10, 20, 100, 30), 1.0f, kBlue);
        QCOMPARE(parts.size(), 1);
        // Bar: the top fifth (6 high); frame: 0.8 * 30 - 2 = 22 high, standing on the bottom.
        QCOMPARE(parts[0].button, QRectF(10, 20, 100, 6));
        QCOMPARE(parts[0].fill, QRectF(12, 22, 96, 2));
        QCOMPARE(parts[0].frame, QRectF(10, 28, 100, 22));
    }

    void newViewDrawsNothing()
    {
        DiskView view;
        QCOMPARE(view.size(), 0.0f);
        view.resize(200, 50);
        QImage image(200, 50, QImage::Format_RGB32);
        image.fill(Qt::white);
        view.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY2(image.pixel(x, y) == qRgb(255, 255, 255), "a fresh view drew something");
    }

    void paintedColours()
    {
        const QImage image = paint(0.41f, kBlue);
        QVERIFY(near(image.pixel(40, 5), kBlue));                       // used fill
        QVERIFY(near(image.pixel(150, 5), DiskView::remainderColor())); // remainder fill
        QVERIFY(near(image.pixel(0, 30), Qt::black));                   // left frame edge
        QVERIFY(near(image.pixel(81, 30), Qt::black));                  // its right edge
        QVERIFY(near(image.pixel(82, 30), Qt::black));                  // next frame's left edge
        QVERIFY(near(image.pixel(199, 30), Qt::black));                 // right edge
        QVERIFY(near(image.pixel(40, 49), Qt::black));                  // bottom edge, visible
        QVERIFY(near(image.pixel(40, 30), Qt::white));                  // inside the frame
        QVERIFY(near(image.pixel(40, 11), Qt::white));                  // gap under the bar
    }

    void fullBarIsOneColour_data()
    {
        QTest::addColumn<float>("fraction");
        QTest::newRow("1") << 1.0f;
        QTest::newRow("1.7") << 1.7f;
    }

    void fullBarIsOneColour()
    {
        QFETCH(float, fraction);
        const QImage image = paint(fraction, kMagenta);
        for (const int x : {5, 100, 150, 194})
            QVERIFY2(near(image.pixel(x, 5), kMagenta), qPrintable(QString::number(x)));
        QVERIFY(near(image.pixel(100, 30), Qt::white)); // one frame, no inner edge
        QCOMPARE(image, paint(1.0f, kMagenta));
    }

    void setterDoesNotRedrawByItself()
    {
        DiskView view;
        view.setDiskView(kBlue, 0.5f);
        QCOMPARE(view.color(), kBlue);
        QCOMPARE(view.size(), 0.5f);
    }
};

TAMRO_TEST_MAIN(DiskViewTest)
#include "test_diskview.moc"
