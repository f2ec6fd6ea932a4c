// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/modalgate.h"

#include <QMetaObject>

ModalGate& ModalGate::instance()
{
    static ModalGate gate;
    return gate;
}

void ModalGate::run(QObject* context, std::function<void()> fn)
{
    if (!fn)
        return;
    // Keep order: while earlier calls still wait, a new one waits behind them. Inside a
    // delivered call that turns the default loop (the mail wait), new calls run at once.
    if (_depth > 0 || (!_queue.empty() && !_flushing)) {
        _queue.push_back({QPointer<QObject>(context), std::move(fn)});
        if (_depth == 0 && !_flushPosted) {
            _flushPosted = true;
            QMetaObject::invokeMethod(
                this, [this] { flush(); }, Qt::QueuedConnection);
        }
        return;
    }
    fn();
}

void ModalGate::enter()
{
    ++_depth;
}

void ModalGate::leave()
{
    if (_depth > 0)
        --_depth;
    // Deliver what waited from the event loop, not from inside the code that closed the
    // panel, so a handler never runs in the middle of its caller.
    if (_depth == 0 && !_queue.empty() && !_flushPosted) {
        _flushPosted = true;
        QMetaObject::invokeMethod(
            this, [this] { flush(); }, Qt::QueuedConnection);
    }
}

void ModalGate::flush()
{
    _flushPosted = false;
    if (_flushing)
        return;
    _flushing = true;
    while (_depth == 0 && !_queue.empty()) {
        Deferred next = std::move(_queue.front());
        _queue.pop_front();
        if (!next.context.isNull())
            next.fn();
    }
    _flushing = false;
    // A handler that opened a panel left the rest queued; leave() posts the next flush.
    if (_depth == 0 && !_queue.empty() && !_flushPosted) {
        _flushPosted = true;
        QMetaObject::invokeMethod(
            this, [this] { flush(); }, Qt::QueuedConnection);
    }
}
