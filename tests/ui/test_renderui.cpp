// The render tool draws every window, panel and the tray menu, in English and German, into
// PNG files under <build>/ui-renders/<lang>/; none of them may be missing or blank.
#include "testmain.h"

#include <QImage>
#include <QProcess>
#include <QSet>

class RenderUiTest : public QObject
{
    Q_OBJECT

    QString _out = QStringLiteral(TAMRO_RENDER_DIR);

private slots:
    void initTestCase()
    {
        QDir(_out).removeRecursively();
        QProcess tool;
        tool.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        tool.start(QStringLiteral(TAMRO_RENDER_TOOL), {_out});
        QVERIFY2(tool.waitForFinished(90000), "the render tool did not finish");
        QCOMPARE(tool.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tool.exitCode(), 0);
    }

    void picture_data()
    {
        QTest::addColumn<QString>("path");
        for (const char* language : {"en", "de"}) {
            for (const char* file :
                 {"status-healthy.png", "status-drive-missing.png", "status-rebuilding.png",
                  "status-no-enclosure.png", "panel-notice.png", "panel-quit.png",
                  "panel-password.png", "tray-menu.png", "w1_Window.png", "w2_Window.png"}) {
                const QString path =
                    QStringLiteral("%1/%2").arg(QLatin1String(language), QLatin1String(file));
                QTest::newRow(qPrintable(path)) << path;
            }
        }
    }

    void picture()
    {
        QFETCH(QString, path);
        const QImage image(_out + QLatin1Char('/') + path);
        QVERIFY2(!image.isNull(), qPrintable(path));
        QVERIFY(image.width() >= 100);
        QVERIFY(image.height() >= 50);
        // A drawn window has text and frames: many colours, not a single fill.
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 8, qPrintable(QString::number(colours.size())));
    }

    void languagesDiffer()
    {
        const QImage en(_out + QStringLiteral("/en/status-healthy.png"));
        const QImage de(_out + QStringLiteral("/de/status-healthy.png"));
        QVERIFY(!en.isNull() && !de.isNull());
        QVERIFY(en != de);
    }

    void statesDiffer()
    {
        const QImage healthy(_out + QStringLiteral("/en/status-healthy.png"));
        const QImage missing(_out + QStringLiteral("/en/status-drive-missing.png"));
        const QImage rebuilding(_out + QStringLiteral("/en/status-rebuilding.png"));
        QVERIFY(healthy != missing);
        QVERIFY(missing != rebuilding);
    }
};

TAMRO_TEST_MAIN(RenderUiTest)
#include "test_renderui.moc"
