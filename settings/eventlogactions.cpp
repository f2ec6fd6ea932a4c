// The controller's side of the event log: reading it at launch, adding an event, and the log
// window's actions.
#include "app/appcontroller.h"
#include "settings/logtablemodel.h"
#include "util/timetext.h"

#include <QDir>
#include <QFileInfo>

void AppController::readCSVFile()
{
    const EventLog::ReadResult result = _eventLog.read(_form.text(SettingsForm::Text::LogFilePath));
    if (_logTableModel)
        _logTableModel->reload();
    // Said once; monitoring goes on with what could be read.
    if (result == EventLog::ReadResult::NotRegular)
        _modal->alert(qtTrId("MSG_FileMessage1"), false);
    else if (result == EventLog::ReadResult::TooLarge)
        _modal->alert(qtTrId("MSG_FileMessage3"), false);
}

void AppController::writeCSVFile(const QString& message, int index)
{
    const QString timeText = ctimeTextNow();
    const QString name = deviceName(index);
    QString line;
    if (!message.isEmpty())
        line = EventLog::makeLine(timeText, name, QStringLiteral("-"), message);
    else if (_raidInfo)
        line = EventLog::makeLine(timeText, name, _raidInfo->friendlyMode(index),
                                  _raidInfo->plugInfo(index));
    else
        line = EventLog::makeLine(timeText, name, QString(), QString());
    _eventLog.insert(line);

    // The path is read afresh at each write: a path changed in the settings window takes
    // effect here, with the whole log written to it. The default log folder is the
    // program's own and is made when missing; a folder the user chose is not.
    const QString path = _form.text(SettingsForm::Text::LogFilePath);
    if (!path.isEmpty() &&
        QFileInfo(path).absoluteFilePath() ==
            QFileInfo(registeredDefaults().value(QStringLiteral("LogFilePath")).toString())
                .absoluteFilePath())
        QDir().mkpath(QFileInfo(path).absolutePath());

    const bool ok = _eventLog.write(path);
    if (!ok && _modal)
        _modal->alert(qtTrId("MSG_FileMessage2"), false);
    if (_logTableModel)
        _logTableModel->reload();
    emit logWritten(ok);
}

void AppController::w2_OrderFront()
{
    if (_windows)
        _windows->showLogWindow();
}

void AppController::w2_Ok()
{
    if (_windows)
        _windows->closeLogWindow();
}
