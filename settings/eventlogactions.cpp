// SPDX-License-Identifier: GPL-3.0-or-later
// The event log's actions: reading it at launch, adding an event, and the log window's
// commands.
#include "settings/eventlogactions.h"

#include "platform/ports.h"
#include "service/parseraidinfo.h"
#include "settings/eventlog.h"
#include "settings/logtablemodel.h"
#include "settings/settingsform.h"
#include "util/timetext.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

EventLogActions::EventLogActions(Setup setup) : _setup(std::move(setup)) {}

void EventLogActions::readCSVFile()
{
    const EventLog::ReadResult result =
        _setup.log->read(_setup.form->text(SettingsForm::Text::LogFilePath));
    if (_setup.table)
        _setup.table->reload();
    // Said once; monitoring goes on with what could be read.
    if (result == EventLog::ReadResult::NotRegular)
        _setup.modal->alert(qtTrId("MSG_FileMessage1"), false);
    else if (result == EventLog::ReadResult::TooLarge)
        _setup.modal->alert(qtTrId("MSG_FileMessage3"), false);
}

void EventLogActions::writeCSVFile(const QString& message, int index)
{
    const QString timeText = ctimeTextNow();
    const QString name = _setup.deviceName(index);
    QString line;
    if (!message.isEmpty())
        line = EventLog::makeLine(timeText, name, QStringLiteral("-"), message);
    else if (_setup.client)
        line = EventLog::makeLine(timeText, name, _setup.client->friendlyMode(index),
                                  _setup.client->plugInfo(index));
    else
        line = EventLog::makeLine(timeText, name, QString(), QString());
    _setup.log->insert(line);

    // The path is read afresh at each write: a path changed in the settings window takes
    // effect here, with the whole log written to it. The default log folder is the
    // program's own and is made when missing; a folder the user chose is not.
    const QString path = _setup.form->text(SettingsForm::Text::LogFilePath);
    if (!path.isEmpty() &&
        QFileInfo(path).absoluteFilePath() == QFileInfo(_setup.defaultLogPath()).absoluteFilePath())
        QDir().mkpath(QFileInfo(path).absolutePath());

    const bool ok = _setup.log->write(path);
    if (!ok && _setup.modal)
        _setup.modal->alert(qtTrId("MSG_FileMessage2"), false);
    if (_setup.table)
        _setup.table->reload();
    if (_setup.written)
        _setup.written(ok);
}

void EventLogActions::w2_OrderFront()
{
    if (_setup.windows)
        _setup.windows->showLogWindow();
}

void EventLogActions::w2_Ok()
{
    if (_setup.windows)
        _setup.windows->closeLogWindow();
}
