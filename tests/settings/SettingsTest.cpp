#include "FileSizeLimit.h"
#include "TestContext.h"
#include "settings/FileLock.h"
#include "settings/IniDocument.h"
#include "settings/PrivateProfile.h"
#include "settings/modo.h"

#include <QFileInfo>
#include <QtTest>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace tk;
using tk::modo::readini;
using tk::modo::writeini;

namespace {
const auto writeBytes = test::TestContext::writeFile;
const auto readBytes = test::TestContext::readFile;
} // namespace

class SettingsTest : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    QString m_ini;

private slots:
    void init() {
        m_ini = m_dir.filePath("main.ini");
        QFile::remove(m_ini);
    }

    void missingFileOrEmptyValue_readsDefaultsAndWritesBackOnlyNonEmptyOnes() {
        QCOMPARE(readini("MAIN", "LSOUND", "", m_ini), QString());
        QVERIFY(!QFile::exists(m_ini));
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString());
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("0"));
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nFIRST=0\r\n"));
        QVERIFY(writeini("MAIN", "FIRST", "1", m_ini).isOk());
        QVERIFY(writeini("USER", "NAME", "Sam", m_ini).isOk());
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n"));
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("1"));
        QCOMPARE(readini("user", "name", "", m_ini), QString("Sam"));

        writeBytes(m_ini, "[MAIN]\r\nFIRST=\r\n[USER]\r\nNAME=\r\n"); // an empty value is none
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("0"));
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString());
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nFIRST=0\r\n[USER]\r\nNAME=\r\n"));
    }

    void longValue_isCutTo254() {
        QVERIFY(writeini("USER", "NAME", QString(300, 'x'), m_ini).isOk());
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString(254, 'x'));
        // Never in the middle of a character: 253 ASCII bytes and a two-byte letter.
        QVERIFY(
            writeini("USER", "NAME", QString(253, 'x') + QString::fromUtf8("ëë"), m_ini).isOk());
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString(253, 'x'));
    }

    void syntax_followsPrivateProfileRules() {
        writeBytes(m_ini, "\xEF\xBB\xBF; a comment\r\n"
                          "# not a comment=1\r\n"
                          "  [ Main ] trailing\r\n"
                          "\tLSound \t=  1 \r\n"
                          "quoted=\"  spaced  \"\r\n"
                          "single='x'\r\n"
                          "half=\"open\r\n"
                          "eq=a=b=c\r\n"
                          "semi=x;y\r\n"
                          "lsound=2\r\n"
                          "[main]\r\n"
                          "other=3\r\n");
        QCOMPARE(readini("MAIN", "LSOUND", "", m_ini), QString("1"));
        QCOMPARE(readini("MAIN", "quoted", "", m_ini), QString("  spaced  "));
        QCOMPARE(readini("MAIN", "single", "", m_ini), QString("x"));
        QCOMPARE(readini("MAIN", "half", "", m_ini), QString("\"open"));
        QCOMPARE(readini("MAIN", "eq", "", m_ini), QString("a=b=c"));
        QCOMPARE(readini("MAIN", "semi", "", m_ini), QString("x;y"));
        QCOMPARE(readini("MAIN", "other", "", m_ini), QString()); // later duplicate section
        QCOMPARE(readini("MAIN", "; a comment", "", m_ini), QString());
    }

    void write_changesOnlyTheKeyLineAndKeepsEverythingElse() {
        const QByteArray before = "; settings\n"
                                  "[Main]\n"
                                  "LSound=1\n"
                                  "Extra = keep me  \n"
                                  "\n"
                                  "[Main]\n"
                                  "LSOUND=duplicate\n"
                                  "[Other]\r\n"
                                  "k=v";
        writeBytes(m_ini, before);
        QVERIFY(writeini("MAIN", "LSOUND", "0", m_ini).isOk());
        QCOMPARE(readBytes(m_ini), QByteArray(before).replace("LSound=1\n", "LSound=0\r\n"));

        QVERIFY(writeini("main", "FIRST", "1", m_ini).isOk());
        QVERIFY(writeini("OTHER", "new", "n", m_ini).isOk());
        QVERIFY(writeini("USER", "NAME", "Ann", m_ini).isOk());
        QCOMPARE(readBytes(m_ini), QByteArray("; settings\n"
                                              "[Main]\n"
                                              "LSound=0\r\n"
                                              "Extra = keep me  \n"
                                              "FIRST=1\r\n"
                                              "\n"
                                              "[Main]\n"
                                              "LSOUND=duplicate\n"
                                              "[Other]\r\n"
                                              "k=v\r\n"
                                              "new=n\r\n"
                                              "[USER]\r\n"
                                              "NAME=Ann\r\n"));
    }

    void write_roundTripsAwkwardValuesAndRefusesBadNames() {
        const QStringList values{"  Sam  ", "\"quoted\"", "'x'", "a;b", "Zoë 山田"};
        for (const QString& value : values) {
            QVERIFY(writeini("USER", "NAME", value, m_ini).isOk());
            QCOMPARE(readini("USER", "NAME", "", m_ini), value);
        }
        // A line break cannot split the line and add keys of its own.
        QVERIFY(writeini("USER", "NAME", "Sam\r\n[MAIN]\r\nFIRST=0", m_ini).isOk());
        QCOMPARE(readini("MAIN", "FIRST", "", m_ini), QString());
        QVERIFY(!writeini("US]ER", "NAME", "x", m_ini).isOk());
        QVERIFY(!writeini("USER", "NA=ME", "x", m_ini).isOk());
        QVERIFY(!writeini("USER", "", "x", m_ini).isOk());
    }

    // Failures that hold for root too: a folder that is a file, a disk that fills
    // up (a file size limit) in the middle of the new file.
    void writeIntoImpossiblePlace_failsAndKeepsTheOldFile() {
        QString reason;
        writeBytes(m_dir.filePath("notadir"), "x");
        reason = writeini("MAIN", "LSOUND", "1", m_dir.filePath("notadir/main.ini")).message();
        QVERIFY(!reason.isEmpty());
        QVERIFY(!reason.isEmpty());
        QVERIFY(QFile::remove(m_dir.filePath("notadir")));

        writeBytes(m_ini, "[MAIN]\r\nLSOUND=1\r\n");
        reason.clear();
        {
            test::FileSizeLimit limit(200);
            reason = writeini("USER", "NAME", QString(500, 'n'), m_ini).message();
            QVERIFY(!reason.isEmpty());
        }
        QVERIFY2(reason.contains("cannot be written"), qPrintable(reason));
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nLSOUND=1\r\n"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"main.ini"}); // no temporary, no lock file left
    }

    // A file that is there but cannot be read is never replaced: the write would
    // keep only the one new key. Too large to be read is such a file, for root too.
    void unreadableFile_isNeverOverwritten() {
        {
            QFile file(m_ini);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[MAIN]\r\nFIRST=1\r\nLSOUND=1\r\n[USER]\r\nNAME=Ann\r\n");
            QVERIFY(file.resize(PrivateProfile::kMaxFileSize + 1)); // sparse: quick
        }
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("0"));
        QString reason;
        reason = writeini("MAIN", "FIRST", "1", m_ini).message();
        QVERIFY(!reason.isEmpty());
        QVERIFY2(reason.contains("larger than 16 MiB"), qPrintable(reason));
        QCOMPARE(QFileInfo(m_ini).size(), PrivateProfile::kMaxFileSize + 1);
        QVERIFY(readBytes(m_ini).startsWith("[MAIN]\r\nFIRST=1\r\nLSOUND=1\r\n[USER]\r\nNAME=Ann"));
        QFile::remove(m_ini);

        QVERIFY(QDir(m_dir.path()).mkdir("main.ini")); // a folder in the file's place
        reason = writeini("MAIN", "FIRST", "1", m_ini).message();
        QVERIFY(!reason.isEmpty());
        QVERIFY(QFileInfo(m_ini).isDir());
        QVERIFY(QDir(m_dir.path()).rmdir("main.ini"));
    }

    // Temporaries of writers killed before their rename go with the next write;
    // files that only look alike stay.
    void leftoverTemporaries_areRemovedByTheNextWrite() {
        const QStringList leftovers{"main.ini.tmp.Ab12Cd", "main.ini.tmp.zzzzzz"};
        const QStringList others{"main.ini.tmp.toolong", "main.ini.tmp.ab-12c", "main.ini.backup",
                                 "other.ini.tmp.Ab12Cd"};
        for (const QString& name : leftovers + others)
            writeBytes(m_dir.filePath(name), "[MAIN]\r\n");
        QVERIFY(writeini("MAIN", "LSOUND", "1", m_ini).isOk());
        QStringList expected = others + QStringList{"main.ini"};
        expected.sort();
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
        for (const QString& name : others)
            QFile::remove(m_dir.filePath(name));
    }

    // Two running copies: a write waits while the other copy holds the lock and
    // then changes the file as that copy left it; a lock of a copy that died
    // does not stop it.
    void concurrentWriters_takeTurnsAndKeepEachOthersKeys() {
        writeBytes(m_ini, "[MAIN]\r\nFIRST=1\r\n");
        auto otherCopy = std::make_unique<FileLock>(PrivateProfile::lockPath(m_ini), 0);
        QVERIFY(otherCopy->isLocked());
        bool written = false;
        std::unique_ptr<QThread> writer(
            QThread::create([&] { written = writeini("USER", "NAME", "Ann", m_ini).isOk(); }));
        writer->start();
        QThread::msleep(300); // a writer that does not wait is done by now
        writeBytes(m_ini, "[MAIN]\r\nFIRST=1\r\nLSOUND=1\r\n"); // the other copy's write
        otherCopy.reset();
        QVERIFY(writer->wait(10000));
        QVERIFY(written);
        QCOMPARE(readBytes(m_ini),
                 QByteArray("[MAIN]\r\nFIRST=1\r\nLSOUND=1\r\n[USER]\r\nNAME=Ann\r\n"));

        const pid_t child = fork();
        if (child == 0) { // a copy that dies holding the lock
            FileLock dying(PrivateProfile::lockPath(m_ini), 0);
            _exit(dying.isLocked() ? 0 : 1); // without removing the lock file
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QCOMPARE(WEXITSTATUS(status), 0);
        QVERIFY(QFile::exists(PrivateProfile::lockPath(m_ini)));
        QVERIFY(writeini("MAIN", "LSOUND", "0", m_ini).isOk());
        QCOMPARE(readini("MAIN", "LSOUND", "", m_ini), QString("0"));
        QVERIFY(!QFile::exists(PrivateProfile::lockPath(m_ini)));
    }

    void iniDocument_withoutFileEnd_addsLineEndBeforeNewLines() {
        IniDocument document("[A]\nx=1");
        QVERIFY(document.setValue("A", "y", "2"));
        QVERIFY(document.setValue("B", "z", "3"));
        QCOMPARE(document.content(), QByteArray("[A]\nx=1\r\ny=2\r\n[B]\r\nz=3\r\n"));
        IniDocument keyless("[A]\r\n; only a comment\r\n");
        QVERIFY(keyless.setValue("a", "k", "v"));
        QCOMPARE(keyless.content(), QByteArray("[A]\r\nk=v\r\n; only a comment\r\n"));
    }
};

QTEST_GUILESS_MAIN(SettingsTest)
#include "SettingsTest.moc"
