// SPDX-License-Identifier: GPL-3.0-or-later
// The client against a stand-in service on a real loopback connection.
#include "platform/modalgate.h"
#include "servicefixtures.h"
#include "testmain.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

using namespace fixtures;

namespace {

void spin(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QList<bool> verdicts(const QSignalSpy& spy)
{
    QList<bool> out;
    for (const QList<QVariant>& args : spy)
        out.append(args.at(0).toBool());
    return out;
}

} // namespace

class TestServiceConnection : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTcpServer> server;
    std::unique_ptr<FakeListener> listener;
    std::unique_ptr<ParseRaidInfo> client;
    std::unique_ptr<QSignalSpy> parsed;

    // The service's side of the next connection.
    QTcpSocket* accept()
    {
        if (!QTest::qWaitFor([&] { return server->hasPendingConnections(); }, 5000))
            return nullptr;
        QTcpSocket* peer = server->nextPendingConnection();
        peer->setParent(server.get());
        return peer;
    }
    static QByteArray readBytes(QTcpSocket* peer, qsizetype count)
    {
        (void)QTest::qWaitFor([&] { return peer->bytesAvailable() >= count; }, 5000);
        return peer->read(count);
    }
    static void send(QTcpSocket* peer, const QByteArray& bytes)
    {
        peer->write(bytes);
        peer->flush();
    }
    // Connects with the pending command and takes it off the wire.
    QTcpSocket* connectAndTakeCommand(int command = ParseRaidInfo::kConfig)
    {
        client->setCommand(command);
        client->openStream();
        QTcpSocket* peer = accept();
        if (peer)
            readBytes(peer, ParseRaidInfo::commandText(command).size());
        return peer;
    }

private slots:
    void init()
    {
        server = std::make_unique<QTcpServer>();
        QVERIFY(server->listen(QHostAddress::LocalHost, 0));
        listener = std::make_unique<FakeListener>();
        client = std::make_unique<ParseRaidInfo>(listener.get());
        listener->client = client.get();
        client->setPort(server->serverPort());
        client->setHandOffIntervals(0, 0);
        parsed = std::make_unique<QSignalSpy>(client.get(), &ParseRaidInfo::documentParsed);
    }
    void cleanup()
    {
        parsed.reset();
        client.reset();
        listener.reset();
        server.reset();
        QCOMPARE(ModalGate::instance().depth(), 0);
    }

    void firstConnectionAsksForTheConfiguration()
    {
        QSignalSpy state(client.get(), &ParseRaidInfo::connectionStateChanged);
        client->openStream(); // no setCommand: code 3 since creation
        QTcpSocket* peer = accept();
        QVERIFY(peer);
        QCOMPARE(readBytes(peer, 16), QByteArray("<SVConfigCmd/>\r\n"));
        QCOMPARE(client->getCommand(), 0);
        QTRY_VERIFY(client->isConnected());
        QCOMPARE(state.size(), 1);
        QCOMPARE(state.at(0).at(0).toBool(), true);
        send(peer, answer({Box{QStringLiteral("1001")}}));
        QTRY_COMPARE(parsed->size(), 1);
        QTRY_COMPARE(listener->deliveries.size(), 1);
        // The connection stays open, and later room to write sends nothing more.
        spin(20);
        QCOMPARE(peer->bytesAvailable(), 0);
        QVERIFY(client->isConnected());
        QCOMPARE(listener->errors, 0);
    }

    void commandBytes_data()
    {
        QTest::addColumn<int>("command");
        QTest::addColumn<int>("size");
        QTest::newRow("GPIO") << 1 << 100;
        QTest::newRow("device scan") << 2 << 21;
        QTest::newRow("configuration") << 3 << 16;
        QTest::newRow("idle") << 0 << 0;
        QTest::newRow("unknown") << 9 << 0;
        QTest::newRow("negative") << -1 << 0;
    }
    void commandBytes()
    {
        QFETCH(int, command);
        QFETCH(int, size);
        client->setCommand(command);
        client->openStream();
        QTcpSocket* peer = accept();
        QVERIFY(peer);
        if (size > 0)
            QTRY_COMPARE(peer->bytesAvailable(), qint64(size));
        // A round trip, so anything written on connecting has arrived.
        send(peer, answer({}));
        QTRY_COMPARE(parsed->size(), 1);
        spin(20);
        const QByteArray written = peer->readAll();
        QCOMPARE(written.size(), size);
        QCOMPARE(written, ParseRaidInfo::commandText(command));
        QVERIFY(!written.contains('\0'));
        if (size > 0)
            QVERIFY(written.endsWith("/>\r\n"));
        QCOMPARE(client->getCommand(), 0);
    }

