#include "platform/desktop/PortalGlobalKey.h"

#include "FakeShortcutsPortal.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

using namespace tk;
using Status = GlobalKey::Status;
using test::FakeShortcutsPortal;

class PortalGlobalKeyTest : public QObject {
    Q_OBJECT
    QProcess m_daemon;
    QString m_address;
    QThread m_portalThread;
    FakeShortcutsPortal* m_portal = nullptr;

    QDBusConnection client() { return QDBusConnection::connectToBus(m_address, "client"); }

    QString sessionOf(int index) {
        QMutexLocker lock(&m_portal->mutex);
        return FakeShortcutsPortal::sessionPath(
            client().baseService(),
            m_portal->created.at(index).value("session_handle_token").toString());
    }

    void setChosenTrigger(const QString& trigger) {
        QMutexLocker lock(&m_portal->mutex);
        m_portal->chosenTrigger = trigger;
    }

private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed");
        m_daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_daemon.waitForStarted(5000));
        QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine(), 5000);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY(client().isConnected());
        QVERIFY(!PortalGlobalKey::offered(client(), 2000)); // no portal yet

        QDBusConnection portalBus = QDBusConnection::connectToBus(m_address, "portal");
        m_portal = new FakeShortcutsPortal(portalBus);
        m_portal->moveToThread(&m_portalThread);
        m_portalThread.start();
        QVERIFY(m_portal->serve());
        QVERIFY(PortalGlobalKey::offered(client(), 2000));
    }

    void cleanupTestCase() {
        m_portalThread.quit();
        m_portalThread.wait();
        delete m_portal;
        QDBusConnection::disconnectFromBus("client");
        QDBusConnection::disconnectFromBus("portal");
        m_daemon.terminate();
        m_daemon.waitForFinished(3000);
    }

    void trigger_isTheDesktopsShortcutNotation() {
        QCOMPARE(PortalGlobalKey::trigger(QKeySequence(Qt::Key_Pause)), QString("Pause"));
        QCOMPARE(PortalGlobalKey::trigger(QKeySequence("Ctrl+Alt+K")), QString("CTRL+ALT+k"));
        QCOMPARE(PortalGlobalKey::trigger(QKeySequence("Meta+Shift+F8")), QString("SHIFT+LOGO+F8"));
        QCOMPARE(PortalGlobalKey::trigger(QKeySequence(Qt::Key_Launch0)), QString());
        QCOMPARE(PortalGlobalKey::trigger(QKeySequence()), QString());
    }

    void keyAskedOfThePortal_becomesActive_andItsPressesAndReleasesArrive() {
        PortalGlobalKey key(client());
        key.setPurpose("Tovrin listens while you hold this key");
        QSignalSpy changed(&key, &GlobalKey::statusChanged);
        QSignalSpy pressed(&key, &GlobalKey::pressed);
        QSignalSpy released(&key, &GlobalKey::released);
        QCOMPARE(key.setKey(QKeySequence(Qt::Key_Pause)), Status::Pending);
        QCOMPARE(key.setKey(QKeySequence(Qt::Key_Pause)), Status::Pending); // asked once
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(key.status(), Status::Active);
        QCOMPARE(key.triggerDescription(), QString());
        {
            QMutexLocker lock(&m_portal->mutex);
            QCOMPARE(m_portal->created.size(), 1);
            QCOMPARE(m_portal->bound.size(), 1);
            QCOMPARE(m_portal->bound.first().id, QString("key"));
            QCOMPARE(m_portal->bound.first().properties.value("preferred_trigger").toString(),
                     QString("Pause"));
            QCOMPARE(m_portal->bound.first().properties.value("description").toString(),
                     QString("Tovrin listens while you hold this key"));
        }
        const QString session = sessionOf(0);
        m_portal->signal("Activated", session, "key");
        QTRY_COMPARE(pressed.count(), 1);
        m_portal->signal("Activated", session, "key");       // a repeat is no second press
        m_portal->signal("Activated", session + "x", "key"); // another session's
        m_portal->signal("Deactivated", session, "other");
        m_portal->signal("Deactivated", session, "key");
        QTRY_COMPARE(released.count(), 1);
        QCOMPARE(pressed.count(), 1);

        // Giving the key up closes the session; a press held then is released.
        m_portal->signal("Activated", session, "key");
        QTRY_COMPARE(pressed.count(), 2);
        QCOMPARE(key.setKey(QKeySequence()), Status::Off);
        QCOMPARE(released.count(), 2);
        QTRY_VERIFY(m_portal->closed.contains(session));
    }

    void twoKeysOfTheProgram_eachHaveASessionOfTheirOwn() {
        PortalGlobalKey focus(client());
        PortalGlobalKey listen(client());
        QSignalSpy focusChanged(&focus, &GlobalKey::statusChanged);
        QSignalSpy listenChanged(&listen, &GlobalKey::statusChanged);
        QSignalSpy focusPressed(&focus, &GlobalKey::pressed);
        QSignalSpy listenPressed(&listen, &GlobalKey::pressed);
        const qsizetype before = [&] {
            QMutexLocker lock(&m_portal->mutex);
            return m_portal->created.size();
        }();
        focus.setKey(QKeySequence("Ctrl+Alt+K"));
        listen.setKey(QKeySequence(Qt::Key_Pause));
        QTRY_VERIFY(focusChanged.count() == 1 && listenChanged.count() == 1);
        const QString first = sessionOf(int(before));
        const QString second = sessionOf(int(before) + 1);
        QVERIFY(first != second);
        m_portal->signal("Activated", second, "key");
        QTRY_COMPARE(listenPressed.count() + focusPressed.count(), 1);
        QTest::qWait(50);
        QCOMPARE(listenPressed.count() + focusPressed.count(), 1);
    }

    void userPickingAnotherTrigger_isShown_andARefusalIsSaid() {
        setChosenTrigger("Ctrl+Shift+L");
        PortalGlobalKey key(client());
        QSignalSpy changed(&key, &GlobalKey::statusChanged);
        key.setKey(QKeySequence("Ctrl+Alt+K"));
        QTRY_COMPARE(changed.count(), 1);
        QCOMPARE(key.status(), Status::Active);
        QCOMPARE(key.triggerDescription(), QString("Ctrl+Shift+L"));

        setChosenTrigger({});
        m_portal->bindResponse = 1; // the user cancelled the desktop's dialog
        QCOMPARE(key.setKey(QKeySequence(Qt::Key_F9)), Status::Pending);
        QTRY_COMPARE(changed.count(), 2);
        QCOMPARE(key.status(), Status::Refused);
        QCOMPARE(key.triggerDescription(), QString());
        m_portal->bindResponse = 0;
    }
};

QTEST_GUILESS_MAIN(PortalGlobalKeyTest)
#include "PortalGlobalKeyTest.moc"
