// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/modalanswers.h"

#include "platform/logging.h"

ModalAnswers::ModalAnswers() = default;

ModalAnswers& ModalAnswers::instance()
{
    static ModalAnswers answers;
    return answers;
}

std::optional<ModalAnswers::Answer> ModalAnswers::take(Kind kind, const QString& text)
{
    if (!_answers.isEmpty()) {
        _requests.append({kind, text});
        return _answers.takeFirst();
    }
    if (_autoAnswer) {
        _requests.append({kind, text});
        QString oneLine = text;
        oneLine.replace(QLatin1String("\r\n"), QLatin1String(" / "));
        oneLine.replace(QLatin1Char('\n'), QLatin1String(" / "));
        oneLine.replace(QLatin1Char('\r'), QLatin1String(" / "));
        qCInfo(lcMonitor).noquote() << QStringLiteral("modal: %1: %2").arg(kindName(kind), oneLine);
        return defaultAnswer(kind);
    }
    return std::nullopt;
}

void ModalAnswers::reset()
{
    _answers.clear();
    _requests.clear();
}

QString ModalAnswers::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Alert:
        return QStringLiteral("alert");
    case Kind::Notice:
        return QStringLiteral("notice");
    case Kind::Quit:
        return QStringLiteral("quit");
    case Kind::Password:
        return QStringLiteral("password");
    case Kind::Save:
        return QStringLiteral("save");
    case Kind::Open:
        return QStringLiteral("open");
    }
    return QStringLiteral("unknown");
}

ModalAnswers::Answer ModalAnswers::defaultAnswer(Kind kind)
{
    // An OK without a password would only bring the panel back with its second request,
    // again and again: the password panel and the file dialogs are cancelled.
    if (kind == Kind::Password || kind == Kind::Save || kind == Kind::Open)
        return cancel();
    return ok();
}
