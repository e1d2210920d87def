// acs-sheet: renders every animation of a character file into contact sheets,
// one PNG per animation (its frames in a grid, each named with its step and
// duration), plus one sheet of the mouth shapes and one of the rest pose at
// several sizes. For looking at the art without running the program.
//
//   acs-sheet <file.acs> <output-directory> [--scale N]
#include "agent/characterfile/CharacterFile.h"
#include "agent/runtime/FrameRenderer.h"

#include <QDir>
#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdio>

using namespace tk::agent;

namespace {

constexpr int kColumns = 6;
constexpr int kMargin = 12;
constexpr int kCaption = 30;
constexpr int kTitle = 44;

struct Cell {
    int frame = -1;
    MouthShape mouth = MouthShape::Closed;
    QString caption;
    bool exit = false;
};

void drawChecker(QPainter& painter, const QRect& area) {
    painter.fillRect(area, QColor(0xf4, 0xf4, 0xf4));
    const int square = 8;
    for (int y = area.top(); y < area.bottom(); y += square) {
        for (int x = area.left() + ((y - area.top()) / square % 2) * square; x < area.right();
             x += square * 2)
            painter.fillRect(QRect(x, y, square, square).intersected(area),
                             QColor(0xe2, 0xe2, 0xe2));
    }
}

QImage sheet(const FrameRenderer& renderer, const QString& title, const QString& subtitle,
             const QList<Cell>& cells, qreal scale) {
    const QSize frameSize = renderer.character().size * scale;
    const int columns = std::min<int>(kColumns, std::max<qsizetype>(1, cells.size()));
    const int rows = int((cells.size() + columns - 1) / columns);
    const QSize cellSize(frameSize.width() + kMargin, frameSize.height() + kCaption);
    QImage image(kMargin + columns * cellSize.width(), kTitle + rows * cellSize.height() + kMargin,
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont titleFont(QStringLiteral("DejaVu Sans"), 13, QFont::Bold);
    QFont smallFont(QStringLiteral("DejaVu Sans"), 8);
    painter.setFont(titleFont);
    painter.setPen(QColor(0x1f, 0x5f, 0x5b));
    painter.drawText(QPoint(kMargin, 20), title);
    painter.setFont(smallFont);
    painter.setPen(QColor(0x55, 0x66, 0x66));
    painter.drawText(QPoint(kMargin, 36), subtitle);
    for (int i = 0; i < cells.size(); ++i) {
        const QPoint corner(kMargin + (i % columns) * cellSize.width(),
                            kTitle + (i / columns) * cellSize.height());
        const QRect area(corner, frameSize);
        drawChecker(painter, area);
        if (cells[i].exit) {
            painter.setPen(QPen(QColor(0xff, 0x8c, 0x42), 2, Qt::DashLine));
            painter.drawRect(area.adjusted(1, 1, -1, -1));
        }
        painter.save();
        painter.translate(corner);
        painter.scale(scale, scale);
        renderer.paint(painter, cells[i].frame, cells[i].mouth);
        painter.restore();
        painter.setPen(QColor(0x33, 0x33, 0x33));
        const QFontMetrics metrics(smallFont);
        painter.drawText(
            QRect(corner.x(), area.bottom() + 3, frameSize.width(), kCaption - 4),
            Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
            metrics.elidedText(cells[i].caption, Qt::ElideRight, frameSize.width() * 2));
    }
    return image;
}

QString statesOf(const CharacterData& character, int animation) {
    QStringList states;
    for (int s = 0; s < kCharacterStateCount; ++s) {
        if (character.states[s].contains(animation))
            states.append(characterStateKey(static_cast<CharacterState>(s)));
    }
    return states.join(QStringLiteral(", "));
}

bool save(const QImage& image, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name + QStringLiteral(".png"));
    if (!image.save(path)) {
        std::fprintf(stderr, "acs-sheet: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QStringList args = QGuiApplication::arguments();
    qreal scale = 2.0;
    const int scaleAt = int(args.indexOf(QStringLiteral("--scale")));
    if (scaleAt > 0 && scaleAt + 1 < args.size()) {
        scale = qBound(0.25, args[scaleAt + 1].toDouble(), 8.0);
        args.remove(scaleAt, 2);
    }
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: acs-sheet <file.acs> <output-directory> [--scale N]\n");
        return 2;
    }
    const CharacterFileResult file = readCharacterFile(args[1]);
    if (!file.ok()) {
        std::fprintf(stderr, "acs-sheet: %s\n", qPrintable(file.error));
        return 1;
    }
    FrameRenderer renderer(file.character);
    const QString problem = renderer.prepare();
    if (!problem.isEmpty()) {
        std::fprintf(stderr, "acs-sheet: %s\n", qPrintable(problem));
        return 1;
    }
    QDir dir(args[2]);
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "acs-sheet: cannot create %s\n", qPrintable(args[2]));
        return 1;
    }
    const CharacterData& character = *file.character;
    bool ok = true;
    for (int a = 0; a < character.animations.size(); ++a) {
        const Animation& animation = character.animations[a];
        QList<Cell> cells;
        int total = 0;
        for (int s = 0; s < animation.steps.size(); ++s) {
            const AnimationStep& step = animation.steps[s];
            total += step.durationMs;
            cells.append({step.frame, MouthShape::Closed,
                          QStringLiteral("%1 %2 · %3 ms")
                              .arg(s)
                              .arg(character.frames[step.frame].name)
                              .arg(step.durationMs),
                          false});
        }
        for (int s = 0; s < animation.exit.size(); ++s) {
            const AnimationStep& step = animation.exit[s];
            cells.append({step.frame, MouthShape::Closed,
                          QStringLiteral("exit %1 %2 · %3 ms")
                              .arg(s)
                              .arg(character.frames[step.frame].name)
                              .arg(step.durationMs),
                          true});
        }
        QStringList notes{QStringLiteral("%1 ms").arg(total)};
        if (animation.loopFrom)
            notes.append(QStringLiteral("loops from step %1").arg(*animation.loopFrom));
        if (animation.next >= 0)
            notes.append(QStringLiteral("then %1").arg(character.animations[animation.next].name));
        const QString states = statesOf(character, a);
        if (!states.isEmpty())
            notes.append(QStringLiteral("state: %1").arg(states));
        if (!animation.exit.isEmpty())
            notes.append(QStringLiteral("dashed: exit steps"));
        ok &=
            save(sheet(renderer, animation.name, notes.join(QStringLiteral("  ·  ")), cells, scale),
                 dir, QStringLiteral("animation-%1").arg(animation.name));
    }

