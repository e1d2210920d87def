#pragma once

#include <QString>
#include <utility>

namespace tk {

// The outcome of an operation that can fail: ok, or failed with a message that
// says why in words a user can read. Cheap to copy; an ok status holds nothing.
// A status is never dropped unread: ignoring one needs a (void) cast.
class [[nodiscard]] Status {
public:
    // Success.
    Status() = default;
    static Status ok() { return Status(); }
    // Failure, with why (never empty: a failure always says something).
    static Status failure(QString why) {
        return Status(why.isEmpty() ? QStringLiteral("unknown error") : std::move(why));
    }

    bool isOk() const { return !m_failed; }
    // Why it failed; empty when ok.
    const QString& message() const { return m_message; }

private:
    explicit Status(QString why) : m_failed(true), m_message(std::move(why)) {}

    bool m_failed = false;
    QString m_message;
};

} // namespace tk
