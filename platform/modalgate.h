// SPDX-License-Identifier: GPL-3.0-or-later
// The run-loop mode layer. While a modal panel or alert is up, timers and service input must
// wait and be handled, in the order they came, once it closes (Qt's nested dialog loops would
// otherwise deliver them in the middle of the panel). Code that shows a modal panel brackets
// it with a ModalScope; timer and socket handlers go through ModalGate::run.
// Waiting for the mail tool is NOT modal: it keeps the default mode turning.
// A panel may stay up for hours: a source that fires again and again (socket input, a
// repeating timer) keeps at most one call waiting here, so what waits stays bounded.
#pragma once

#include <QObject>
#include <QPointer>

#include <deque>
#include <functional>

class ModalGate : public QObject
{
    Q_OBJECT
public:
    static ModalGate& instance();

    bool isModal() const { return _depth > 0; }
    int depth() const { return _depth; }

    // Runs fn now, or, while a modal panel is up, queues it until the last one closes.
    // A queued call whose context object has been destroyed is dropped; context must not
    // be null.
    void run(QObject* context, std::function<void()> fn);

    void enter();
    void leave();

    // Number of calls waiting (for tests).
    int pending() const { return int(_queue.size()); }

private:
    ModalGate() = default;
    void flush();

    struct Deferred
    {
        QPointer<QObject> context;
        std::function<void()> fn;
    };
    int _depth = 0;
    bool _flushing = false;
    bool _flushPosted = false;
    std::deque<Deferred> _queue;
};

// Marks a modal run for its lifetime.
class ModalScope
{
public:
    ModalScope() { ModalGate::instance().enter(); }
    ~ModalScope() { ModalGate::instance().leave(); }
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};