    // The mouth shapes on the first speaking frame.
    const QList<int>& speaking = character.stateAnimations(CharacterState::Speaking);
    int speakingFrame = -1;
    for (const AnimationStep& step : character.animations[speaking.first()].steps) {
        if (renderer.hasMouth(step.frame)) {
            speakingFrame = step.frame;
            break;
        }
    }
    if (speakingFrame >= 0) {
        QList<Cell> cells;
        for (int m = 0; m < kMouthShapeCount; ++m)
            cells.append({speakingFrame, static_cast<MouthShape>(m),
                          mouthShapeKey(static_cast<MouthShape>(m)), false});
        ok &= save(sheet(renderer, QStringLiteral("Mouth shapes"),
                         QStringLiteral("frame %1 with each overlay")
                             .arg(character.frames[speakingFrame].name),
                         cells, scale),
                   dir, QStringLiteral("mouths"));
    }

    // The rest pose at several sizes: crisp at any scale.
    const int rest = character.animations[character.stateAnimations(CharacterState::Rest).first()]
                         .steps.last()
                         .frame;
    for (const qreal size : {1.0, 2.0, 4.0}) {
        ok &= save(sheet(renderer, QStringLiteral("Rest pose at %1×").arg(size),
                         QStringLiteral("%1 × %2 logical pixels")
                             .arg(character.size.width())
                             .arg(character.size.height()),
                         {{rest, MouthShape::Closed, character.frames[rest].name, false}}, size),
                   dir, QStringLiteral("rest-%1x").arg(int(size)));
    }
    return ok ? 0 : 1;
}
