// SPDX-License-Identifier: GPL-3.0-or-later
#include "simserver.h"

#include "protocol/clientlink.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <unistd.h>
#include <utility>

namespace tamro::sim {

namespace {

// Commands from clients and control lines longer than this are dropped, not buffered forever.
constexpr qsizetype MaxCommandBytes = 64 * 1024;
constexpr qsizetype MaxControlLineBytes = 4 * 1024 * 1024;
constexpr qsizetype MaxGeneratedBytes = 64 * 1024 * 1024;

QStringList reply(const QString& error = QString())
{
    return {error.isEmpty() ? QStringLiteral("ok") : QStringLiteral("error: ") + error};
}

QStringList splitWords(const QString& line)
{
    static const QRegularExpression space(QStringLiteral("\\s+"));
    return line.split(space, Qt::SkipEmptyParts);
}

// Turns "\r", "\n", "\t", "\0", "\\" and "\xHH" into their bytes; false on a bad escape.
bool unescape(const QString& text, QByteArray* out)
{
    const QByteArray in = text.toUtf8();
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in.at(i);
        if (c != '\\') {
            out->append(c);
            continue;
        }
        if (++i >= in.size())
            return false;
        switch (in.at(i)) {
        case 'r':
            out->append('\r');
            break;
        case 'n':
            out->append('\n');
            break;
        case 't':
            out->append('\t');
            break;
        case '0':
            out->append('\0');
            break;
        case '\\':
            out->append('\\');
            break;
        case 'x': {
            bool ok = false;
            const int value = in.mid(i + 1, 2).toInt(&ok, 16);
            if (!ok || i + 2 >= in.size())
                return false;
            out->append(char(value));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool parseSize(const QString& word, qsizetype min, qsizetype max, qsizetype* value)
{
    bool ok = false;
    const qlonglong n = word.toLongLong(&ok);
    if (!ok || n < min || n > max)
        return false;
    *value = qsizetype(n);
    return true;
}

bool parseSwitch(const QStringList& words, bool* value)
{
    if (words.size() != 2)
        return false;
    if (words.at(1) == QLatin1String("on"))
        *value = true;
    else if (words.at(1) == QLatin1String("off"))
        *value = false;
    else
        return false;
    return true;
}

} // namespace

SimServer::SimServer(const SimOptions& options, QObject* parent)
    : QObject(parent), _options(options)
{
    _timelineTimer.setSingleShot(true);
    connect(&_timelineTimer, &QTimer::timeout, this, &SimServer::runDueTimeline);
    connect(&_server, &QTcpServer::newConnection, this, &SimServer::onNewClient);
    connect(&_controlServer, &QTcpServer::newConnection, this, &SimServer::onNewControl);
}

SimServer::~SimServer() = default;

void SimServer::log(const QString& text)
{
    std::fprintf(stderr, "sim: %s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString SimServer::loadScenario()
{
    if (_options.scenarioFile.isEmpty())
        return {};
    QFile file(_options.scenarioFile);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read scenario %1: %2")
            .arg(_options.scenarioFile, file.errorString());
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (!doc.isObject())
        return QStringLiteral("scenario %1 is not a JSON object: %2")
            .arg(_options.scenarioFile, parseError.errorString());
    const QJsonObject root = doc.object();
    if (const QString error = _state.loadScenario(root); !error.isEmpty())
        return QStringLiteral("scenario %1: %2").arg(_options.scenarioFile, error);

    const QJsonValue timeline = root.value(QLatin1String("timeline"));
    if (!timeline.isUndefined() && !timeline.isArray())
        return QStringLiteral("scenario %1: \"timeline\" must be an array")
            .arg(_options.scenarioFile);
    const QJsonArray entries = timeline.toArray();
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QJsonObject entry = entries.at(i).toObject();
        const QJsonValue at = entry.value(QLatin1String("at_ms"));
        const QJsonValue cmd = entry.value(QLatin1String("cmd"));
        if (!at.isDouble() || at.toDouble() < 0 || !cmd.isString())
            return QStringLiteral("scenario %1: timeline entry %2 needs \"at_ms\" >= 0 and "
                                  "\"cmd\"")
                .arg(_options.scenarioFile)
                .arg(i);
        _timeline.append({qint64(at.toDouble()), cmd.toString()});
    }
    // Applied in time order; entries with the same time keep their order in the file.
    std::stable_sort(
        _timeline.begin(), _timeline.end(),
        [](const TimelineEntry& a, const TimelineEntry& b) { return a.atMs < b.atMs; });
    log(QStringLiteral("loaded scenario %1: %2 enclosure(s), %3 timeline entries")
            .arg(_options.scenarioFile)
            .arg(_state.enclosures().size())
            .arg(_timeline.size()));
    return {};
}

QString SimServer::start()
{
    if (!_server.listen(QHostAddress::LocalHost, _options.port))
        return QStringLiteral("cannot listen on 127.0.0.1:%1: %2")
            .arg(_options.port)
            .arg(_server.errorString());
    if (_options.controlPort >= 0) {
        if (!_controlServer.listen(QHostAddress::LocalHost, quint16(_options.controlPort)))
            return QStringLiteral("cannot open control port 127.0.0.1:%1: %2")
                .arg(_options.controlPort)
                .arg(_controlServer.errorString());
        std::printf("control %u\n", unsigned(_controlServer.serverPort()));
        log(QStringLiteral("control channel on 127.0.0.1:%1").arg(_controlServer.serverPort()));
    }
    if (_options.readStdin) {
        _stdinNotifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
        connect(_stdinNotifier, &QSocketNotifier::activated, this, &SimServer::onStdin);
    }
    for (const QString& line : _state.describe())
        log(line);
    log(QStringLiteral("listening on 127.0.0.1:%1").arg(_server.serverPort()));
    std::printf("listening %u\n", unsigned(_server.serverPort()));
    std::fflush(stdout);
    if (!_options.waitForClient)
        startTimeline();
    return {};
}

void SimServer::startTimeline()
{
    if (_timelineStarted || !_options.runTimeline || _timeline.isEmpty())
        return;
    _timelineStarted = true;
    log(QStringLiteral("timeline started (speed %1)").arg(_options.speed));
    _timelineClock.start();
    runDueTimeline();
}

void SimServer::runDueTimeline()
{
    while (_timelineNext < _timeline.size()) {
        const TimelineEntry& entry = _timeline.at(_timelineNext);
        const qint64 due = qint64(double(entry.atMs) / _options.speed);
        const qint64 now = _timelineClock.elapsed();
        if (due > now) {
            _timelineTimer.start(int(std::min<qint64>(due - now, 24 * 3600 * 1000)));
            return;
        }
        ++_timelineNext;
        const QString command = entry.command;
        log(QStringLiteral("timeline at %1 ms: %2").arg(entry.atMs).arg(command));
        const QStringList lines = execute(command);
        for (const QString& line : lines)
            log(QStringLiteral("timeline: ") + line);
    }
    log(QStringLiteral("timeline finished"));
}

void SimServer::onNewClient()
{
    while (QTcpSocket* socket = _server.nextPendingConnection()) {
        auto* link = new ClientLink(socket, _nextClientId++, MaxCommandBytes);
        link->setParent(this);
        _clients.append(link);
        log(QStringLiteral("client %1 connected from port %2")
                .arg(link->id())
                .arg(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, link, [this, link] { onClientData(link); });
        connect(socket, &QTcpSocket::disconnected, link, [this, link] {
            log(QStringLiteral("client %1 disconnected").arg(link->id()));
            _clients.removeAll(link);
            link->deleteLater();
        });
        startTimeline();
    }
}

void SimServer::onClientData(ClientLink* link)
{
    protocol::CommandReader& reader = link->reader();
    reader.append(link->socket()->readAll());
    for (;;) {
        const protocol::CommandReader::Item item = reader.next();
        switch (item.kind) {
        case protocol::CommandReader::Item::Kind::None:
            return;
        case protocol::CommandReader::Item::Kind::Stray:
            log(QStringLiteral("client %1: ignored %2 stray byte(s)")
                    .arg(link->id())
                    .arg(item.count));
            break;
        case protocol::CommandReader::Item::Kind::TooLong:
            log(QStringLiteral("client %1: dropped an unterminated command of %2 bytes")
                    .arg(link->id())
                    .arg(item.count));
            return;
        case protocol::CommandReader::Item::Kind::Element:
            answer(link, item.bytes);
            break;
        }
    }
}

void SimServer::answer(ClientLink* link, const QByteArray& element)
{
    static const QRegularExpression nameRe(QStringLiteral("^<\\s*([A-Za-z_][A-Za-z0-9_.:-]*)"));
    const QString text = QString::fromLatin1(element);
    const QString name = nameRe.match(text).captured(1);
    if (text.startsWith(QLatin1String("</")) || text.startsWith(QLatin1String("<?")))
        return;
    if (name != QLatin1String("SVConfigCmd") && name != QLatin1String("SVScanDevicesCmd")) {
        log(QStringLiteral("client %1: unsupported command ignored: %2")
                .arg(link->id())
                .arg(text.left(200)));
        return;
    }
    if (_silent) {
        log(QStringLiteral("client %1: %2 received, silent: no answer").arg(link->id()).arg(name));
        return;
    }
    const QByteArray doc = _state.configDocument(name.toLatin1()) + std::exchange(_trail, {});
    log(QStringLiteral("client %1: %2 received, answering with %3 enclosure(s), %4 bytes")
            .arg(link->id())
            .arg(name)
            .arg(_state.enclosures().size())
            .arg(doc.size()));
    send(link, doc, 0);
}

void SimServer::send(ClientLink* link, const QByteArray& bytes, int pauseAfterMs)
{
    if (_splitSize <= 0 || bytes.size() <= _splitSize) {
        link->enqueue(bytes, pauseAfterMs);
        return;
    }
    for (qsizetype pos = 0; pos < bytes.size(); pos += _splitSize) {
        const bool last = pos + _splitSize >= bytes.size();
        link->enqueue(bytes.mid(pos, _splitSize), last ? pauseAfterMs : _options.chunkDelayMs);
    }
}

void SimServer::sendToAll(const QByteArray& bytes, int pauseAfterMs, const char* what)
{
    log(QStringLiteral("push %1 (%2 bytes) to %3 client(s)")
            .arg(QLatin1String(what))
            .arg(bytes.size())
            .arg(_clients.size()));
    for (const QPointer<ClientLink>& link : std::as_const(_clients)) {
        if (link)
            send(link, bytes, pauseAfterMs);
    }
}

void SimServer::pushOutcome(const SimOutcome& outcome)
{
    if (outcome.push == SimOutcome::Push::None)
        return;
    if (_silent) {
        log(QStringLiteral("silent: push suppressed"));
        return;
    }
    QByteArray event;
    switch (outcome.push) {
    case SimOutcome::Push::Change:
        event = SimState::eventMessage(SimState::ChangeEventMsgIdx, outcome.boxSerial);
        break;
    case SimOutcome::Push::Removal:
        event = SimState::eventMessage(SimState::RemovalEventMsgIdx, outcome.boxSerial);
        break;
    case SimOutcome::Push::EventOnly:
        sendToAll(SimState::eventMessage(outcome.msgIdx, outcome.boxSerial), 0, "event");
        return;
    default:
        break;
    }
    const QByteArray config = _state.configDocument("SVConfigCmd") + std::exchange(_trail, {});
    if (event.isEmpty())
        sendToAll(config, 0, "configuration");
    else if (_coalesce)
        sendToAll(event + config, 0, "event and configuration in one write");
    else {
        sendToAll(event, _options.gapMs, "event");
        sendToAll(config, 0, "configuration");
    }
}

QStringList SimServer::execute(const QString& rawLine)
{
    const QString line = rawLine.trimmed();
    const QStringList words = splitWords(line);
    if (words.isEmpty() || line.startsWith(QLatin1Char('#')))
        return reply(QStringLiteral("empty command"));
    log(QStringLiteral("command: %1").arg(line.left(200)));

    const SimOutcome outcome = _state.apply(words, line);
    if (outcome.handled) {
        if (!outcome.error.isEmpty())
            return reply(outcome.error);
        pushOutcome(outcome);
        return reply();
    }
    bool handled = false;
    QStringList lines = executeServerCommand(words, line, &handled);
    if (!handled)
        return reply(QStringLiteral("unknown command \"%1\" (see --help)").arg(words.first()));
    return lines;
}

QStringList SimServer::executeServerCommand(const QStringList& words, const QString& line,
                                            bool* handled)
{
    *handled = true;
    const QString& cmd = words.first();
    if (cmd == QLatin1String("raw") || cmd == QLatin1String("raw-text")) {
        QByteArray bytes;
        if (!unescape(textAfterWords(line, 1), &bytes) || bytes.isEmpty())
            return reply(QStringLiteral("usage: raw-text <text with \\r \\n \\t \\0 \\\\ \\xHH>"));
        sendToAll(bytes, 0, "raw text");
        return reply();
    }
    if (cmd == QLatin1String("trail")) {
        QByteArray bytes;
        if (!unescape(textAfterWords(line, 1), &bytes) || bytes.isEmpty())
            return reply(QStringLiteral("usage: trail <text with \\r \\n \\t \\0 \\\\ \\xHH>"));
        _trail = bytes;
        return reply();
    }
    if (cmd == QLatin1String("raw-hex")) {
        QString hex = textAfterWords(line, 1);
        hex.remove(QRegularExpression(QStringLiteral("\\s")));
        static const QRegularExpression hexRe(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
        if (!hexRe.match(hex).hasMatch())
            return reply(QStringLiteral("usage: raw-hex <pairs of hex digits>"));
        sendToAll(QByteArray::fromHex(hex.toLatin1()), 0, "raw bytes");
        return reply();
    }
    if (cmd == QLatin1String("garbage")) {
        qsizetype n = 0;
        if (words.size() != 2 || !parseSize(words.at(1), 1, MaxGeneratedBytes, &n))
            return reply(QStringLiteral("usage: garbage <n from 1 to %1>").arg(MaxGeneratedBytes));
        QByteArray bytes(n, Qt::Uninitialized);
        for (char& c : bytes)
            c = char(QRandomGenerator::global()->bounded(256));
        sendToAll(bytes, 0, "garbage");
        return reply();
    }
    if (cmd == QLatin1String("big")) {
        qsizetype n = 0;
        const qsizetype min = _state.oversizedDocument(MaxGeneratedBytes).isEmpty()
                                  ? MaxGeneratedBytes
                                  : _state.configDocument("SVConfigCmd").size() + 20;
        if (words.size() != 2 || !parseSize(words.at(1), min, MaxGeneratedBytes, &n))
            return reply(
                QStringLiteral("usage: big <n from %1 to %2>").arg(min).arg(MaxGeneratedBytes));
        sendToAll(_state.oversizedDocument(n), 0, "oversized configuration");
        return reply();
    }
    if (cmd == QLatin1String("split")) {
        qsizetype n = 0;
        if (words.size() != 2 || !parseSize(words.at(1), 0, MaxGeneratedBytes, &n))
            return reply(QStringLiteral("usage: split <chunk bytes, 0 = off>"));
        _splitSize = int(n);
        return reply();
    }
    if (cmd == QLatin1String("coalesce")) {
        if (!parseSwitch(words, &_coalesce))
            return reply(QStringLiteral("usage: coalesce on|off"));
        return reply();
    }
    if (cmd == QLatin1String("silent")) {
        if (!parseSwitch(words, &_silent))
            return reply(QStringLiteral("usage: silent on|off"));
        return reply();
    }
    if (cmd == QLatin1String("drop")) {
        log(QStringLiteral("dropping %1 client(s)").arg(_clients.size()));
        const QList<QPointer<ClientLink>> clients = _clients;
        for (const QPointer<ClientLink>& link : clients) {
            if (link)
                link->drop();
        }
        return reply();
    }
    if (cmd == QLatin1String("status")) {
        QStringList lines = _state.describe();
        lines << QStringLiteral("clients %1, silent %2, coalesce %3, split %4")
                     .arg(_clients.size())
                     .arg(_silent ? QLatin1String("on") : QLatin1String("off"))
                     .arg(_coalesce ? QLatin1String("on") : QLatin1String("off"))
                     .arg(_splitSize);
        return lines + reply();
    }
    if (cmd == QLatin1String("quit")) {
        log(QStringLiteral("quitting"));
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        return reply();
    }
    *handled = false;
    return {};
}

void SimServer::onNewControl()
{
    while (QTcpSocket* socket = _controlServer.nextPendingConnection()) {
        socket->setParent(this);
        log(QStringLiteral("control connection from port %1").arg(socket->peerPort()));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onControlData(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void SimServer::onControlData(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("lineBuffer").toByteArray() + socket->readAll();
    qsizetype newline;
    while ((newline = buffer.indexOf('\n')) >= 0) {
        QByteArray raw = buffer.left(newline);
        buffer.remove(0, newline + 1);
        if (raw.endsWith('\r'))
            raw.chop(1);
        const QString line = QString::fromUtf8(raw);
        if (line.trimmed().isEmpty())
            continue;
        for (const QString& out : execute(line))
            socket->write(out.toUtf8() + '\n');
        socket->flush();
    }
    if (buffer.size() > MaxControlLineBytes) {
        socket->write("error: control line too long\n");
        buffer.clear();
    }
    socket->setProperty("lineBuffer", buffer);
}

void SimServer::onStdin()
{
    char chunk[4096];
    const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
    if (n < 0 && (errno == EINTR || errno == EAGAIN))
        return;
    if (n <= 0) {
        // End of input (or a broken stdin) only ends this control source; the service goes on.
        _stdinNotifier->setEnabled(false);
        if (!_stdinBuffer.trimmed().isEmpty())
            runStdinLine(QString::fromUtf8(_stdinBuffer));
        _stdinBuffer.clear();
        log(QStringLiteral("standard input closed; still serving"));
        return;
    }
    _stdinBuffer.append(chunk, n);
    qsizetype newline;
    while ((newline = _stdinBuffer.indexOf('\n')) >= 0) {
        const QString line = QString::fromUtf8(_stdinBuffer.left(newline));
        _stdinBuffer.remove(0, newline + 1);
        if (!line.trimmed().isEmpty())
            runStdinLine(line);
    }
    if (_stdinBuffer.size() > MaxControlLineBytes) {
        log(QStringLiteral("error: control line too long"));
        _stdinBuffer.clear();
    }
}

void SimServer::runStdinLine(const QString& line)
{
    for (const QString& out : execute(line))
        log(out);
}

} // namespace tamro::sim
