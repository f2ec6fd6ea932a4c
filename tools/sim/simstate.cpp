// SPDX-License-Identifier: GPL-3.0-or-later
#include "simstate.h"

#include <QJsonArray>
#include <QJsonValue>
#include <QRegularExpression>

namespace tamro::sim {

namespace {

const QString Normal = QStringLiteral("Normal");
const QString Rebuilding = QStringLiteral("Rebuilding");

bool isSerial(const QString& text)
{
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,9}$"));
    return digits.match(text).hasMatch();
}

SimOutcome failed(const QString& error)
{
    SimOutcome o;
    o.handled = true;
    o.error = error;
    return o;
}

SimOutcome changed(SimOutcome::Push push, const QString& serial, int msgIdx = 0)
{
    SimOutcome o;
    o.handled = true;
    o.push = push;
    o.boxSerial = serial;
    o.msgIdx = msgIdx;
    return o;
}

QString readDrive(const QJsonObject& json, SimDrive* drive)
{
    const QJsonValue plugged = json.value(QLatin1String("plugged"));
    if (!plugged.isUndefined() && !plugged.isBool())
        return QStringLiteral("\"plugged\" must be true or false");
    drive->plugged = plugged.toBool(drive->plugged);
    drive->serial = json.value(QLatin1String("serial")).toString(drive->serial);
    drive->model = json.value(QLatin1String("model")).toString(drive->model);
    drive->actualCapacityGb =
        json.value(QLatin1String("capacity_gb")).toDouble(drive->actualCapacityGb);
    drive->partitionCapacityGb =
        json.value(QLatin1String("partition_gb")).toDouble(drive->partitionCapacityGb);
    drive->status = json.value(QLatin1String("status")).toInt(drive->status);
    drive->rebuildProgress = json.value(QLatin1String("progress")).toDouble(drive->rebuildProgress);
    return {};
}

} // namespace

QString textAfterWords(const QString& line, int count)
{
    qsizetype pos = 0;
    const qsizetype n = line.size();
    for (int w = 0; w < count; ++w) {
        while (pos < n && line.at(pos).isSpace())
            ++pos;
        while (pos < n && !line.at(pos).isSpace())
            ++pos;
    }
    while (pos < n && line.at(pos).isSpace())
        ++pos;
    return line.mid(pos).trimmed();
}

SimState::SimState() : _enclosures(defaultEnclosures()) {}

SimEnclosure SimState::makeEnclosure(const QString& serial, const QString& model)
{
    SimEnclosure box;
    box.serial = serial;
    for (int id = 0; id < 2; ++id) {
        box.drives[id].serial = QStringLiteral("SD%1%2").arg(serial).arg(id);
        box.drives[id].model = model.isEmpty() ? QStringLiteral("SimDisk 500GB") : model;
    }
    return box;
}

QList<SimEnclosure> SimState::defaultEnclosures()
{
    return {makeEnclosure(QStringLiteral("100001")), makeEnclosure(QStringLiteral("100002"))};
}

