// The one seam through which modal panels and alerts are answered without being shown.
// Tests queue the next answers; while answers are queued, each panel or alert takes the next
// one instead of opening and the request is recorded. End-to-end runs set
// TAMRO_AUTO_ANSWER_MODALS=1: every panel and alert is then answered at once with its
// default and written as "modal: <kind>: <text>" to the tamro.monitor log category (line
// breaks in the text written as "\n", so each request stays one line).
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
    // The answer for a request: the next queued one, or in the environment-driven mode the
    // request's default; nothing when the panel is to be shown for real.
    std::optional<Answer> take(Kind kind, const QString& text);

    const QList<Request>& requests() const { return _requests; }
    // Forgets queued answers and recorded requests.
    void reset();

    // The environment-driven mode (TAMRO_AUTO_ANSWER_MODALS=1), read once; tests may switch
    // it.
    bool autoAnswer() const { return _autoAnswer; }
    void setAutoAnswer(bool on) { _autoAnswer = on; }

    static QString kindName(Kind kind);
    // What the environment-driven mode answers: OK, except for the password panel and the
    // file dialogs, which are cancelled (there is no password or file to give them).
    static Answer defaultAnswer(Kind kind);

private:
    ModalAnswers();
    QList<Answer> _answers;
    QList<Request> _requests;
    bool _autoAnswer = false;
};
