// Renders the program's scalable icon into the PNG sizes the icon theme installs:
// appicon <icon.svg> <output folder> <size>... writes <folder>/<size>x<size>/apps/<name>.png.
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: appicon <icon.svg> <output folder> <size>...\n");
    return 2;
  }
  const QString source = QString::fromLocal8Bit(argv[1]);
  QSvgRenderer renderer(source);
  if (!renderer.isValid()) {
    std::fprintf(stderr, "cannot read %s\n", argv[1]);
    return 1;
  }
  const QString name = QFileInfo(source).completeBaseName();
  for (int i = 3; i < argc; ++i) {
    const int side = QByteArray(argv[i]).toInt();
    if (side <= 0) return 2;
    const QString folder = QString::fromLocal8Bit(argv[2]) + QStringLiteral("/%1x%1/apps").arg(side);
    QDir().mkpath(folder);
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter, QRectF(0, 0, side, side));
    painter.end();
    if (!image.save(folder + QLatin1Char('/') + name + QStringLiteral(".png"))) return 1;
  }
  return 0;
}
