// SPDX-License-Identifier: GPL-3.0-or-later
// The alert policy on a clock of the test's own: reminders from the first report until the
// problem ends, the flapping limit and its count of alerts held back, the service out of
// reach and back once each, and no second notice panel while one is open.
#include "alerts/alertcenter.h"
#include "alerts/noticechannels.h"
#include "platform/ports.h"
#include "settings/optionflags.h"
#include "testmain.h"

#include <QTest>

#include <functional>
#include <optional>

namespace {

// Records what it was given: "problem A", "reminder A", "rebuild A", "down", "up", with
// " +N" when N alerts were held back before it.
class RecordingChannel : public AlertChannel
{
public:
    QString channelName() const override { return QStringLiteral("record"); }
    bool wants(const AlertEvent&) const override { return true; }
    void deliver(const AlertEvent& event) override
    {
        QString text;
        switch (event.kind) {
        case AlertEvent::Kind::Problem:
            text = (event.reminder ? u"reminder "_qs : u"problem "_qs) + event.serial;
            break;
        case AlertEvent::Kind::RebuildFinished:
            text = u"rebuild "_qs + event.serial;
            break;
        case AlertEvent::Kind::ServiceUnreachable:
            text = u"down"_qs;
            break;
        case AlertEvent::Kind::ServiceReachable:
            text = u"up"_qs;
            break;
        case AlertEvent::Kind::Test:
            text = u"test"_qs;
            break;
        }
        if (event.heldBack > 0)
            text += u" +"_qs + QString::number(event.heldBack);
        if (event.reminder && event.since.toMSecsSinceEpoch() != firstReport)
            text += u" (wrong since)"_qs;
        delivered << text;
    }
    QStringList delivered;
    qint64 firstReport = 0;
};

AlertEvent enclosureEvent(AlertEvent::Kind kind, const QString& serial)
{
    AlertEvent event;
    event.kind = kind;
    event.serial = serial;
    event.name = serial;
    event.plugText = QStringLiteral("MSG_DiskInfo2");
    return event;
}

// One step: the clock moves on, then one action.
struct Step
{
    qint64 advanceMs = 0;
    QString action; // "problem A", "rebuild A", "states A B", "states", "tick", "down", "up"
    QStringList delivered;
};

constexpr qint64 kHour = 1000;
constexpr qint64 kFlap = 600;

} // namespace

Q_DECLARE_METATYPE(QList<Step>)

class TestAlertCenter : public QObject
{
    Q_OBJECT
private slots:
    void policy_data();
    void policy();
    void noSecondPanelWhileOneIsOpen();
    void desktopNotifications_data();
    void desktopNotifications();
};

void TestAlertCenter::policy_data()
{
    QTest::addColumn<int>("reminderHours");
    QTest::addColumn<QList<Step>>("steps");

    QTest::newRow("reminders every hour until the problem ends")
        << 1
        << QList<Step>{{0, "problem A", {"problem A"}},
                       {0, "states A", {}},
                       {kHour - 1, "tick", {}},
                       {1, "tick", {"reminder A"}},
                       {kHour / 2, "tick", {}},
                       {kHour / 2, "tick", {"reminder A"}},
                       // A long wait gives one reminder, not a pile of them.
                       {5 * kHour, "tick", {"reminder A"}},
                       {0, "states", {}},
                       {10 * kHour, "tick", {}}};
    QTest::newRow("every six hours") << 6
                                     << QList<Step>{{0, "problem A", {"problem A"}},
                                                    {0, "states A", {}},
                                                    {kHour, "tick", {}},
                                                    {5 * kHour, "tick", {"reminder A"}}};
    QTest::newRow("no reminders with ReminderHours 0")
        << 0
        << QList<Step>{
               {0, "problem A", {"problem A"}}, {0, "states A", {}}, {50 * kHour, "tick", {}}};
    QTest::newRow("reminders of one enclosure stop, of the other go on")
        << 1
        << QList<Step>{{0, "problem A", {"problem A"}},
                       {0, "problem B", {"problem B"}},
                       {0, "states A B", {}},
                       {kHour / 2, "states B", {}},
                       {kHour / 2, "tick", {"reminder B"}}};
    QTest::newRow("flapping: one problem alert per window, then the count")
        << 0
        << QList<Step>{{0, "problem A", {"problem A"}},
                       {0, "states", {}},
                       {100, "problem A", {}},
                       {0, "states", {}},
                       {100, "problem A", {}},
                       {0, "problem B", {"problem B"}},
                       {kFlap - 200, "problem A", {"problem A +2"}},
                       {1, "problem A", {}}};
    QTest::newRow("flapping: the count goes with the next alert of any kind")
        << 0
        << QList<Step>{{0, "problem A", {"problem A"}},
                       {10, "problem A", {}},
                       {10, "rebuild A", {"rebuild A +1"}},
                       {10, "rebuild A", {"rebuild A"}}};
    QTest::newRow("service out of reach and back, once each")
        << 0 << QList<Step>{{0, "up", {}},      {0, "down", {"down"}}, {0, "down", {}},
                            {10, "up", {"up"}}, {10, "up", {}},        {10, "down", {"down"}}};
}