QString SimState::loadScenario(const QJsonObject& scenario)
{
    const QJsonValue eResult = scenario.value(QLatin1String("eresult"));
    if (!eResult.isUndefined() && !eResult.isDouble())
        return QStringLiteral("\"eresult\" must be a number");
    _eResult = eResult.toInt(_eResult);
    _execInfo = scenario.value(QLatin1String("execinfo")).toString(_execInfo);

    const QJsonValue list = scenario.value(QLatin1String("enclosures"));
    if (list.isUndefined())
        return {};
    if (!list.isArray())
        return QStringLiteral("\"enclosures\" must be an array");
    _enclosures.clear();
    const QJsonArray boxes = list.toArray();
    for (qsizetype i = 0; i < boxes.size(); ++i) {
        const QString where = QStringLiteral("enclosure %1: ").arg(i);
        if (!boxes.at(i).isObject())
            return where + QStringLiteral("must be an object");
        const QJsonObject json = boxes.at(i).toObject();
        const QString serial = json.value(QLatin1String("serial")).toString();
        if (const QString error = checkNewSerial(serial); !error.isEmpty())
            return where + error;
        SimEnclosure box = makeEnclosure(serial, json.value(QLatin1String("model")).toString());
        box.productName = json.value(QLatin1String("product")).toString(box.productName);
        box.rebuildStatus = json.value(QLatin1String("rebuild_status")).toString(box.rebuildStatus);
        box.mode = json.value(QLatin1String("mode")).toInt(box.mode);
        box.friendlyMode = json.value(QLatin1String("friendly_mode")).toString(box.friendlyMode);
        box.volumeCapacityGb =
            json.value(QLatin1String("capacity_gb")).toDouble(box.volumeCapacityGb);
        box.rebuildDrive = json.value(QLatin1String("rebuild_drive")).toInt(box.rebuildDrive);
        if (box.rebuildDrive != 0 && box.rebuildDrive != 1)
            return where + QStringLiteral("\"rebuild_drive\" must be 0 or 1");
        const QJsonValue drives = json.value(QLatin1String("drives"));
        if (!drives.isUndefined()) {
            if (!drives.isArray() || drives.toArray().size() > 2)
                return where + QStringLiteral("\"drives\" must be an array of at most 2");
            const QJsonArray array = drives.toArray();
            for (qsizetype id = 0; id < array.size(); ++id) {
                if (!array.at(id).isObject())
                    return where + QStringLiteral("drive %1 must be an object").arg(id);
                if (const QString error = readDrive(array.at(id).toObject(), &box.drives[id]);
                    !error.isEmpty())
                    return where + QStringLiteral("drive %1: ").arg(id) + error;
            }
        }
        _enclosures.append(box);
    }
    return {};
}

QByteArray SimState::configDocument(const QByteArray& rootName) const
{
    const QList<protocol::Enclosure> boxes(_enclosures.cbegin(), _enclosures.cend());
    return protocol::configDocument(rootName, _eResult, _execInfo, boxes);
}

QByteArray SimState::eventMessage(int msgIdx, const QString& boxSerial)
{
    return protocol::eventMessage(msgIdx, boxSerial);
}

QByteArray SimState::oversizedDocument(qsizetype size) const
{
    const QByteArray plain = configDocument("SVConfigCmd");
    const QByteArray close = "</SVConfigCmd>\r\n";
    const QByteArray head = plain.left(plain.size() - close.size());
    const QByteArray fillerOpen = "<SVPadding Data=\"";
    const QByteArray fillerClose = "\"/>";
    const qsizetype fixed = head.size() + fillerOpen.size() + fillerClose.size() + close.size();
    if (size < fixed)
        return {};
    return head + fillerOpen + QByteArray(size - fixed, 'x') + fillerClose + close;
}

QString SimState::checkEnclosure(const QString& word, int* index) const
{
    bool ok = false;
    const int value = word.toInt(&ok);
    if (!ok)
        return QStringLiteral("enclosure index \"%1\" is not a number").arg(word);
    if (value < 0 || value >= _enclosures.size())
        return QStringLiteral("no enclosure %1 (there are %2)").arg(value).arg(_enclosures.size());
    *index = value;
    return {};
}

QString SimState::checkDrive(const QString& word, int* drive)
{
    if (word != QLatin1String("0") && word != QLatin1String("1"))
        return QStringLiteral("drive must be 0 or 1, not \"%1\"").arg(word);
    *drive = word.toInt();
    return {};
}

QString SimState::checkNewSerial(const QString& serial) const
{
    if (!isSerial(serial))
        return QStringLiteral("serial number \"%1\" must be 1 to 9 decimal digits").arg(serial);
    for (const SimEnclosure& box : _enclosures) {
        if (box.serial.toInt() == serial.toInt())
            return QStringLiteral("serial number %1 is already in use").arg(serial);
    }
    return {};
}

