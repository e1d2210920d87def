// How long the options window takes to open with large font lists, and how
// much memory it then holds. Run from build/bench: ./bench_options_window
#include "ProcessStats.h"
#include "options/FontList.h"
#include "options/OptionsWindow.h"
#include "platform/core/Clock.h"
#include "platform/core/Dialogs.h"
#include "platform/core/FileChannels.h"
#include "platform/core/ProcessLauncher.h"
#include "platform/core/ProgramContext.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdio>

namespace {

class SilentDialogs final : public tk::Dialogs {
public:
    void message(const QString&, const QString&) override {}
    QString input(const QString&, const QString&) override { return QString(); }
};

void measure(const char* label, const QByteArray& content) {
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("fonts.cmd")));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write fonts.cmd");
    file.close();
    tk::SystemClock clock;
    SilentDialogs dialogs;
    tk::DetachedProcessLauncher launcher;
    tk::FileChannels channels;
    const tk::ProgramContext context{dir.path(), QString(), QString(), clock,
                                     dialogs,    launcher,  channels};
    const long before = bench::statusKb();
    QElapsedTimer timer;
    timer.start();
    tk::OptionsWindow* window = tk::OptionsWindow::open(context);
    QApplication::processEvents(); // first paint
    const qint64 openMs = timer.elapsed();
    const int entries = window->findChild<QListWidget*>(QStringLiteral("List1"))->count();
    const long after = bench::statusKb();
    delete window;
    std::printf("%-34s %9lld bytes %7d entries  open %5lld ms  +%6ld KiB resident\n", label,
                static_cast<long long>(content.size()), entries, static_cast<long long>(openMs),
                after - before);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QByteArray fonts;
    for (int i = 0; i < 7; ++i)
        fonts += "Liberation Sans\r\n";
    measure("7 lines", fonts);

    QByteArray many;
    for (int i = 0; i < 100000; ++i)
        many += "Font family number " + QByteArray::number(i) + "\r\n";
    measure("100,000 lines", many);

    measure("empty lines beyond the entry bound", QByteArray(1000000, '\n'));

    QByteArray junk(64 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator generator(1);
    generator.fillRange(reinterpret_cast<quint32*>(junk.data()), junk.size() / 4);
    measure("64 MiB of binary junk", junk);

    measure("one 64 MiB line", QByteArray(64 * 1024 * 1024, 'x'));
    return 0;
}
