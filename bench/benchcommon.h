// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the C++ benchmarks: the eight-enclosure answer (the same bytes bench_parse times)
// and order statistics over per-iteration timings.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace bench {

// A text as the service's code list: "70, 97" for "Fa".
inline QByteArray codes(const QString& text)
{
    QStringList list;
    for (const QChar c : text)
        list.append(QString::number(c.unicode()));
    return list.join(QStringLiteral(", ")).toUtf8();
}

// Eight enclosures, one rebuilding (box 3) and one with its second drive pulled (box 5).
inline QByteArray eightEnclosureAnswer()
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

// The value below which the fraction q of the samples lie (nearest rank; q = 0.5 is the
// median, averaged over the middle pair for an even count).
inline double quantile(std::vector<double> values, double q)
{
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    if (q == 0.5)
        return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2.0;
    const auto rank = static_cast<std::size_t>(std::ceil(q * double(n)));
    return values[std::min(n - 1, rank > 0 ? rank - 1 : 0)];
}

inline double median(const std::vector<double>& values)
{
    return quantile(values, 0.5);
}

} // namespace bench
