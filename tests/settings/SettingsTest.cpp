#include "TestContext.h"
#include "settings/IniDocument.h"
#include "settings/modo.h"

#include <QFileInfo>
#include <QtTest>
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
        QVERIFY(writeini("MAIN", "FIRST", "1", m_ini));
        QVERIFY(writeini("USER", "NAME", "Sam", m_ini));
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nFIRST=1\r\n[USER]\r\nNAME=Sam\r\n"));
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("1"));
        QCOMPARE(readini("user", "name", "", m_ini), QString("Sam"));

        writeBytes(m_ini, "[MAIN]\r\nFIRST=\r\n[USER]\r\nNAME=\r\n"); // an empty value is none
        QCOMPARE(readini("MAIN", "FIRST", "0", m_ini), QString("0"));
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString());
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nFIRST=0\r\n[USER]\r\nNAME=\r\n"));
    }

    void longValue_isCutTo254() {
        QVERIFY(writeini("USER", "NAME", QString(300, 'x'), m_ini));
        QCOMPARE(readini("USER", "NAME", "", m_ini), QString(254, 'x'));
        // Never in the middle of a character: 253 ASCII bytes and a two-byte letter.
        QVERIFY(writeini("USER", "NAME", QString(253, 'x') + QString::fromUtf8("ëë"), m_ini));
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
        QVERIFY(writeini("MAIN", "LSOUND", "0", m_ini));
        QCOMPARE(readBytes(m_ini), QByteArray(before).replace("LSound=1\n", "LSound=0\r\n"));

        QVERIFY(writeini("main", "FIRST", "1", m_ini));
        QVERIFY(writeini("OTHER", "new", "n", m_ini));
        QVERIFY(writeini("USER", "NAME", "Ann", m_ini));
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
            QVERIFY(writeini("USER", "NAME", value, m_ini));
            QCOMPARE(readini("USER", "NAME", "", m_ini), value);
        }
        // A line break cannot split the line and add keys of its own.
        QVERIFY(writeini("USER", "NAME", "Sam\r\n[MAIN]\r\nFIRST=0", m_ini));
        QCOMPARE(readini("MAIN", "FIRST", "", m_ini), QString());
        QVERIFY(!writeini("US]ER", "NAME", "x", m_ini));
        QVERIFY(!writeini("USER", "NA=ME", "x", m_ini));
        QVERIFY(!writeini("USER", "", "x", m_ini));
    }

    void writeIntoImpossiblePlace_failsAndKeepsTheOldFile() {
        writeBytes(m_dir.filePath("notadir"), "x"); // a directory that is a file
        QVERIFY(!writeini("MAIN", "LSOUND", "1", m_dir.filePath("notadir/main.ini")));
        QVERIFY(QFile::remove(m_dir.filePath("notadir")));
        writeBytes(m_ini, "[MAIN]\r\nLSOUND=1\r\n");
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const bool canStillWrite = QFileInfo(m_dir.path()).isWritable() || geteuid() == 0;
        const bool written = writeini("MAIN", "LSOUND", "0", m_ini);
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                QFileDevice::ExeOwner);
        if (canStillWrite)
            QSKIP("running as root: a read-only directory is still writable");
        QVERIFY(!written);
        QCOMPARE(readBytes(m_ini), QByteArray("[MAIN]\r\nLSOUND=1\r\n"));
        QVERIFY(QDir(m_dir.path()).entryList(QDir::Files).size() == 2); // no temporary left
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