SimOutcome SimState::apply(const QStringList& words, const QString& line)
{
    if (words.isEmpty())
        return {};
    const QString& cmd = words.first();
    const qsizetype argc = words.size() - 1;
    const auto usage = [](const char* text) {
        return failed(QStringLiteral("usage: ") + QLatin1String(text));
    };
    int e = 0;
    int d = 0;

    if (cmd == QLatin1String("plug") || cmd == QLatin1String("unplug")) {
        const bool plug = cmd == QLatin1String("plug");
        // "plug <encl> <drive> rebuild" puts a drive back and starts its rebuild in one change,
        // as the service reports a re-inserted mirror drive.
        const bool startRebuild = plug && argc == 3 && words.at(3) == QLatin1String("rebuild");
        if (argc != 2 && !startRebuild)
            return usage(plug ? "plug <encl> <drive> [rebuild]" : "unplug <encl> <drive>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        if (QString err = checkDrive(words.at(2), &d); !err.isEmpty())
            return failed(err);
        SimEnclosure& box = _enclosures[e];
        SimDrive& drive = box.drives[d];
        if (drive.plugged == plug)
            return failed(QStringLiteral("drive %1 of enclosure %2 is already %3")
                              .arg(d)
                              .arg(e)
                              .arg(plug ? QLatin1String("plugged in") : QLatin1String("pulled")));
        drive.plugged = plug;
        drive.failed = false; // a pulled drive goes, and a drive put in comes, without a fault
        drive.status = 0;
        drive.rebuildProgress = 0;
        if (plug)
            box.rebuildDrive = d;
        if (startRebuild) {
            box.rebuildStatus = Rebuilding;
            drive.status = 1;
        }
        return changed(SimOutcome::Push::Change, box.serial);
    }
    if (cmd == QLatin1String("fail") || cmd == QLatin1String("repair")) {
        const bool fail = cmd == QLatin1String("fail");
        if (argc != 2)
            return usage(fail ? "fail <encl> <drive>" : "repair <encl> <drive>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        if (QString err = checkDrive(words.at(2), &d); !err.isEmpty())
            return failed(err);
        SimDrive& drive = _enclosures[e].drives[d];
        if (!drive.plugged)
            return failed(QStringLiteral("drive %1 of enclosure %2 is pulled").arg(d).arg(e));
        if (drive.failed == fail)
            return failed(
                QStringLiteral("drive %1 of enclosure %2 has %3")
                    .arg(d)
                    .arg(e)
                    .arg(fail ? QLatin1String("failed already") : QLatin1String("not failed")));
        drive.failed = fail;
        return changed(SimOutcome::Push::Change, _enclosures[e].serial);
    }
    if (cmd == QLatin1String("rebuild")) {
        if (argc != 2 && argc != 3)
            return usage("rebuild <encl> <progress> [drive status 1|2]");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        bool ok = false;
        const double progress = words.at(2).toDouble(&ok);
        if (!ok || progress < 0 || progress > 100)
            return failed(QStringLiteral("progress must be a number from 0 to 100"));
        int status = 1;
        if (argc == 3) {
            status = words.at(3).toInt(&ok);
            if (!ok || (status != 1 && status != 2))
                return failed(QStringLiteral("rebuild drive status must be 1 or 2"));
        }
        SimEnclosure& box = _enclosures[e];
        SimDrive& drive = box.drives[box.rebuildDrive];
        if (!drive.plugged)
            return failed(QStringLiteral("drive %1 of enclosure %2 is pulled; plug it in first")
                              .arg(box.rebuildDrive)
                              .arg(e));
        box.rebuildStatus = Rebuilding;
        drive.status = status;
        drive.rebuildProgress = progress;
        return changed(SimOutcome::Push::Change, box.serial);
    }
    if (cmd == QLatin1String("progress")) {
        if (argc != 2)
            return usage("progress <encl> <value>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        bool ok = false;
        const double progress = words.at(2).toDouble(&ok);
        if (!ok || progress < 0 || progress > 100)
            return failed(QStringLiteral("progress must be a number from 0 to 100"));
        SimEnclosure& box = _enclosures[e];
        if (box.rebuildStatus == Normal)
            return failed(QStringLiteral("enclosure %1 is not rebuilding").arg(e));
        box.drives[box.rebuildDrive].rebuildProgress = progress;
        return changed(SimOutcome::Push::Change, box.serial);
    }
    if (cmd == QLatin1String("finish")) {
        if (argc != 1)
            return usage("finish <encl>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        SimEnclosure& box = _enclosures[e];
        box.rebuildStatus = Normal;
        for (SimDrive& drive : box.drives) {
            drive.status = 0;
            drive.rebuildProgress = 0;
        }
        return changed(SimOutcome::Push::Change, box.serial);
    }
    if (cmd == QLatin1String("drive-status")) {
        if (argc != 3)
            return usage("drive-status <encl> <drive> <status>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        if (QString err = checkDrive(words.at(2), &d); !err.isEmpty())
            return failed(err);
        bool ok = false;
        const int status = words.at(3).toInt(&ok);
        if (!ok)
            return failed(QStringLiteral("status must be an integer"));
        _enclosures[e].drives[d].status = status;
        return changed(SimOutcome::Push::Change, _enclosures[e].serial);
    }
    if (cmd == QLatin1String("box-status")) {
        if (argc < 2)
            return usage("box-status <encl> <text>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        _enclosures[e].rebuildStatus = textAfterWords(line, 2);
        return changed(SimOutcome::Push::Change, _enclosures[e].serial);
    }
    if (cmd == QLatin1String("mode")) {
        if (argc < 2)
            return usage("mode <encl> <mode> [friendly mode text]");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        bool ok = false;
        const int mode = words.at(2).toInt(&ok);
        if (!ok)
            return failed(QStringLiteral("mode must be an integer"));
        _enclosures[e].mode = mode;
        _enclosures[e].friendlyMode = textAfterWords(line, 3);
        return changed(SimOutcome::Push::Change, _enclosures[e].serial);
    }
    if (cmd == QLatin1String("eresult")) {
        bool ok = false;
        const int value = argc == 1 ? words.at(1).toInt(&ok) : 0;
        if (!ok)
            return usage("eresult <integer>");
        _eResult = value;
        return changed(SimOutcome::Push::None, {});
    }
    if (cmd == QLatin1String("execinfo")) {
        _execInfo = textAfterWords(line, 1);
        return changed(SimOutcome::Push::None, {});
    }
    if (cmd == QLatin1String("add")) {
        if (argc < 1)
            return usage("add <serial> [model...]");
        if (QString err = checkNewSerial(words.at(1)); !err.isEmpty())
            return failed(err);
        _enclosures.append(makeEnclosure(words.at(1), textAfterWords(line, 2)));
        return changed(SimOutcome::Push::Change, words.at(1));
    }
    if (cmd == QLatin1String("remove")) {
        if (argc != 1)
            return usage("remove <encl>");
        if (QString err = checkEnclosure(words.at(1), &e); !err.isEmpty())
            return failed(err);
        const QString serial = _enclosures.takeAt(e).serial;
        return changed(SimOutcome::Push::Removal, serial, RemovalEventMsgIdx);
    }
    if (cmd == QLatin1String("event")) {
        bool ok = false;
        const int msgIdx = argc == 2 ? words.at(1).toInt(&ok) : 0;
        if (!ok)
            return usage("event <msgidx> <serial>");
        return changed(SimOutcome::Push::EventOnly, words.at(2), msgIdx);
    }
    if (cmd == QLatin1String("push")) {
        if (argc > 1)
            return usage("push [encl]");
        if (argc == 0 && _enclosures.isEmpty())
            return changed(SimOutcome::Push::ConfigOnly, {});
        if (QString err = checkEnclosure(argc == 1 ? words.at(1) : QStringLiteral("0"), &e);
            !err.isEmpty())
            return failed(err);
        return changed(SimOutcome::Push::Change, _enclosures.at(e).serial);
    }
    return {};
}

QStringList SimState::describe() const
{
    QStringList lines;
    lines << QStringLiteral("eresult %1, execinfo \"%2\", %3 enclosure(s)")
                 .arg(_eResult)
                 .arg(_execInfo)
                 .arg(_enclosures.size());
    for (qsizetype i = 0; i < _enclosures.size(); ++i) {
        const SimEnclosure& box = _enclosures.at(i);
        QString text = QStringLiteral("enclosure %1: serial %2, \"%3\", mode %4 \"%5\"")
                           .arg(i)
                           .arg(box.serial, box.rebuildStatus)
                           .arg(box.mode)
                           .arg(box.friendlyMode);
        for (int id = 0; id < 2; ++id) {
            const SimDrive& d = box.drives[id];
            text += d.plugged ? QStringLiteral("; drive %1 plugged%2, status %3, progress %4")
                                    .arg(id)
                                    .arg(d.failed ? QLatin1String(" but failed") : QLatin1String())
                                    .arg(d.status)
                                    .arg(d.rebuildProgress)
                              : QStringLiteral("; drive %1 pulled").arg(id);
        }
        lines << text;
    }
    return lines;
}

} // namespace tamro::sim
