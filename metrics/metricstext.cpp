// SPDX-License-Identifier: GPL-3.0-or-later
#include "metrics/metricstext.h"

#include "util/controltext.h"

#include <cmath>

namespace metrics {

namespace {

// Drive makers count a gigabyte as 10^9 bytes, and so does the service's ActualCapacity_GB.
constexpr double kBytesPerGb = 1e9;

QString number(double value)
{
    return QString::number(value, 'g', 15);
}

QString seconds(double value)
{
    return QString::number(value, 'f', 3);
}

class Writer
{
public:
    void family(const char* name, const char* help)
    {
        _name = QLatin1String(name);
        _text += QStringLiteral("# HELP %1 %2\n# TYPE %1 gauge\n").arg(_name, QLatin1String(help));
    }
    // One sample of the current family; labels are name/value pairs.
    void sample(const QList<std::pair<const char*, QString>>& labels, const QString& value)
    {
        _text += _name;
        if (!labels.isEmpty()) {
            _text += u'{';
            bool first = true;
            for (const auto& [label, text] : labels) {
                if (!first)
                    _text += u',';
                first = false;
                _text +=
                    QLatin1String(label) + QStringLiteral("=\"") + escapeLabelValue(text) + u'"';
            }
            _text += u'}';
        }
        _text += u' ' + value + u'\n';
    }
    QByteArray bytes() const { return _text.toUtf8(); }

private:
    QString _name;
    QString _text;
};

QString serialOf(const EnclosureSnapshot& e)
{
    return QString::number(e.key);
}

} // namespace

QString escapeLabelValue(const QString& value)
{
    QString out;
    out.reserve(value.size());
    // Other control characters become visible escapes: whoever reads the file in a terminal
    // or a scrape log sees them, never obeys them.
    for (const QChar c : visibleControls(value, u"\n")) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'"')
            out += QStringLiteral("\\\"");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else
            out += c;
    }
    return out;
}

QByteArray render(const MonitorSnapshot& snapshot, double startTimeSeconds,
                  std::optional<double> lastPassSeconds)
{
    Writer w;
    const QList<EnclosureSnapshot>& list = snapshot.enclosures;

    w.family("tamro_service_up",
             "Whether the storage service can be reached (1) or not (0). While it cannot, the "
             "enclosure metrics show the last state known.");
    w.sample({}, snapshot.state == MonitorSnapshot::State::NoService ? QStringLiteral("0")
                                                                     : QStringLiteral("1"));

    w.family("tamro_enclosures", "Number of enclosures the storage service reports.");
    w.sample({}, QString::number(list.size()));

    w.family("tamro_enclosure_info",
             "Always 1; the labels give the name the user gave the enclosure (else its serial "
             "number) and its RAID mode.");
    for (const EnclosureSnapshot& e : list)
        w.sample({{"serial", serialOf(e)}, {"name", e.name}, {"mode", e.mode}},
                 QStringLiteral("1"));

    w.family("tamro_enclosure_problem",
             "1 while the enclosure has a problem (a drive missing or failed, an error from the "
             "service, no RAID volume), else 0; the tray icon is red then.");
    for (const EnclosureSnapshot& e : list)
        w.sample({{"serial", serialOf(e)}}, e.state == EnclosureSnapshot::State::Problem
                                                ? QStringLiteral("1")
                                                : QStringLiteral("0"));

    w.family("tamro_enclosure_plug_status",
             "Drives not plugged in: 0 both present, 1 disk 1 missing, 2 disk 2 missing, 3 "
             "both missing.");
    for (const EnclosureSnapshot& e : list) {
        const int plug = (e.drives[0].plugged ? 0 : 1) | (e.drives[1].plugged ? 0 : 2);
        w.sample({{"serial", serialOf(e)}}, QString::number(plug));
    }

    w.family("tamro_enclosure_rebuilding", "1 while a rebuild of the enclosure runs, else 0.");
    for (const EnclosureSnapshot& e : list)
        w.sample({{"serial", serialOf(e)}},
                 e.rebuilding ? QStringLiteral("1") : QStringLiteral("0"));

    w.family("tamro_enclosure_rebuild_progress_ratio",
             "Progress of the running rebuild from 0 to 1; 0 when no rebuild runs.");
    for (const EnclosureSnapshot& e : list) {
        const int percent = e.rebuilding ? e.rebuildingDriveProgress() : -1;
        w.sample({{"serial", serialOf(e)}}, number(percent < 0 ? 0.0 : percent / 100.0));
    }

    w.family("tamro_drive_present", "1 when the drive (disk 1 or 2) is plugged in, else 0.");
    for (const EnclosureSnapshot& e : list) {
        for (int d = 0; d < 2; ++d)
            w.sample({{"serial", serialOf(e)}, {"drive", QString::number(d + 1)}},
                     e.drives[d].plugged ? QStringLiteral("1") : QStringLiteral("0"));
    }

    w.family("tamro_drive_capacity_bytes",
             "Actual capacity of the drive in bytes (10^9 per gigabyte the service reports); "
             "absent when the service gave no number.");
    for (const EnclosureSnapshot& e : list) {
        for (int d = 0; d < 2; ++d) {
            const double gb = e.drives[d].capacityGb;
            if (gb >= 0 && std::isfinite(gb))
                w.sample({{"serial", serialOf(e)}, {"drive", QString::number(d + 1)}},
                         QString::number(std::round(gb * kBytesPerGb), 'f', 0));
        }
    }

    w.family("tamro_last_pass_timestamp_seconds",
             "When the monitor last evaluated an answer of the storage service.");
    if (lastPassSeconds)
        w.sample({}, seconds(*lastPassSeconds));

    w.family("tamro_monitor_start_time_seconds", "When the monitor started.");
    w.sample({}, seconds(startTimeSeconds));

    return w.bytes();
}

} // namespace metrics
