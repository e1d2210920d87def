#include "platform/core/Dialogs.h"
#include "platform/desktop/AccessibleWindows.h"
#include "platform/desktop/DesktopPreferences.h"
#include "platform/desktop/QtDialogs.h"
#include "platform/desktop/WindowPlacement.h"

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>
#include <QtEndian>
#include <QtTest>

using namespace tk;

namespace {

class PlainWindow : public QWidget {
    Q_OBJECT
public:
    PlainWindow() { AccessibleWindows::setWindowRole(staticMetaObject, QAccessible::Window); }
};

// An X settings property as a settings manager writes it (little-endian).
QByteArray xSettings(const QList<std::pair<QByteArray, QVariant>>& settings) {
    QByteArray data(12, '\0');
    qToLittleEndian<quint32>(quint32(settings.size()), data.data() + 8);
    const auto pad = [&data] {
        while (data.size() % 4)
            data.append('\0');
    };
    const auto card32 = [&data](quint32 value) {
        char bytes[4];
        qToLittleEndian(value, bytes);
        data.append(bytes, 4);
    };
    for (const auto& [name, value] : settings) {
        const bool isText = value.typeId() == QMetaType::QByteArray;
        data.append(char(isText ? 1 : 0)).append('\0');
        char length[2];
        qToLittleEndian<quint16>(quint16(name.size()), length);
        data.append(length, 2).append(name);
        pad();
        card32(0); // serial
        if (isText) {
            card32(quint32(value.toByteArray().size()));
            data.append(value.toByteArray());
            pad();
        } else {
            card32(quint32(value.toInt()));
        }
    }
    return data;
}

} // namespace

class AccessiblePlatformTest : public QObject {
    Q_OBJECT
private slots:
    void collapsedWindow_isHiddenFromScreenReadersWithItsChildren() {
        PlainWindow window;
        window.setWindowTitle("Tovrin Kin Personal Edition");
        new QLabel("Ada", &window);
        window.show();
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&window);
        QCOMPARE(iface->role(), QAccessible::Window);
        QCOMPARE(iface->childCount(), 1);
        QVERIFY(!iface->state().invisible);
        collapseOutOfSight(&window);
        window.show();
        QVERIFY(iface->state().invisible && iface->state().offscreen);
        QCOMPARE(iface->childCount(), 0);
        QCOMPARE(iface->child(0), nullptr);
        QCOMPARE(window.height(), 1);
    }

    void nameBox_promptIsReadWithoutItsPadding_shownAsGiven() {
        QString shown, label, field;
        QTimer::singleShot(0, this, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            shown = box->labelText();
            label = QAccessible::queryAccessibleInterface(box->findChild<QLabel*>())
                        ->text(QAccessible::Name);
            field = QAccessible::queryAccessibleInterface(box->findChild<QLineEdit*>())
                        ->text(QAccessible::Name);
            box->reject();
        });
        QtDialogs dialogs;
        QCOMPARE(dialogs.input("TOVRIN:        What's your name?", "TOVRIN SAYS"), QString());
        QCOMPARE(shown, QString("TOVRIN:        What's your name?"));
        QCOMPARE(label, QString("TOVRIN: What's your name?"));
        QCOMPARE(field, QString("TOVRIN: What's your name?"));
    }

    void desktopPreferences_fromXSettingsKdeAndTheEnvironment() {
        DesktopPreferences calm;
        QVERIFY(calm.takeXSettings(xSettings({{"Net/ThemeName", QByteArray("HighContrast")},
                                              {"Gtk/CursorThemeSize", 24},
                                              {"Gtk/EnableAnimations", 0}})));
        QVERIFY(calm.reducedMotion && calm.highContrast);
        DesktopPreferences lively;
        QVERIFY(lively.takeXSettings(
            xSettings({{"Gtk/EnableAnimations", 1}, {"Net/ThemeName", QByteArray("Adwaita")}})));
        QVERIFY(!lively.reducedMotion && !lively.highContrast);
        // Cut short or nonsense: nothing is taken.
        const QByteArray whole = xSettings({{"Gtk/EnableAnimations", 0}});
        DesktopPreferences untouched;
        QVERIFY(!untouched.takeXSettings(whole.left(whole.size() - 2)));
        QVERIFY(!untouched.takeXSettings("\x01"));
        QVERIFY(!untouched.reducedMotion);

        DesktopPreferences kde;
        kde.takeKdeGlobals("[General]\nColorScheme=BreezeHighContrast\n[KDE]\n"
                           "AnimationDurationFactor=0\n");
        QVERIFY(kde.reducedMotion && kde.highContrast);
        kde.takeKdeGlobals("[KDE]\nAnimationDurationFactor=0.5\n");
        QVERIFY(!kde.reducedMotion);

        kde.takeOverrides("1", "no");
        QVERIFY(kde.reducedMotion && !kde.highContrast);
        kde.takeOverrides("", "maybe"); // unset or unclear: left as they were
        QVERIFY(kde.reducedMotion && !kde.highContrast);
    }
};

QTEST_MAIN(AccessiblePlatformTest)
#include "AccessiblePlatformTest.moc"
