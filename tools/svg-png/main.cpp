// svg-png: renders an SVG picture into a square PNG of the given size, keeping
// the picture's aspect ratio, centred on a transparent background.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char* argv[]) {
    // Rendering needs no display; the tool runs inside the build.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool sizeOk = false;
    const int size = args.size() == 4 ? args.at(2).toInt(&sizeOk) : 0;
    if (!sizeOk || size < 1 || size > 4096) {
        std::fprintf(stderr, "usage: svg-png INPUT.svg SIZE OUTPUT.png\n");
        return 2;
    }
    QSvgRenderer renderer(args.at(1));
    if (!renderer.isValid()) {
        std::fprintf(stderr, "svg-png: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QSizeF drawn = renderer.viewBoxF().size();
    drawn.scale(size, size, Qt::KeepAspectRatio);
    const QRectF target((size - drawn.width()) / 2.0, (size - drawn.height()) / 2.0, drawn.width(),
                        drawn.height());
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    renderer.render(&painter, target);
    painter.end();
    if (!image.convertToFormat(QImage::Format_ARGB32).save(args.at(3), "PNG")) {
        std::fprintf(stderr, "svg-png: cannot write %s\n", qPrintable(args.at(3)));
        return 1;
    }
    return 0;
}
