#pragma once

#include <QMetaType>
#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <deque>
#include <optional>

namespace tk::agent {

// One request to a character, carried out after those before it.
struct Request {
    enum class Kind { Show, Hide, Speak, Play, MoveTo };
    Kind kind = Kind::Show;
    QString text;             // what to say (Speak) or the animation's name (Play)
    QPoint target;            // MoveTo: the window's top-left corner, screen pixels
    std::optional<int> speed; // MoveTo: pixels per second; none means the default
    quint64 serial = 0;       // set by the queue
};

// The requests of one character, carried out one at a time in call order.
// Adding returns at once; a request starts from the event loop (never inside
// the call that adds it) and runs until its performer calls complete().
class RequestQueue : public QObject {
    Q_OBJECT
public:
    explicit RequestQueue(QObject* parent = nullptr);
    RequestQueue(const RequestQueue&) = delete;
    RequestQueue& operator=(const RequestQueue&) = delete;

    void enqueue(Request request);
    // The request with serial is done; the next one starts from the event loop.
    // Completing a request that is no longer running does nothing.
    void complete(quint64 serial);
    // Forgets every waiting request and the running one.
    void clear();

    bool isBusy() const { return m_current.has_value() || !m_waiting.empty(); }
    const std::optional<Request>& current() const { return m_current; }

signals:
    // Carry out request, then call complete(request.serial).
    void started(const tk::agent::Request& request);
    // The last request is done and none waits.
    void drained();

private:
    void startNext();

    std::deque<Request> m_waiting;
    std::optional<Request> m_current;
    quint64 m_lastSerial = 0;
    QTimer m_kick;
};

} // namespace tk::agent

Q_DECLARE_METATYPE(tk::agent::Request)
