// Handing parsed documents to the controller: once each, never nested, and held back while
// a modal panel is up.
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

    void everyDocumentHasItsOwnHandOff()
    {
        client->handleReadBytes(answer({Box{QStringLiteral("1")}}) +
                                answer({Box{QStringLiteral("2")}}));
        QCOMPARE(client->pendingHandOffs(), 2);
        QTRY_COMPARE(listener->deliveries.size(), 2);
        QCOMPARE(listener->deliveries[0].serial, 1);
        QCOMPARE(listener->deliveries[1].serial, 2);
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

    void modalPanelHoldsHandOffsInOrder()
    {
        {
            ModalScope modal;
            client->handleReadBytes(answer({Box{QStringLiteral("1")}}));
            client->handleReadBytes(answer({Box{QStringLiteral("2")}}));
            // Both timers fire behind the panel; nothing reaches the controller.
            QTRY_COMPARE(ModalGate::instance().pending(), 2);
            spin(30);
            QCOMPARE(listener->deliveries.size(), 0);
            QCOMPARE(client->pendingHandOffs(), 2);
        }
        QTRY_COMPARE(listener->deliveries.size(), 2);
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
