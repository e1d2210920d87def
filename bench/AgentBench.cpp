// agent_bench: what the character runtime costs. Run it on an X display (for
// example under xvfb-run) so that the figure window is real:
//
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/agent_bench [--seconds 30]
//
// Prints the time to load the character, the cost of one frame (drawn from its
// vector pictures, and shown from the cache), the CPU used while the character
// stands shown and idling, and the resident memory.
#include "ProcessStats.h"
#include "agent/api/AgentCharacters.h"
#include "agent/characterfile/CharacterFile.h"
#include "agent/runtime/CharacterRuntime.h"
#include "agent/runtime/FigureWindow.h"
#include "agent/runtime/FrameCache.h"
#include "agent/runtime/FrameRenderer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPainter>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace tk::agent;

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void waitMs(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QStringList args = QApplication::arguments();
    int seconds = 30;
    const int at = int(args.indexOf(QStringLiteral("--seconds")));
    if (at > 0 && at + 1 < args.size())
        seconds = qMax(1, args[at + 1].toInt());
    const QString path = QStringLiteral(TK_DEFAULT_CHARACTER_FILE);
    std::printf("platform %s, character %s\n", qPrintable(QApplication::platformName()),
                qPrintable(path));
    const long rssStart = bench::statusKb("VmRSS:");

    // Loading: reading, validating and parsing every picture.
    QElapsedTimer clock;
    clock.start();
    const CharacterFileResult file = readCharacterFile(path);
    if (!file.ok()) {
        std::fprintf(stderr, "%s\n", qPrintable(file.error));
        return 1;
    }
    const double parseMs = clock.nsecsElapsed() / 1e6;
    FrameRenderer renderer(file.character);
    renderer.prepare();
    std::printf("load: %.1f ms to read and check the file, %.1f ms with its pictures parsed\n",
                parseMs, clock.nsecsElapsed() / 1e6);

    // One frame drawn from its pictures, at 1x and 2x, averaged over every frame.
    const int frames = int(file.character->frames.size());
    for (const qreal ratio : {1.0, 2.0}) {
        clock.restart();
        for (int f = 0; f < frames; ++f)
            renderer.render(f, MouthShape::Open, ratio);
        std::printf("frame drawn from vectors at %.0fx: %.3f ms (mean of %d frames)\n", ratio,
                    clock.nsecsElapsed() / 1e6 / frames, frames);
    }
    clock.restart();
    for (int f = 0; f < frames; ++f)
        FrameCache::maskOf(renderer.render(f, MouthShape::Closed, 1.0), MaskKind::Shaped);
    std::printf("frame drawn and its window shape cut: %.3f ms\n",
                clock.nsecsElapsed() / 1e6 / frames);

    // Showing a cached frame: the window's paint of one frame.
    FrameCache cache(renderer);
    QImage target(file.character->size, QImage::Format_ARGB32_Premultiplied);
    for (int f = 0; f < frames; ++f)
        cache.pixmap(f, MouthShape::Closed, 1.0);
    clock.restart();
    const int rounds = 20;
    for (int r = 0; r < rounds; ++r) {
        for (int f = 0; f < frames; ++f) {
            QPainter painter(&target);
            painter.setCompositionMode(QPainter::CompositionMode_Source);
            painter.drawPixmap(0, 0, cache.pixmap(f, MouthShape::Closed, 1.0));
        }
    }
    std::printf("frame shown from the cache: %.4f ms\n",
                clock.nsecsElapsed() / 1e6 / (frames * rounds));

    // The runtime with Tovrin shown, resting and idling.
    CharacterRuntime runtime;
    const tk::Status loaded = runtime.Characters().Load(QStringLiteral("Tovrin"), path);
    if (!loaded.isOk()) {
        std::fprintf(stderr, "%s\n", qPrintable(loaded.message()));
        return 1;
    }
    int animations = 0;
    QObject::connect(&runtime, &CharacterRuntime::animationStarted, &app,
                     [&animations] { ++animations; });
    runtime.Characters().Character(QStringLiteral("Tovrin")).Show();
    waitMs(1500); // shown, settled
    const FigureWindow* window = runtime.figureWindow(QStringLiteral("Tovrin"));
    std::printf("figure window: %s, %dx%d at device pixel ratio %.2f\n",
                window->isBlended() ? "per-pixel alpha" : "shape mask", window->width(),
                window->height(), window->devicePixelRatioF());

    animations = 0;
    const double cpuBefore = cpuSeconds();
    clock.restart();
    waitMs(seconds * 1000);
    const double wall = clock.nsecsElapsed() / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    std::printf("idle: %.3f %% of a core over %.1f s (%d animations played meanwhile)\n",
                100.0 * cpu / wall, wall, animations);
    std::printf("memory: resident %ld kB (%ld kB at start, peak %ld kB)\n",
                bench::statusKb("VmRSS:"), rssStart, bench::statusKb("VmHWM:"));
    return 0;
}
