// SPDX-License-Identifier: GPL-3.0-or-later
// The render tool draws every window, panel and the tray menu, in every language and the
// pseudo-locale, into PNG files under <build>/ui-renders/<lang>/; none of them may be missing
// or blank, and no text in them may be cut or drawn without a font.
#include "testmain.h"
#include "tools/renderui/textfit.h"

#include <QCheckBox>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSet>

namespace {

constexpr const char* kLanguages[] = {"en", "de", "fr", "es", "ja", "zh_CN", "pseudo"};

} // namespace

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
        for (const char* language : kLanguages) {
            for (const char* file :
                 {"status-healthy.png", "status-drive-missing.png", "status-drive-failed.png",
                  "status-rebuilding.png", "status-no-enclosure.png", "panel-notice.png",
                  "panel-quit.png", "panel-password.png", "tray-menu.png", "w1_Window.png",
                  "w1_Window-mailTabs-2.png", "w2_Window.png"}) {
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
        QVERIFY(!en.isNull());
        for (const char* language : kLanguages) {
            if (qstrcmp(language, "en") == 0)
                continue;
            const QImage other(_out + QStringLiteral("/%1/status-healthy.png").arg(language));
            QVERIFY2(!other.isNull() && en != other, language);
        }
    }

    // Every label, button, check box, group box, tab bar, combo box and menu of every window
    // and panel shows its whole text, with glyphs for every character.
    void nothingCut_data()
    {
        QTest::addColumn<QString>("language");
        for (const char* language : kLanguages)
            QTest::newRow(language) << QString::fromLatin1(language);
    }

    void nothingCut()
    {
        QFETCH(QString, language);
        QFile report(_out + QStringLiteral("/%1/cut-texts.txt").arg(language));
        QVERIFY2(report.open(QIODevice::ReadOnly), qPrintable(report.fileName()));
        const QString cut = QString::fromUtf8(report.readAll());
        QVERIFY2(cut.isEmpty(),
                 qPrintable(QStringLiteral("text cut in %1:\n%2").arg(language, cut)));
    }

    // The check itself finds a check box too narrow for its text, a word-wrapped label too
    // short for its lines, and a character no font draws; and passes what fits.
    void checkFindsCutText()
    {
        QWidget window;
        window.setAttribute(Qt::WA_DontShowOnScreen, true);
        auto* layout = new QHBoxLayout(&window);
        auto* fits = new QPushButton(QStringLiteral("Close"), &window);
        fits->setObjectName(QStringLiteral("fits"));
        auto* narrow = new QCheckBox(QStringLiteral("Send a mail when a rebuild has finished"));
        narrow->setObjectName(QStringLiteral("narrow"));
        narrow->setFixedWidth(60);
        auto* shortLabel = new QLabel(QStringLiteral("A problem was found. Open the status "
                                                     "window for details."));
        shortLabel->setObjectName(QStringLiteral("short"));
        shortLabel->setWordWrap(true);
        shortLabel->setFixedSize(80, 20);
        // A private-use character of the last plane: no font has it.
        auto* glyphless = new QLabel(QString::fromUcs4(U"\U0010FFFD"));
        glyphless->setObjectName(QStringLiteral("glyphless"));
        for (QWidget* widget :
             {static_cast<QWidget*>(fits), static_cast<QWidget*>(narrow),
              static_cast<QWidget*>(shortLabel), static_cast<QWidget*>(glyphless)})
            layout->addWidget(widget);
        window.show();
        QCoreApplication::processEvents();

        const QStringList found = findCutTexts(window);
        const QString all = found.join(u'\n');
        QCOMPARE(found.size(), 3);
        QVERIFY2(found.at(0).startsWith(QStringLiteral("narrow (QCheckBox): needs ")),
                 qPrintable(all));
        QVERIFY2(found.at(1).startsWith(QStringLiteral("short (QLabel): needs ")), qPrintable(all));
        QVERIFY2(found.at(2).startsWith(QStringLiteral("glyphless (QLabel): no font draws")),
                 qPrintable(all));
    }

    void statesDiffer()
    {
        const QImage healthy(_out + QStringLiteral("/en/status-healthy.png"));
        const QImage missing(_out + QStringLiteral("/en/status-drive-missing.png"));
        const QImage failed(_out + QStringLiteral("/en/status-drive-failed.png"));
        const QImage rebuilding(_out + QStringLiteral("/en/status-rebuilding.png"));
        QVERIFY(healthy != missing);
        QVERIFY(failed != missing);
        QVERIFY(missing != rebuilding);
    }
};

TAMRO_TEST_MAIN(RenderUiTest)
#include "test_renderui.moc"
