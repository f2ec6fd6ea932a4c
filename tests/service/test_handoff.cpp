// SPDX-License-Identifier: GPL-3.0-or-later
// Handing parsed documents to the controller: each with its own verdict, coalesced while
// they wait, never nested, and held back while a modal panel is up.
#include "platform/modalgate.h"
#include "servicefixtures.h"
#include "testmain.h"

#include <QEventLoop>
#include <QTimer>

#include <memory>

using namespace fixtures;

class TestHandOff : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<FakeListener> listener;
    std::unique_ptr<ParseRaidInfo> client;

    // Turns the default event loop for a while, as the controller does while the mail tool
    // runs.
    static void spin(int ms)
    {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    }

private slots:
    void init()
    {
        listener = std::make_unique<FakeListener>();
        client = std::make_unique<ParseRaidInfo>(listener.get());
        listener->client = client.get();
        client->setHandOffIntervals(5, 15);
    }
    void cleanup()
    {
        client.reset();
        listener.reset();
        QCOMPARE(ModalGate::instance().depth(), 0);
    }

    void deliveredOnceAfterTheDocument()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("1001")}}));
        QCOMPARE(client->pendingHandOffs(), 1);
        QCOMPARE(listener->deliveries.size(), 0); // never from inside the parse
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QCOMPARE(client->pendingHandOffs(), 0);
        spin(40);
        QCOMPARE(listener->deliveries.size(), 1);
    }

    // The pass reads the whole table: answers that wait together make one pass.
    void answersWaitingTogetherAreOnePass()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("1")}}) +
                                answer({Box{QStringLiteral("2")}}));
        QCOMPARE(client->pendingHandOffs(), 1);
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QCOMPARE(listener->deliveries[0].serial, 2);
        QCOMPARE(listener->deliveries[0].deviceCount, 2);
        spin(40);
        QCOMPARE(listener->deliveries.size(), 1);
    }

    // What each pass is handed: its document's verdict and command attributes, whatever
    // came after it, and every removal.
    void eachDocumentIsJudgedOnItsOwn_data()
    {
        QTest::addColumn<QByteArrayList>("reads");
        QTest::addColumn<QStringList>("passes");

        const QByteArray a = answer({Box{QStringLiteral("1")}});
        QTest::newRow("answer, then garbage in the same read")
            << QByteArrayList{a + "xx"} << QStringList{"ok 1", "failed 1"};
        QTest::newRow("answer, then NUL in the same read")
            << QByteArrayList{a + QByteArray(1, '\0')} << QStringList{"ok 1"};
        QTest::newRow("garbage, then answer")
            << QByteArrayList{"xx" + a} << QStringList{"failed 1", "ok 1"};
        QTest::newRow("failed command, then an event message")
            << QByteArrayList{answer({Box{QStringLiteral("1")}}, " eResult=\"1\""),
                              eventMessage(5, QStringLiteral("1"))}
            << QStringList{"ok 1 eResult=1"};
        QTest::newRow("unbalanced document, then answer")
            << QByteArrayList{"<SVConfigCmd eResult='0'><SVBox "
                              "SerialNumber='49'></SVConfigCmd>\r\n",
                              a}
            << QStringList{"failed 1", "ok 1"};
        QByteArray flood;
        for (int i = 0; i < 2000; ++i)
            flood += answer({});
        QTest::newRow("flood of answers") << QByteArrayList{a, flood} << QStringList{"ok 1"};
        QTest::newRow("removals amid answers")
            << QByteArrayList{answer({Box{QStringLiteral("1")}, Box{QStringLiteral("2")},
                                      Box{QStringLiteral("3")}}) +
                              eventMessage(13, QStringLiteral("2")) + a +
                              eventMessage(13, QStringLiteral("3")) + a}
            << QStringList{"removal ok 2", "removal ok 3", "ok 1"};
    }
    void eachDocumentIsJudgedOnItsOwn()
    {
        QFETCH(QByteArrayList, reads);
        QFETCH(QStringList, passes);
        listener->onProcess = [this] {
            // As the controller does: a removal event drops the enclosure it names.
            if (client->eventMsgIdx() == ParseRaidInfo::kRemovalEvent)
                client->removeDictAry(client->getDeviceIndex());
        };
        // Everything arrives before the first hand-off is delivered.
        for (const QByteArray& read : reads)
            client->handleReadBytes(read);
        QTRY_COMPARE(client->pendingHandOffs(), 0);
        spin(20);
        QStringList seen;
        for (const Delivery& d : std::as_const(listener->deliveries)) {
            QString text = d.isEvent && d.eventMsgIdx == ParseRaidInfo::kRemovalEvent
                               ? QStringLiteral("removal ")
                               : QString();
            text += (d.isParse ? QStringLiteral("ok ") : QStringLiteral("failed ")) +
                    QString::number(d.serial);
            if (d.eResult != 0)
                text += QStringLiteral(" eResult=%1").arg(d.eResult);
            seen << text;
        }
        QCOMPARE(seen, passes);
    }

    void heldBackWhileProcessing()
    {
        bool fedSecond = false;
        listener->onProcess = [&] {
            if (fedSecond)
                return;
            fedSecond = true;
            // A second answer arrives while the pass waits in a nested loop: its hand-off
            // fires during the pass and must wait, re-armed, until the pass is over.
            client->handleReadBytes(answer({Box{QStringLiteral("2")}}));
            QCOMPARE(client->pendingHandOffs(), 1);
            spin(80);
            QCOMPARE(listener->deliveries.size(), 1);
            QCOMPARE(client->pendingHandOffs(), 1);
            QVERIFY(client->isProcess());
        };
        client->handleReadBytes(answer({Box{QStringLiteral("1")}}));
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QCOMPARE(listener->maxDepth, 1);
        QCOMPARE(listener->deliveries[1].serial, 2);
        QVERIFY(listener->deliveries[1].isProcess);
        QVERIFY(!client->isProcess());
        spin(60);
        QCOMPARE(listener->deliveries.size(), 2);
        QCOMPARE(client->pendingHandOffs(), 0);
    }

    void processFlagClearsWhenThePassReturnsEarly()
    {
        listener->onProcess = [] { return; };
        client->handleReadBytes(answer({}));
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QVERIFY(listener->deliveries[0].isProcess);
        QVERIFY(!client->isProcess());
    }

    void destroyedClientIsNeverCalled()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("1")}}));
        QCOMPARE(client->pendingHandOffs(), 1);
        client.reset();
        spin(40);
        QCOMPARE(listener->deliveries.size(), 0);
    }

    void failedDocumentIsHandedOffTooAndClientKeepsWorking()
    {
        client->handleReadBytes("<SVConfigCmd><SVBox a=1/></SVConfigCmd>");
        QVERIFY(!client->isParse());
        QTRY_COMPARE(listener->deliveries.size(), 1);
        QVERIFY(!listener->deliveries[0].isParse);
        client->handleReadBytes(answer({Box{QStringLiteral("3")}}));
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QVERIFY(listener->deliveries[1].isParse);
    }

    void modalPanelHoldsHandOffs()
    {
        {
            ModalScope modal;
            client->handleReadBytes(answer({Box{QStringLiteral("1")}}));
            client->handleReadBytes(eventMessage(13, QStringLiteral("1")));
            client->handleReadBytes(answer({Box{QStringLiteral("2")}}));
            // One timer fires behind the panel, once; nothing reaches the controller.
            QTRY_COMPARE(ModalGate::instance().pending(), 1);
            spin(30);
            QCOMPARE(ModalGate::instance().pending(), 1);
            QCOMPARE(listener->deliveries.size(), 0);
            QCOMPARE(client->pendingHandOffs(), 2);
        }
        // The removal first, then the newer answer, which replaced the older one.
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QCOMPARE(listener->deliveries[0].eventMsgIdx, ParseRaidInfo::kRemovalEvent);
        QCOMPARE(listener->deliveries[0].serial, 1);
        QCOMPARE(listener->deliveries[1].serial, 2);
        QCOMPARE(client->pendingHandOffs(), 0);
    }

    void queuedHandOffOfDestroyedClientIsDropped()
    {
        {
            ModalScope modal;
            client->handleReadBytes(answer({}));
            QTRY_COMPARE(ModalGate::instance().pending(), 1);
            client.reset();
        }
        spin(30);
        QCOMPARE(ModalGate::instance().pending(), 0);
        QCOMPARE(listener->deliveries.size(), 0);
    }
};

TAMRO_TEST_GUILESS_MAIN(TestHandOff)
#include "test_handoff.moc"
