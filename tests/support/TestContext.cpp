#include "TestContext.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

namespace tk::test {

TestContext::TestContext()
    : context{root.filePath("program dir"),
              root.filePath("platform/chars"),
              root.filePath("etc/os-release"),
              clock,
              dialogs,
              launcher,
              channels,
              root.filePath("config/autostart/tovrinkin.desktop"),
              {QStringLiteral("tovrinkin")}} {
    QDir().mkpath(context.programDir);
    QDir().mkpath(context.platformCharacterDir);
    QDir().mkpath(root.filePath("etc"));
}

ProgramContext TestContext::withProgramDir(const QString& programDir) {
    return ProgramContext{programDir,
                          context.platformCharacterDir,
                          context.systemSettingsFile,
                          clock,
                          dialogs,
                          launcher,
                          channels,
                          context.autostartEntry,
                          context.autostartCommand};
}

QString TestContext::programFile(const QString& name) const {
    return context.programDir + QLatin1Char('/') + name;
}

QByteArray TestContext::questionsLog(const QStringList& names) const {
    const QByteArray rule(17, '=');
    QByteArray log;
    for (const QString& name : names)
        log += rule + "\r\n" + name.toUtf8() + "\r\n" + clock.shortDateText().toUtf8() + "\r\n" +
               rule + "\r\n";
    return log;
}

void TestContext::writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray TestContext::readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return file.readAll();
}

} // namespace tk::test
