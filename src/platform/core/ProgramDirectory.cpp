#include "ProgramDirectory.h"

#include "FileLookup.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace tk {

namespace {

const QString kDirectoryName = QStringLiteral("tovrinkin");

bool isWritableDirectory(const QString& dir) {
    // access() also knows read-only mounts and the rights of the real user.
    return QFileInfo(dir).isDir() && ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

// Creates dir and its missing parents; the new directories are private. On
// failure *error says why.
Status makePrivatePath(const QString& dir) {
    const QFileInfo info(dir);
    if (info.isDir())
        return Status::ok();
    if (info.exists() || info.isSymLink())
        return Status::failure(
            QStringLiteral("\"%1\" is not a directory").arg(info.absoluteFilePath()));
    const QString parent = info.absolutePath();
    if (parent != info.absoluteFilePath()) {
        if (const Status made = makePrivatePath(parent); !made.isOk())
            return made;
    }
    if (::mkdir(QFile::encodeName(info.absoluteFilePath()).constData(), 0700) == 0 ||
        (errno == EEXIST && QFileInfo(dir).isDir())) // made meanwhile by another start
        return Status::ok();
    return Status::failure(
        QStringLiteral("\"%1\": %2")
            .arg(info.absoluteFilePath(), QString::fromLocal8Bit(std::strerror(errno))));
}

} // namespace

QStringList ProgramDirectory::shippedFiles() {
    return {QStringLiteral("readme.txt"), QStringLiteral("fonts.cmd"),
            QStringLiteral("snds/welcome.mp3")};
}

bool ProgramDirectory::holdsShippedFiles(const QString& dir) {
    for (const QString& name : shippedFiles()) {
        if (!QFileInfo(dir + QLatin1Char('/') + name).isFile())
            return false;
    }
    return true;
}

QString ProgramDirectory::userDirectory(const QString& xdgDataHome, const QString& home) {
    // Relative values are invalid by the base directory rules and are ignored.
    const QString dataHome = !xdgDataHome.isEmpty() && QDir::isAbsolutePath(xdgDataHome)
                                 ? xdgDataHome
                                 : home + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QLatin1Char('/') + kDirectoryName);
}

QString ProgramDirectory::installedDataDir(const QString& executableDir,
                                           const QString& relativeDataDir,
                                           const QString& fixedDataDir) {
    const QString besidePrefix =
        QDir::cleanPath(executableDir + QLatin1Char('/') + relativeDataDir);
    return holdsShippedFiles(besidePrefix) ? besidePrefix : fixedDataDir;
}

ProgramDirectory::Choice ProgramDirectory::choose(const QString& namedDir,
                                                  const QString& executableDir,
                                                  const QString& userDir,
                                                  const QString& installedDataDir) {
    const bool shipsBeside = holdsShippedFiles(executableDir);
    const QString source = shipsBeside ? executableDir : installedDataDir;
    if (!namedDir.isEmpty())
        return {QDir::cleanPath(QFileInfo(namedDir).absoluteFilePath()), Layout::Named, source};
    if (shipsBeside && isWritableDirectory(executableDir))
        return {executableDir, Layout::Portable, source};
    return {userDir, Layout::Installed, source};
}

QStringList ProgramDirectory::prepare(const Choice& choice, bool* unusable) {
    QStringList problems;
    *unusable = false;
    if (const Status made = makePrivatePath(choice.dir); !made.isOk()) {
        *unusable = true;
        problems << QStringLiteral("The program directory \"%1\" cannot be made: %2.")
                        .arg(choice.dir, made.message());
        return problems;
    }

    if (QFileInfo(choice.dir) == QFileInfo(choice.shippedSource))
        return problems;
    for (const QString& name : shippedFiles()) {
        const QString target = choice.dir + QLatin1Char('/') + name;
        if (QFileInfo(target).exists() || QFileInfo(target).isSymLink())
            continue; // the user's own, whatever it holds
        const QString source = choice.shippedSource + QLatin1Char('/') + name;
        const QString targetDir = QFileInfo(target).absolutePath();
        Status copied =
            Status::failure(QStringLiteral("it is missing in \"%1\"").arg(choice.shippedSource));
        if (QFileInfo(source).isFile()) {
            copied = makePrivatePath(targetDir);
            if (copied.isOk())
                copied = copyReplacing(source, target);
        }
        if (!copied.isOk())
            problems << QStringLiteral("The file \"%1\" could not be copied to \"%2\": %3.")
                            .arg(name, choice.dir, copied.message());
    }
    return problems;
}

} // namespace tk