void TestAlertCenter::policy()
{
    QFETCH(int, reminderHours);
    QFETCH(QList<Step>, steps);

    qint64 now = 1'700'000'000'000;
    AlertCenter center({kHour, kFlap});
    center.setClock([&now] { return now; });
    center.setReminderHours([reminderHours] { return reminderHours; });
    RecordingChannel channel;
    center.addChannel(&channel);

    for (const Step& step : steps) {
        now += step.advanceMs;
        const QStringList words = step.action.split(u' ');
        const QString verb = words.first();
        if (verb == u"problem") {
            channel.firstReport = now;
            center.publish(enclosureEvent(AlertEvent::Kind::Problem, words.at(1)));
        } else if (verb == u"rebuild") {
            center.publish(enclosureEvent(AlertEvent::Kind::RebuildFinished, words.at(1)));
        } else if (verb == u"states") {
            center.setProblemEnclosures(QSet<QString>(words.begin() + 1, words.end()));
        } else if (verb == u"tick") {
            center.checkReminders();
        } else {
            AlertEvent service;
            service.kind = verb == u"down" ? AlertEvent::Kind::ServiceUnreachable
                                           : AlertEvent::Kind::ServiceReachable;
            center.publish(service);
        }
        QCOMPARE(channel.delivered, step.delivered);
        channel.delivered.clear();
    }
}

// A reminder that comes while the notice panel is still open goes to the other channels only.
void TestAlertCenter::noSecondPanelWhileOneIsOpen()
{
    struct Modal : ModalPresenter
    {
        void alert(const QString&, bool) override {}
        void displayPanel(const QString& text) override
        {
            panels << text;
            if (whileOpen)
                std::exchange(whileOpen, {})();
        }
        int runQuitPanel(const QString&) override { return 0; }
        std::optional<QString> runPasswordPanel(const QString&) override { return {}; }
        std::optional<QString> runSaveDialog(const QString&) override { return {}; }
        QStringList panels;
        std::function<void()> whileOpen;
    } modal;
    OptionFlags flags;
    flags._isDispPanel = true;

    qint64 now = 0;
    AlertCenter center({kHour, kFlap});
    center.setClock([&now] { return now; });
    center.setReminderHours([] { return 1; });
    RecordingChannel channel;
    NoticePanelChannel panel(modal, flags);
    center.addChannel(&channel);
    center.addChannel(&panel);

    // The panel stays open over an hour: the reminder reaches the other channel only.
    modal.whileOpen = [&] {
        now += kHour;
        center.checkReminders();
    };
    center.publish(enclosureEvent(AlertEvent::Kind::Problem, QStringLiteral("A")));
    QCOMPARE(modal.panels, QStringList{"DeviceName:A\nMSG_DiskInfo2MSG_DiskCheck"});
    QCOMPARE(channel.delivered, (QStringList{"problem A", "reminder A"}));
    QVERIFY(!panel.isOpen());

    // Closed: the next reminder shows it again.
    now += kHour;
    center.checkReminders();
    QCOMPARE(modal.panels.size(), 2);

    // After a burst the panel counts what it held back, as mail and the webhook do.
    AlertEvent held = enclosureEvent(AlertEvent::Kind::Problem, QStringLiteral("A"));
    held.heldBack = 2;
    panel.deliver(held);
    QCOMPARE(modal.panels.last(),
             QStringLiteral("DeviceName:A\nMSG_DiskInfo2MSG_DiskCheck\nMSG_AlertsHeldBack 2"));
}

void TestAlertCenter::desktopNotifications_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("notices"); // -1: none, else the NoticeKind
    QTest::newRow("on, a problem")
        << true << int(AlertEvent::Kind::Problem) << int(NoticeKind::Problem);
    QTest::newRow("on, a rebuild finished")
        << true << int(AlertEvent::Kind::RebuildFinished) << int(NoticeKind::RebuildFinished);
    QTest::newRow("on, the service out of reach (the alert says it)")
        << true << int(AlertEvent::Kind::ServiceUnreachable) << -1;
    QTest::newRow("off, a problem") << false << int(AlertEvent::Kind::Problem) << -1;
}

void TestAlertCenter::desktopNotifications()
{
    QFETCH(bool, on);
    QFETCH(int, kind);
    QFETCH(int, notices);
    struct Status : NullStatusPresenter
    {
        void notify(NoticeKind kind, const QString&, const QString& text) override
        {
            kinds << int(kind);
            texts << text;
        }
        QList<int> kinds;
        QStringList texts;
    } status;
    OptionFlags flags;
    flags._isDesktopNotifications = on;
    AlertCenter center;
    DesktopNotificationChannel desktop(status, flags);
    center.addChannel(&desktop);
    center.publish(enclosureEvent(AlertEvent::Kind(kind), QStringLiteral("A")));
    QCOMPARE(status.kinds, notices < 0 ? QList<int>{} : QList<int>{notices});
    if (kind == int(AlertEvent::Kind::Problem) && on)
        QCOMPARE(status.texts, QStringList{"UI_NotifyProblem\nA: MSG_DiskInfo2"});
}

TAMRO_TEST_GUILESS_MAIN(TestAlertCenter)
#include "test_alertcenter.moc"
