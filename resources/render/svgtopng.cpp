// Build-time helper: renders the SVG drawings of the station's icons and logos
// to PNG files at their own size, so the program embeds ready-made pixmaps.
//
//   cardiolane-svgtopng <output folder> <file.svg>...

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char *argv[])
{
    // Fonts (used by the logo's lettering) need a GUI application, not a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: cardiolane-svgtopng <output folder> <file.svg>...\n");
        return 2;
    }
    const QDir output(args.at(1));
    if (!QDir().mkpath(output.path())) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(output.path()));
        return 1;
    }
    for (int i = 2; i < args.size(); ++i) {
        QSvgRenderer renderer(args.at(i));
        if (!renderer.isValid()) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(args.at(i)));
            return 1;
        }
        QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter);
        painter.end();
        const QString target = output.filePath(QFileInfo(args.at(i)).completeBaseName() + ".png");
        if (!image.save(target, "PNG")) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(target));
            return 1;
        }
    }
    return 0;
}
