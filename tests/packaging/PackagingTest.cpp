// The install rules: an install into a temporary DESTDIR gives exactly the
// expected tree, the character file lands where the program looks for it, and
// the desktop entry, catalogue entry and manual page pass their validators.
// A built Debian package, when there is one, holds the same tree.
#include "platform/core/ProgramIdentity.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString kPrefix = QStringLiteral(TK_INSTALL_PREFIX);
const QString kBin = QStringLiteral(TK_INSTALL_BINDIR);
const QString kData = QStringLiteral(TK_INSTALL_DATADIR);
const QString kMan = QStringLiteral(TK_INSTALL_MANDIR);
const QString kMetainfo = QStringLiteral(TK_APPSTREAM_ID ".metainfo.xml");
const QList<int> kIconSizes{16, 32, 48, 64, 128, 256};

// Every file an install puts down, relative to the prefix.
QSet<QString> expectedFiles() {
    QSet<QString> files{
        kBin + "/tovrinkin",
        kData + "/tovrinkin/readme.txt",
        kData + "/tovrinkin/fonts.cmd",
        kData + "/tovrinkin/snds/welcome.mp3",
        kData + "/tovrin/chars/tovrin.acs",
        kData + "/applications/tovrinkin.desktop",
        kData + "/icons/hicolor/scalable/apps/tovrinkin.svg",
        kData + "/metainfo/" + kMetainfo,
        kMan + "/man1/tovrinkin.1.gz",
        kData + "/doc/tovrinkin/copyright",
        kData + "/doc/tovrinkin/changelog.gz",
    };
    for (int size : kIconSizes)
        files.insert(
            QStringLiteral("%1/icons/hicolor/%2x%2/apps/tovrinkin.png").arg(kData).arg(size));
    return files;
}

QSet<QString> filesUnder(const QString& root) {
    QSet<QString> files;
    QDirIterator it(root, QDir::Files | QDir::System | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.insert(QDir(root).relativeFilePath(it.next()));
    return files;
}

struct Run {
    int exitCode = -1;
    QString output;
};

// Runs a program to its end, stdout and stderr together.
Run run(const QString& program, const QStringList& args,
        const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
    QProcess process;
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, args);
    if (!process.waitForFinished(60000))
        return {-1, QStringLiteral("%1 did not finish: %2").arg(program, process.errorString())};
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAll())};
}

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

QString describe(const QSet<QString>& files) {
    QStringList sorted(files.begin(), files.end());
    sorted.sort();
    return sorted.join(QStringLiteral(", "));
}

} // namespace

class PackagingTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_destDir;
    QString m_root; // the prefix inside the temporary DESTDIR

    QString installed(const QString& relative) const { return m_root + "/" + relative; }

    // The package `make package` left in the build directory, when it and tool
    // are there; otherwise the test is skipped, or fails where the caller
    // demands a package (TK_REQUIRE_PACKAGE=1, as `make ci` does).
    static QString builtPackage(const QString& tool) {
        const bool required = qEnvironmentVariableIntValue("TK_REQUIRE_PACKAGE") == 1;
        const QStringList packages =
            QDir(QStringLiteral(TK_BUILD_DIR))
                .entryList({QStringLiteral("tovrinkin_%1_*.deb").arg(tk::identity::kVersionString)},
                           QDir::Files);
        QString missing;
        if (packages.isEmpty())
            missing = QStringLiteral("no package built (make package builds one)");
        else if (QStandardPaths::findExecutable(tool).isEmpty())
            missing = QStringLiteral("%1 is not installed").arg(tool);
        if (missing.isEmpty())
            return QStringLiteral(TK_BUILD_DIR "/") + packages.first();
        if (required)
            QTest::qFail(qPrintable(missing), __FILE__, __LINE__);
        else
            QTest::qSkip(qPrintable(missing), __FILE__, __LINE__);
        return {};
    }

