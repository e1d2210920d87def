#pragma once

#include "platform/desktop/GlobalKey.h"

#include <QList>

namespace tk::test {

// A global key pressed and released by the test. setKey() answers with
// nextStatus (Active unless the test says otherwise) and records every key asked for.
class FakeGlobalKey final : public GlobalKey {
public:
    Status nextStatus = Status::Active;
    QList<QKeySequence> requested;

    Status setKey(const QKeySequence& key) override {
        requested.append(key);
        m_key = key;
        m_status = key.isEmpty() ? Status::Off : nextStatus;
        return m_status;
    }
    QKeySequence key() const override { return m_key; }
    Status status() const override { return m_status; }

    // The desktop answers later, as a portal does.
    void answer(Status status) {
        m_status = status;
        emit statusChanged();
    }
    void press() { emit pressed(); }
    void release() { emit released(); }

private:
    QKeySequence m_key;
    Status m_status = Status::Off;
};

} // namespace tk::test
