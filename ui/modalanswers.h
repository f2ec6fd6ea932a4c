// SPDX-License-Identifier: GPL-3.0-or-later
// The one seam through which modal panels and alerts are answered without being shown.
// Tests queue the next answers; while answers are queued, each panel or alert takes the next
// one instead of opening and the request is recorded. A headless run (the program's
// --headless option) answers every panel and alert at once with its default and writes it as
// "modal: <kind>: <text>" to the tamro.monitor log category, the text's line breaks written
// as " / " so each request stays one line.
#pragma once

#include <QList>
#include <QString>

#include <optional>

class ModalAnswers
{
public:
    enum class Kind { Alert, Notice, Quit, Password, Save, Open };

    struct Answer
    {
        int code = 1; // 1 OK, 0 Cancel
        QString text; // the password entered, the file chosen
    };

    struct Request
    {
        Kind kind;
        QString text; // the message shown (for the file dialogs: the start path)
    };

    static ModalAnswers& instance();

    static Answer ok(const QString& text = {}) { return {1, text}; }
    static Answer cancel() { return {0, {}}; }

    void enqueue(const Answer& answer) { _answers.append(answer); }
    bool hasAnswers() const { return !_answers.isEmpty(); }
    // The answer for a request: the next queued one, or in the headless mode the request's
    // default; nothing when the panel is to be shown for real.
    std::optional<Answer> take(Kind kind, const QString& text);

    const QList<Request>& requests() const { return _requests; }
    // Forgets queued answers and recorded requests.
    void reset();

    // The headless mode: off unless the program was started with --headless (or a test
    // switches it on).
    bool autoAnswer() const { return _autoAnswer; }
    void setAutoAnswer(bool on) { _autoAnswer = on; }

    static QString kindName(Kind kind);
    // What the headless mode answers: OK, except for the password panel and the file
    // dialogs, which are cancelled (there is no password or file to give them).
    static Answer defaultAnswer(Kind kind);

private:
    ModalAnswers();
    QList<Answer> _answers;
    QList<Request> _requests;
    bool _autoAnswer = false;
};