private slots:
    void initTestCase() {
        QVERIFY(m_destDir.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), m_destDir.path());
        const Run install = run(QStringLiteral(TK_CMAKE_COMMAND),
                                {QStringLiteral("--install"), QStringLiteral(TK_BUILD_DIR)}, env);
        QVERIFY2(install.exitCode == 0, qPrintable(install.output));
        m_root = m_destDir.path() + kPrefix;
    }

    void installTreeIsExactlyTheExpectedFiles() {
        const QSet<QString> actual = filesUnder(m_root);
        const QSet<QString> expected = expectedFiles();
        QVERIFY2(actual == expected,
                 qPrintable(QStringLiteral("missing: %1\nunexpected: %2")
                                .arg(describe(expected - actual), describe(actual - expected))));
        // Nothing lands outside the prefix.
        QCOMPARE(filesUnder(m_destDir.path()).size(), expected.size());

        // The program reads and writes: everyone may run it and read its files.
        const auto everyoneRead = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        const auto everyoneRun = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
        for (const QString& file : expected) {
            const QFile::Permissions mode = QFile::permissions(installed(file));
            QVERIFY2((mode & everyoneRead) == everyoneRead, qPrintable(file));
            const bool executable = file == kBin + "/tovrinkin";
            QVERIFY2(bool(mode & QFile::ExeOther) == executable, qPrintable(file));
            if (executable)
                QVERIFY((mode & everyoneRun) == everyoneRun);
        }
    }

    void characterAndShippedFilesAreWhereTheProgramLooks() {
        // The platform character directory compiled into the program is the
        // installed one, so the program's copy into the user's directory finds it.
        const QString character = m_destDir.path() +
                                  QString::fromUtf8(tk::identity::kPlatformCharacterDir) +
                                  "/tovrin.acs";
        QVERIFY2(QFileInfo::exists(character), qPrintable(character));
        const QString programDir = QStringLiteral(TK_BUILD_DIR);
        for (const QString& shipped : {QStringLiteral("readme.txt"), QStringLiteral("fonts.cmd"),
                                       QStringLiteral("snds/welcome.mp3")}) {
            QFile built(programDir + "/" + shipped);
            QFile copy(installed(kData + "/tovrinkin/" + shipped));
            QVERIFY(built.open(QIODevice::ReadOnly) && copy.open(QIODevice::ReadOnly));
            QVERIFY2(built.readAll() == copy.readAll(), qPrintable(shipped));
        }
    }

    void iconsHaveTheirSizes() {
        for (int size : kIconSizes) {
            const QString path = installed(
                QStringLiteral("%1/icons/hicolor/%2x%2/apps/tovrinkin.png").arg(kData).arg(size));
            const QImage icon(path);
            QCOMPARE(icon.size(), QSize(size, size));
            QVERIFY(icon.hasAlphaChannel());
            // Transparent corners, an opaque face in the middle.
            QCOMPARE(qAlpha(icon.pixel(0, size - 1)), 0);
            QCOMPARE(qAlpha(icon.pixel(size / 2, size / 2)), 255);
        }
    }

    void desktopEntryValidatesAndNamesWhatIsInstalled() {
        const QString entry = installed(kData + "/applications/tovrinkin.desktop");
        const QString text = readText(entry);
        QVERIFY(text.contains(QStringLiteral("\nExec=tovrinkin\n")));
        QVERIFY(text.contains(QStringLiteral("\nIcon=tovrinkin\n")));
        const QString validator =
            QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        if (validator.isEmpty())
            QSKIP("desktop-file-validate is not installed (Debian package desktop-file-utils)");
        const Run check = run(validator, {entry});
        QVERIFY2(check.exitCode == 0 && check.output.trimmed().isEmpty(), qPrintable(check.output));
    }

    void metainfoValidatesAndItsScreenshotsExist() {
        const QString metainfo = installed(kData + "/metainfo/" + kMetainfo);
        const QString text = readText(metainfo);
        QVERIFY(text.contains(QStringLiteral("<binary>tovrinkin</binary>")));
        QVERIFY(
            text.contains(QStringLiteral("<launchable type=\"desktop-id\">tovrinkin.desktop<")));
        QVERIFY(text.contains(QStringLiteral("<content_rating type=\"oars-1.1\"")));
        QVERIFY(text.contains(QStringLiteral("version=\"%1\"").arg(tk::identity::kVersionString)));
        // Every screenshot it announces is one the screenshot script makes, in
        // the repository's docs/screenshots under the one published address.
        const QRegularExpression image(
            QStringLiteral("<image type=\"source\">%1/docs/screenshots/([^/<]+\\.png)</image>")
                .arg(QRegularExpression::escape(QStringLiteral(TK_HOMEPAGE_URL))));
        int screenshots = 0;
        for (const auto& match : image.globalMatch(text)) {
            const QString file =
                QStringLiteral(TK_SOURCE_DIR "/docs/screenshots/") + match.captured(1);
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
            ++screenshots;
        }
        QCOMPARE(screenshots, 5);
        QVERIFY(text.contains(QStringLiteral("<url type=\"homepage\">%1</url>")
                                  .arg(QStringLiteral(TK_HOMEPAGE_URL))));

        // One licence everywhere: the copyright file names the one the catalogue gives.
        const QRegularExpression license(
            QStringLiteral("<project_license>([^<]+)</project_license>"));
        const QString projectLicense = license.match(text).captured(1);
        QVERIFY(!projectLicense.isEmpty());
        const QString copyright = readText(installed(kData + "/doc/tovrinkin/copyright"));
        QVERIFY2(copyright.contains(QStringLiteral("\nLicense: %1\n").arg(projectLicense)),
                 qPrintable(copyright));

        const QString validator = QStandardPaths::findExecutable(QStringLiteral("appstreamcli"));
        if (validator.isEmpty())
            QSKIP("appstreamcli is not installed (Debian package appstream)");
        const Run check = run(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"),
                                          QStringLiteral("--pedantic"), metainfo});
        QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    }

    void manualPageRendersWithoutWarnings() {
        const QString page = installed(kMan + "/man1/tovrinkin.1.gz");
        const QString man = QStandardPaths::findExecutable(QStringLiteral("man"));
        if (man.isEmpty())
            QSKIP("man is not installed (Debian package man-db)");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
        env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("80"));
        QProcess process;
        process.setProcessEnvironment(env);
        process.start(man,
                      {QStringLiteral("--warnings"), QStringLiteral("-E"), QStringLiteral("UTF-8"),
                       QStringLiteral("-l"), QStringLiteral("-Tutf8"), page});
        QVERIFY(process.waitForFinished(30000));
        const QString warnings = QString::fromUtf8(process.readAllStandardError());
        QVERIFY2(process.exitCode() == 0 && warnings.isEmpty(), qPrintable(warnings));
        // Bold and underlined text arrive as overstrikes: a character, a backspace.
        const QString shown = QString::fromUtf8(process.readAllStandardOutput())
                                  .remove(QRegularExpression(QStringLiteral(".\x08")));
        // (Rendered hyphens may be typographic ones.)
        QVERIFY(shown.contains(QRegularExpression(QStringLiteral("program.dir DIR"))));
        QVERIFY(shown.contains(QString::fromUtf8(tk::identity::kPlatformCharacterDir)));
    }

    // `make package` leaves the .deb in the build directory; building one takes
    // longer than a test should, so this checks the package when it is there.
    void builtPackageHoldsTheTreeAndItsDependencies() {
        const QString deb = builtPackage(QStringLiteral("dpkg-deb"));
        if (deb.isEmpty())
            return;

        const Run contents = run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb});
        QCOMPARE(contents.exitCode, 0);
        QSet<QString> files;
        for (const QString& line : contents.output.split('\n', Qt::SkipEmptyParts)) {
            const QString path = line.section(QStringLiteral(" ./"), 1);
            if (!line.startsWith('d'))
                files.insert(path);
            // Installed as root, never as the user who built the package.
            QVERIFY2(line.contains(QStringLiteral(" root/root ")), qPrintable(line));
        }
        QSet<QString> expected;
        for (const QString& file : expectedFiles())
            expected.insert(QStringLiteral("usr/") + file);
        QVERIFY2(files == expected,
                 qPrintable(QStringLiteral("missing: %1\nunexpected: %2")
                                .arg(describe(expected - files), describe(files - expected))));

        const Run depends = run(QStringLiteral("dpkg-deb"),
                                {QStringLiteral("--field"), deb, QStringLiteral("Depends")});
        QCOMPARE(depends.exitCode, 0);
        QStringList names;
        for (const QString& item : depends.output.split(',', Qt::SkipEmptyParts))
            names << item.trimmed().section(' ', 0, 0);
        // Libraries found by the dependency scan, and the data nothing links to.
        for (const char* name :
             {"libc6", "libqt6core6", "libqt6widgets6", "libpulse0", "libmpg123-0", "libespeak-ng1",
              "espeak-ng-data", "pocketsphinx-en-us", "qt6-qpa-plugins", "fonts-dejavu-core",
              "xdg-utils"})
            QVERIFY2(names.contains(QString::fromLatin1(name)), qPrintable(depends.output));
    }

    void builtPackagePassesLintianWithoutErrors() {
        const QString deb = builtPackage(QStringLiteral("lintian"));
        if (deb.isEmpty())
            return;
        // Warnings are advice; an error is something Debian's tools refuse.
        const Run check = run(QStringLiteral("lintian"),
                              {QStringLiteral("--tag-display-limit"), QStringLiteral("0"), deb});
        QStringList errors;
        for (const QString& line : check.output.split('\n', Qt::SkipEmptyParts))
            if (line.startsWith(QStringLiteral("E: ")))
                errors << line;
        QVERIFY2(errors.isEmpty(), qPrintable(errors.join('\n')));
        QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    }
};

QTEST_GUILESS_MAIN(PackagingTest)
#include "PackagingTest.moc"
