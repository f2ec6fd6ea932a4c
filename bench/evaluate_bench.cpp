// SPDX-License-Identifier: GPL-3.0-or-later
// Times an eight-enclosure configuration answer through the monitor's whole per-answer path
// short of the screen: the client's read path (framing, parse, merge into the device table)
// followed by the controller's evaluation pass (every enclosure evaluated, slots, icon,
// device list and status display computed), against a bare QXmlStreamReader pass over the
// same bytes. The controller has do-nothing presenters and every option off, so the pass
// writes no log and sends no mail: what is timed is computation, not I/O.
//
// Run: <build>/bench/bench_evaluate [iterations]
#include "app/appcontroller.h"
#include "benchcommon.h"
#include "settings/defaultsstore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <cstdio>
#include <cstdlib>
#include <optional>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, std::atoi(argv[1])) : 2000;
    const QByteArray answer = bench::eightEnclosureAnswer();

    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_evaluate: no temporary folder\n");
        return 1;
    }
    DefaultsStore store(dir.filePath(QStringLiteral("settings.ini")));
    ControllerConfig config;
    config.store = &store;
    config.versionQuery = [] { return std::optional<quint32>(0x1039); };
    config.mailToolPath = dir.filePath(QStringLiteral("no-mail-tool"));
    config.helpFolder = dir.filePath(QStringLiteral("help"));
    config.executablePath = dir.filePath(QStringLiteral("tamro-raid-monitor"));
    AppController controller(config);
    if (!controller.init()) {
        std::fprintf(stderr, "bench_evaluate: the controller did not initialise\n");
        return 1;
    }
    controller.form().setText(SettingsForm::Text::LogFilePath,
                              dir.filePath(QStringLiteral("log.csv")));
    controller.flags() = AppController::Flags{};
    // The pass is called directly below; the client's own hand-off is delivered at once,
    // outside the timing, so no timers pile up.
    controller.client().setHandOffIntervals(0, 0);

    std::vector<double> readerUs, parseUs, evalUs, totalUs;
    readerUs.reserve(iterations);
    parseUs.reserve(iterations);
    evalUs.reserve(iterations);
    totalUs.reserve(iterations);
    QElapsedTimer timer;
    const int warmUp = std::min(100, iterations / 10);
    for (int i = 0; i < warmUp + iterations; ++i) {
        timer.start();
        QXmlStreamReader reader(answer);
        while (!reader.atEnd())
            reader.readNext();
        const qint64 r = timer.nsecsElapsed();

        timer.start();
        controller.client().handleReadBytes(answer);
        const qint64 p = timer.nsecsElapsed();
        controller.pass().processRaidInfo(controller.client().answer());
        const qint64 t = timer.nsecsElapsed();

        while (controller.client().pendingHandOffs() > 0)
            QCoreApplication::processEvents();
        if (i >= warmUp) {
            readerUs.push_back(r / 1000.0);
            parseUs.push_back(p / 1000.0);
            evalUs.push_back((t - p) / 1000.0);
            totalUs.push_back(t / 1000.0);
        }
    }

    // The pass must have seen what the answer holds: eight enclosures, one drive pulled.
    if (!controller.client().isParse() || controller.client().getDeviceCount() != 8 ||
        controller.pass().statusIcon() != StatusIcon::Problem ||
        controller.pass().errorType(5) == ErrorType::NoProblem) {
        std::fprintf(stderr, "bench_evaluate: the pass did not evaluate the eight enclosures "
                             "as expected\n");
        return 1;
    }

    const double bare = bench::median(readerUs);
    const double total = bench::median(totalUs);
    std::printf("answer: %lld bytes, 8 enclosures, %d iterations\n",
                static_cast<long long>(answer.size()), iterations);
    std::printf("bare QXmlStreamReader pass:      median %.1f us, p95 %.1f us\n", bare,
                bench::quantile(readerUs, 0.95));
    std::printf("parse+merge (handleReadBytes):   median %.1f us, p95 %.1f us\n",
                bench::median(parseUs), bench::quantile(parseUs, 0.95));
    std::printf("evaluate (processRaidInfo):      median %.1f us, p95 %.1f us\n",
                bench::median(evalUs), bench::quantile(evalUs, 0.95));
    std::printf("parse+merge+evaluate:            median %.1f us, p95 %.1f us\n", total,
                bench::quantile(totalUs, 0.95));
    std::printf("ratio parse+merge+evaluate / bare reader: %.2f\n", bare > 0 ? total / bare : 0.0);
    return 0;
}