    void reconnectWritesTheNewCommand()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        client->setCommand(ParseRaidInfo::kScanDevices);
        client->openStream();
        QTcpSocket* second = accept();
        QVERIFY(second);
        QCOMPARE(readBytes(second, 21), QByteArray("<SVScanDevicesCmd/>\r\n"));
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        spin(20);
        QCOMPARE(listener->errors, 0);
    }

    void splitAnswerIsParsedOnce()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        const QByteArray message = answer({Box{QStringLiteral("11")}, Box{QStringLiteral("22")}});
        send(peer, message.left(message.size() / 2));
        spin(30);
        QCOMPARE(parsed->size(), 0);
        send(peer, message.mid(message.size() / 2));
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(verdicts(*parsed), QList<bool>{true});
        QCOMPARE(client->getDeviceCount(), 2);
        QCOMPARE(client->data(), message.trimmed());
    }

    void coalescedMessagesAreParsedApart()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        send(peer, answer({Box{QStringLiteral("11")}}) + eventMessage(5, QStringLiteral("11")) +
                       answer({Box{QStringLiteral("22")}}));
        QTRY_COMPARE(parsed->size(), 3);
        QCOMPARE(verdicts(*parsed), (QList<bool>{true, true, true}));
        // The two answers waited together: one pass over the table that holds both.
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QCOMPARE(listener->deliveries[0].deviceCount, 2);
        spin(20);
        QCOMPARE(listener->deliveries.size(), 1);
    }

    void oversizedMessageFailsThenNextParses()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        Box box{QStringLiteral("11")};
        const qsizetype base = answer({box}).size() + QByteArray(" Pad=\"\"").size();
        box.extra = " Pad=\"" + QByteArray(70000 - base, 'p') + "\"";
        const QByteArray big = answer({box});
        QCOMPARE(big.size(), 70000);
        send(peer, big);
        send(peer, answer({Box{QStringLiteral("22")}}));
        QTRY_COMPARE(parsed->size(), 2);
        spin(20);
        QCOMPARE(verdicts(*parsed), (QList<bool>{false, true}));
        QCOMPARE(client->getDeviceCount(), 1);
        QCOMPARE(client->serialNumber(0), 22);
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QVERIFY(!listener->deliveries[0].isParse);
        QVERIFY(listener->deliveries[1].isParse);
    }

    void badBytesFailThenNextParses_data()
    {
        QTest::addColumn<QByteArray>("bad");
        QTest::addColumn<QList<bool>>("expected");
        const QList<bool> failedThenParsed{false, true};
        QTest::newRow("garbage") << QByteArray("garbage\r\n") << failedThenParsed;
        QTest::newRow("NUL inside")
            << QByteArray("<SVConfigCmd>\0\0</SVConfigCmd>", 29) << failedThenParsed;
        // NUL bytes between documents separate them like white space.
        QTest::newRow("NUL before") << QByteArray("\0\0\0", 3) << QList<bool>{true};
        QTest::newRow("malformed")
            << QByteArray("<SVConfigCmd><SVBox a=1/></SVConfigCmd>") << failedThenParsed;
        QTest::newRow("binary") << QByteArray("\x01\x02\xff\xfe\x80") << failedThenParsed;
        // An element left open: the root's end tag still ends the document.
        QTest::newRow("unbalanced")
            << QByteArray("<SVConfigCmd eResult='0'><SVBox SerialNumber='49'></SVConfigCmd>\r\n")
            << failedThenParsed;
    }
    void badBytesFailThenNextParses()
    {
        QFETCH(QByteArray, bad);
        QFETCH(QList<bool>, expected);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        send(peer, bad);
        send(peer, answer({Box{QStringLiteral("33")}}));
        QTRY_COMPARE(parsed->size(), expected.size());
        spin(20);
        QCOMPARE(verdicts(*parsed), expected);
        QCOMPARE(client->serialNumber(0), 33);
        QCOMPARE(listener->errors, 0);
    }

    void serviceClosingMidAnswerIsReportedOnce()
    {
        QSignalSpy state(client.get(), &ParseRaidInfo::connectionStateChanged);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        const QByteArray message = answer({Box{QStringLiteral("11")}});
        send(peer, message.left(40));
        peer->disconnectFromHost();
        QTRY_COMPARE(listener->errors, 1);
        spin(50);
        QCOMPARE(listener->errors, 1);
        QCOMPARE(parsed->size(), 0);
        QCOMPARE(state.last().at(0).toBool(), false);
        QVERIFY(!client->isConnected());

        // The retry reconnects; a new connection that fails is reported again, once.
        client->setCommand(ParseRaidInfo::kConfig);
        client->openStream();
        QTcpSocket* second = accept();
        QVERIFY(second);
        QCOMPARE(readBytes(second, 16), QByteArray("<SVConfigCmd/>\r\n"));
        // The old half answer is gone: a whole answer on the new connection parses.
        send(second, message);
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(verdicts(*parsed), QList<bool>{true});
        second->abort();
        QTRY_COMPARE(listener->errors, 2);
        spin(50);
        QCOMPARE(listener->errors, 2);
    }

    void serviceClosingAfterAnswerParsesItFirst()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        send(peer, answer({Box{QStringLiteral("11")}}));
        peer->disconnectFromHost();
        QTRY_COMPARE(listener->errors, 1);
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(client->getDeviceCount(), 1);
    }

    // A written command waits for a document that is not an event message.
    void answerWait_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<bool>("awaiting");
        QTest::newRow("answer") << answer({Box{QStringLiteral("11")}}) << false;
        QTest::newRow("failed document") << QByteArray("garbage\r\n") << false;
        QTest::newRow("event message only") << eventMessage(5, QStringLiteral("11")) << true;
    }
    void answerWait()
    {
        QFETCH(QByteArray, reply);
        QFETCH(bool, awaiting);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        QVERIFY(client->isAwaitingAnswer());
        send(peer, reply);
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(client->isAwaitingAnswer(), awaiting);
        QCOMPARE(listener->errors, 0);
    }

    void unansweredCommandIsALostConnection()
    {
        client->setTimeouts(50, 3600000);
        QSignalSpy state(client.get(), &ParseRaidInfo::connectionStateChanged);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        QTRY_COMPARE(listener->errors, 1);
        QVERIFY(!client->isConnected());
        QVERIFY(!client->isAwaitingAnswer());
        QCOMPARE(state.last().at(0).toBool(), false);
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        spin(100);
        QCOMPARE(listener->errors, 1);
    }

    // A document the service leaves unfinished is handed over as a failed parse once no
    // byte has come for the time-out.
    void unfinishedDocumentFails()
    {
        client->setTimeouts(3600000, 50);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        send(peer, "<SVConfigCmd eResult=\"0\"><SVBox SerialNumber=\"49\">");
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(verdicts(*parsed), QList<bool>{false});
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QVERIFY(!listener->deliveries[0].isParse);
        // The next message starts clean.
        const QByteArray next = answer({Box{QStringLiteral("22")}});
        send(peer, next);
        QTRY_COMPARE(parsed->size(), 2);
        QCOMPARE(verdicts(*parsed), (QList<bool>{false, true}));
        QCOMPARE(client->serialNumber(0), 22);

        // The time-out came due behind a panel, and the rest of the document came after it
        // and waited in the socket: it is read first, and the document is whole.
        send(peer, next.left(40));
        spin(10);
        {
            ModalScope modal;
            QTRY_VERIFY(ModalGate::instance().pending() > 0);
            send(peer, next.mid(40));
            spin(50);
        }
        QTRY_COMPARE(parsed->size(), 3);
        QCOMPARE(verdicts(*parsed), (QList<bool>{false, true, true}));
        QCOMPARE(listener->errors, 0);
    }

    // While a panel holds the reader, the socket takes in one buffer's worth and TCP holds
    // the service back; one read waits behind the panel, whatever the service sends.
    void panelHoldsTheServiceBack()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        QTRY_VERIFY(client->isConnected());
        constexpr qint64 total = 64 * 1024 * 1024;
        qint64 stalled = 0;
        {
            ModalScope modal;
            // Single bytes, each read on its own...
            for (int i = 0; i < 100; ++i) {
                send(peer, " ");
                spin(2);
            }
            // ...then white space between documents in many big writes, then one answer.
            const QByteArray block(64 * 1024, ' ');
            for (qint64 sent = 0; sent < total; sent += block.size())
                peer->write(block);
            peer->write(answer({Box{QStringLiteral("44")}}));
            // Until the service's side stops draining.
            qint64 last = -1;
            while (peer->bytesToWrite() != last) {
                last = peer->bytesToWrite();
                spin(200);
            }
            stalled = peer->bytesToWrite();
            QVERIFY(ModalGate::instance().pending() <= 2);
            QCOMPARE(parsed->size(), 0);
        }
        // Kernel buffers hold a few MiB at most; the rest waited at the service.
        QVERIFY2(stalled > total / 2, qPrintable(QString::number(stalled)));
        // Once the panel closes everything flows, and the answer is parsed.
        QTRY_VERIFY_WITH_TIMEOUT(parsed->size() == 1, 20000);
        QCOMPARE(client->serialNumber(0), 44);
        QCOMPARE(listener->errors, 0);
    }

    void refusedConnectionIsReportedOnce()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        client->setPort(closedPort);
        client->openStream();
        QTRY_COMPARE(listener->errors, 1);
        spin(50);
        QCOMPARE(listener->errors, 1);
        QCOMPARE(client->getCommand(), int(ParseRaidInfo::kConfig)); // nothing was written
        // Each new attempt is a new connection with its own report.
        client->openStream();
        QTRY_COMPARE(listener->errors, 2);
        spin(50);
        QCOMPARE(listener->errors, 2);
    }

    void ownCloseReportsNothing()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        client->closeStream();
        QVERIFY(!client->isConnected());
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        client->closeStream(); // closing twice is harmless
        spin(30);
        QCOMPARE(listener->errors, 0);
    }

    void replacedConnectionDeliversNothingMore()
    {
        QTcpSocket* first = connectAndTakeCommand();
        QVERIFY(first);
        {
            ModalScope modal;
            // Input of the old connection waits behind a panel...
            send(first, answer({Box{QStringLiteral("11")}}));
            QTRY_VERIFY(ModalGate::instance().pending() > 0);
            // ...when the connection is replaced.
            client->setCommand(ParseRaidInfo::kScanDevices);
            client->openStream();
        }
        QTcpSocket* second = accept();
        QVERIFY(second);
        QCOMPARE(readBytes(second, 21), QByteArray("<SVScanDevicesCmd/>\r\n"));
        QTRY_COMPARE(first->state(), QAbstractSocket::UnconnectedState);
        send(first, answer({Box{QStringLiteral("12")}})); // to a closed peer: goes nowhere
        spin(50);
        QCOMPARE(parsed->size(), 0);
        QCOMPARE(client->getDeviceCount(), 0);
        QCOMPARE(listener->errors, 0);
        // The new connection works.
        send(second, answer({Box{QStringLiteral("13")}}));
        QTRY_COMPARE(parsed->size(), 1);
        QCOMPARE(client->serialNumber(0), 13);
    }

    void modalPanelHoldsSocketInputInOrder()
    {
        client->setHandOffIntervals(20, 20);
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        send(peer, answer({Box{QStringLiteral("11")}}));
        QTRY_COMPARE(parsed->size(), 1);
        {
            ModalScope modal;
            // The first answer's hand-off fires behind the panel...
            QTRY_COMPARE(ModalGate::instance().pending(), 1);
            // ...then the second answer arrives.
            send(peer, answer({Box{QStringLiteral("22")}}));
            QTRY_VERIFY(ModalGate::instance().pending() >= 2);
            spin(30);
            QCOMPARE(parsed->size(), 1);
            QCOMPARE(listener->deliveries.size(), 0);
            QCOMPARE(client->getDeviceCount(), 1);
        }
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QCOMPARE(parsed->size(), 2);
        // In the order they came: the first hand-off saw the table before the second answer.
        QCOMPARE(listener->deliveries[0].deviceCount, 1);
        QCOMPARE(listener->deliveries[0].serial, 11);
        QCOMPARE(listener->deliveries[1].deviceCount, 2);
        QCOMPARE(listener->deliveries[1].serial, 22);
    }

    void destroyingTheClientClosesQuietly()
    {
        QTcpSocket* peer = connectAndTakeCommand();
        QVERIFY(peer);
        client.reset();
        listener->client = nullptr;
        QTRY_COMPARE(peer->state(), QAbstractSocket::UnconnectedState);
        QCOMPARE(listener->errors, 0);
    }
};

TAMRO_TEST_GUILESS_MAIN(TestServiceConnection)
#include "test_serviceconnection.moc"
