// SPDX-License-Identifier: GPL-3.0-or-later
// Feeds random bytes to the event log reader (as a whole log file) and to the code-list
// decoder, and cuts every entry read into the log window's columns. Checks the invariants a
// reader relies on: at least the header, every entry ending in CR LF with no other line end,
// and a decoded code list never longer than its room.
#include "service/parseraidinfo.h"
#include "settings/eventlog.h"
#include "util/stringenumerator.h"

#include <QCoreApplication>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    static int argc = 1;
    static char name[] = "fuzz_eventlog";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QStringList entries = EventLog::parse(bytes);
    check(!entries.isEmpty());
    for (const QString& entry : entries) {
        check(entry.endsWith(QStringLiteral("\r\n")));
        const QString body = entry.chopped(2);
        check(!body.contains(u'\r') && !body.contains(u'\n'));
        const QStringList fields = tokenize(entry, QStringLiteral(",")).allObjects();
        for (const QString& field : fields)
            check(!field.isEmpty() && !field.contains(u','));
    }

    const QString text = QString::fromLatin1(bytes);
    const QString decoded = ParseRaidInfo::convertUniData(text);
    check(decoded.size() <= ParseRaidInfo::kCodeListRoom);
    check(
        decoded.isEmpty() || decoded == QStringLiteral("-") ||
        std::all_of(decoded.cbegin(), decoded.cend(), [](QChar c) { return c.unicode() <= 122; }));
    return 0;
}
