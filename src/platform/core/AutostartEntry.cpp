#include "AutostartEntry.h"

#include "platform/core/ProgramIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tk {

namespace {

// Characters that make an argument need quotes in an Exec value.
const QString kReserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");

QString quotedArgument(const QString& argument) {
    // A lone percent sign would start a field code: a literal one is doubled.
    QString text = argument;
    text.replace(QLatin1Char('%'), QStringLiteral("%%"));
    bool needsQuotes = text.isEmpty();
    for (const QChar c : text)
        needsQuotes = needsQuotes || kReserved.contains(c);
    if (!needsQuotes)
        return text;
    QString result(QLatin1Char('"'));
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\'))
            result += QLatin1Char('\\');
        result += c;
    }
    return result + QLatin1Char('"');
}

// The general escapes of a desktop entry string value.
QString escapedValue(const QString& value) {
    QString result;
    for (const QChar c : value) {
        if (c == QLatin1Char('\\'))
            result += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            result += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            result += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            result += QStringLiteral("\\r");
        else
            result += c;
    }
    return result;
}

} // namespace

AutostartEntry::AutostartEntry(const QString& entryPath, const QStringList& command)
    : m_path(entryPath), m_command(command) {}

QString AutostartEntry::entryPath(const QString& xdgConfigHome, const QString& home) {
    const QString configHome = !xdgConfigHome.isEmpty() && QDir::isAbsolutePath(xdgConfigHome)
                                   ? xdgConfigHome
                                   : home + QStringLiteral("/.config");
    return QDir::cleanPath(configHome + QStringLiteral("/autostart/") +
                           QString::fromLatin1(identity::kExecutableName) +
                           QStringLiteral(".desktop"));
}

QStringList AutostartEntry::launchCommand(const QString& executable, const QString& foundOnPath,
                                          const QString& namedProgramDir) {
    const QFileInfo running(executable);
    const bool byName = !foundOnPath.isEmpty() &&
                        QFileInfo(foundOnPath).canonicalFilePath() == running.canonicalFilePath();
    QStringList command{byName ? running.fileName() : running.absoluteFilePath()};
    if (!namedProgramDir.isEmpty())
        command << QStringLiteral("--program-dir") << namedProgramDir;
    return command;
}

QString AutostartEntry::execValue(const QStringList& command) {
    QStringList arguments;
    for (const QString& argument : command)
        arguments << quotedArgument(argument);
    return escapedValue(arguments.join(QLatin1Char(' ')));
}

bool AutostartEntry::isOn() const {
    QFile file(m_path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bool inMainGroup = false;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('[')))
            inMainGroup = line == QLatin1String("[Desktop Entry]");
        else if (inMainGroup &&
                 line.section(QLatin1Char('='), 0, 0).trimmed() == QLatin1String("Hidden") &&
                 line.section(QLatin1Char('='), 1).trimmed() == QLatin1String("true"))
            return false;
    }
    return true;
}

Status AutostartEntry::write() const {
    const QString dir = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(dir))
        return Status::failure(QStringLiteral("the directory \"%1\" cannot be made").arg(dir));
    QSaveFile file(m_path);
    const QByteArray bytes = content();
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return Status::failure(file.errorString());
    return Status::ok();
}

Status AutostartEntry::remove() const {
    QFile file(m_path);
    if (!QFileInfo(m_path).exists() && !QFileInfo(m_path).isSymLink())
        return Status::ok();
    if (file.remove())
        return Status::ok();
    return Status::failure(file.errorString());
}

QByteArray AutostartEntry::content() const {
    const QString product = QString::fromUtf8(identity::kProductName);
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=%1\n"
                          "Comment=Tovrin greets you when you log in\n"
                          "Exec=%2\n"
                          "Icon=%3\n"
                          "Terminal=false\n")
        .arg(product, execValue(m_command), QString::fromLatin1(identity::kExecutableName))
        .toUtf8();
}

} // namespace tk
