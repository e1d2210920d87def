#pragma once

#include <QObject>
#include <QString>
#include <memory>

class QLocalServer;
class QLockFile;

namespace tk {

// One running program per program directory. The first start takes a lock and
// listens on a local socket, both named from the directory; a later start on
// the same directory asks the running one to come forward and then ends. A
// lock left by a killed run is recognised and taken over.
class SingleInstance final : public QObject {
    Q_OBJECT
public:
    enum class Role {
        First,      // this start runs; activationRequested() follows later starts
        HandedOver, // another start runs and has been told to come forward
        Busy,       // another start holds the lock but does not answer
        Unguarded,  // no lock could be made; this start runs without the guard
    };

    // runtimeDir holds the lock and the socket (normally $XDG_RUNTIME_DIR; the
    // temporary directory when it is empty).
    SingleInstance(const QString& programDir, const QString& runtimeDir, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock and listens, or hands over to the running start; waits at
    // most timeoutMs for a running start that does not answer yet.
    Role start(int timeoutMs = 5000);

    // What went wrong in start() (Busy, Unguarded).
    QString problem() const { return m_problem; }

    // The path shared by lock and socket, without their endings.
    QString basePath() const { return m_basePath; }

signals:
    // A later start on the same program directory asked this one to come forward.
    void activationRequested();

private:
    bool listen();
    bool askRunningStart();
    void serveConnection();

    QString m_basePath;
    QString m_problem;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
};

} // namespace tk
