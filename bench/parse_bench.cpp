// SPDX-License-Identifier: GPL-3.0-or-later
// Times an eight-enclosure configuration answer (a) through the client's read path (framing,
// parse, merge into the device table, hand-off armed) and (b) through a bare QXmlStreamReader
// pass over the same bytes, and prints both per-answer medians and their ratio.
#include "benchcommon.h"
#include "service/parseraidinfo.h"
#include "service/raidinfolistener.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <QXmlStreamReader>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

class QuietListener : public RaidInfoListener
{
public:
    void processRaidInfo(const ServiceAnswer&) override { ++handOffs; }
    void errorOccurredStreamEvent() override {}
    int handOffs = 0;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    const QByteArray answer = bench::eightEnclosureAnswer();

    QuietListener listener;
    ParseRaidInfo client(&listener);
    client.setHandOffIntervals(0, 0);

    std::vector<double> clientUs;
    std::vector<double> readerUs;
    clientUs.reserve(iterations);
    readerUs.reserve(iterations);
    qint64 tokens = 0;
    QElapsedTimer timer;
    const int warmUp = std::min(100, iterations / 10);
    for (int i = 0; i < warmUp + iterations; ++i) {
        timer.start();
        client.handleReadBytes(answer);
        const double a = timer.nsecsElapsed() / 1000.0;
        // Deliver the armed hand-off outside the timing, so timers do not pile up.
        QCoreApplication::processEvents();

        timer.start();
        QXmlStreamReader reader(answer);
        while (!reader.atEnd()) {
            reader.readNext();
            ++tokens;
        }
        const double b = timer.nsecsElapsed() / 1000.0;
        if (i >= warmUp) {
            clientUs.push_back(a);
            readerUs.push_back(b);
        }
    }
    if (!client.isParse() || client.getDeviceCount() != 8 || listener.handOffs == 0) {
        std::fprintf(stderr, "bench_parse: the answer did not parse into eight enclosures\n");
        return 1;
    }
    const double a = bench::median(clientUs);
    const double b = bench::median(readerUs);
    std::printf("answer: %lld bytes, 8 enclosures, %d iterations (%lld reader tokens)\n",
                static_cast<long long>(answer.size()), iterations,
                static_cast<long long>(tokens / (warmUp + iterations)));
    std::printf("client parse+merge (handleReadBytes): median %.1f us per answer\n", a);
    std::printf("bare QXmlStreamReader pass:           median %.1f us per answer\n", b);
    std::printf("ratio client / bare reader:           %.2f\n", b > 0 ? a / b : 0.0);
    return 0;
}
