#pragma once

#include <QString>
#include <QStringList>

namespace tk {

struct ProgramContext;

// The system report (the main window's cek): one five-line record about the
// program's surroundings appended to winlog.tz at every start. It shows and
// speaks nothing; its only trace is the file.
namespace SystemReport {

enum class Outcome {
    Written,              // the record was appended
    NoSystemSettingsFile, // the system settings file is missing or named otherwise
    WriteFailed,          // the report file could not be written; see error
};
struct Result {
    Outcome outcome = Outcome::NoSystemSettingsFile;
    QString reportPath; // the report file that was (or could not be) written
    QString error;      // why writing failed
};

// The name the system settings file must be stored under, case counting.
QString systemSettingsName();

// The lines of one record: the date, an empty line, the program directory,
// the size of the system settings file and the version text.
QStringList recordLines(const QString& dateText, const QString& programDir,
                        qint64 systemSettingsSize, const QString& versionText);

// Appends one record to the program directory's winlog.tz, when the
// system settings file of the context is there under its exact name.
Result cek(const ProgramContext& context);

} // namespace SystemReport

} // namespace tk
