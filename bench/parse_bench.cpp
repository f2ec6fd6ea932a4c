// Times an eight-enclosure configuration answer (a) through the client's read path (framing,
// parse, merge into the device table, hand-off armed) and (b) through a bare QXmlStreamReader
// pass over the same bytes, and prints both per-answer medians and their ratio.
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
    void processRaidInfo() override { ++handOffs; }
    void errorOccurredStreamEvent() override {}
    int handOffs = 0;
};

QByteArray codes(const QString& text)
{
    QStringList list;
    for (const QChar c : text)
        list.append(QString::number(c.unicode()));
    return list.join(QStringLiteral(", ")).toUtf8();
}

QByteArray eightEnclosureAnswer()
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                     "<SVConfigCmd eResult=\"0\" ExecInfo=\"" +
                     codes(QStringLiteral("Retrieved configuration.")) +
                     "\"><SVSystem Version=\"2.1.4\" HostName=\"" + codes(QStringLiteral("host")) +
                     "\" BoxCount=\"8\"/>";
    for (int box = 0; box < 8; ++box) {
        const QString serial = QStringLiteral("20061%1").arg(box, 3, 10, QLatin1Char('0'));
        xml += "<SVBox SerialNumber=\"" + codes(serial) + "\" BoxRebuildStatus=\"" +
               codes(box == 3 ? QStringLiteral("Rebuilding") : QStringLiteral("Normal")) +
               "\" Capacity_GB=\"232.88\" FirmwareVersion=\"" + codes(QStringLiteral("1.07B")) +
               "\" Vendor=\"" + codes(QStringLiteral("TAMRO")) + "\" BoxType=\"2\">";
        for (int drive = 0; drive < 2; ++drive) {
            xml += "<SVPhysDrive id=\"" + QByteArray::number(drive) + "\" SerialNumber=\"" +
                   codes(QStringLiteral("WD-WMAEH%1%2").arg(box).arg(drive)) + "\" ModelName=\"" +
                   codes(QStringLiteral("WDC WD2500JB-00GVC0")) + "\" PluggedIn=\"" +
                   QByteArray(box == 5 && drive == 1 ? "0" : "1") +
                   "\" ActualCapacity_GB=\"232.88\"/>";
            xml += "<SVPhysPartition Capacity_GB=\"232.88\" Status=\"" +
                   QByteArray(box == 3 && drive == 1 ? "2" : "0") + "\" RebuildProgress=\"" +
                   QByteArray(box == 3 && drive == 1 ? "37.5" : "0") + "\"/>";
        }
        xml += "<SVPartialVolume mode=\"1\" FriendlyMode=\"" +
               codes(QStringLiteral("RAID 1 (Mirror)")) + "\" Capacity_GB=\"232.88\"/></SVBox>";
    }
    xml += "</SVConfigCmd>\r\n";
    return xml;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int iterations = argc > 1 ? std::max(10, atoi(argv[1])) : 2000;
    const QByteArray answer = eightEnclosureAnswer();

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
    const double a = median(clientUs);
    const double b = median(readerUs);
    std::printf("answer: %lld bytes, 8 enclosures, %d iterations (%lld reader tokens)\n",
                static_cast<long long>(answer.size()), iterations,
                static_cast<long long>(tokens / (warmUp + iterations)));
    std::printf("client parse+merge (handleReadBytes): median %.1f us per answer\n", a);
    std::printf("bare QXmlStreamReader pass:           median %.1f us per answer\n", b);
    std::printf("ratio client / bare reader:           %.2f\n", b > 0 ? a / b : 0.0);
    return 0;
}
