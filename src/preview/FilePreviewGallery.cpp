#include "cards/ViewServices.h"
#include "items/link/OGImageCache.h"
#include "preview/LinkPreview.h"
#include "preview/PDFPreview.h"
#include "preview/PreviewGallery.h"
#include "preview/SampleDocuments.h"
#include "preview/TextFilePreview.h"
#include "ui/controls/ControlStyle.h"
#include "ui/fx/Fx.h"
#include "ui/view/GalleryRegistry.h"

#include <QFile>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTemporaryDir>

namespace qv {

namespace {

void label(GallerySheet& sheet, const QString& text, QPointF at, const EnvironmentValues& environment) {
  sheet.painter().setFont(systemFont(10));
  sheet.painter().setPen(primaryColor(environment, 0.45));
  sheet.painter().drawText(at, text);
}

// The preview's content box behind a view.
void box(GallerySheet& sheet, const QRectF& rect, const EnvironmentValues& environment) {
  sheet.painter().fillPath(Fx::continuousRoundedRect(rect, 20),
                           environment.isDark() ? QColor(44, 44, 48) : QColor(250, 250, 252));
  Fx::strokeInnerBorder(sheet.painter(), rect, 20, primaryColor(environment, 0.08), 0.75);
}

QImage pdfPages(GalleryScene& scene) {
  GallerySheet sheet(scene, {1330, 680});
  ViewServices& services = scene.services<ViewServices>();
  QTemporaryDir files;
  const QString three = files.filePath(QStringLiteral("report.pdf"));
  const QString one = files.filePath(QStringLiteral("memo.pdf"));
  const QString damaged = files.filePath(QStringLiteral("Quarterly statement (damaged).pdf"));
  writeSamplePdf(three, 3);
  writeSamplePdf(one, 1);
  {
    QFile garbage(damaged);
    if (garbage.open(QIODevice::WriteOnly)) garbage.write(QByteArray(4000, '\x07'));
  }
  struct Sample {
    QString title;
    QString path;
    QSize size;
    bool compact;
    int page;
    bool hoverNext;
  };
  const Sample samples[] = {
      {QStringLiteral("Page 2 of 3, 502 × 620"), three, {502, 620}, false, 1, false},
      {QStringLiteral("Page 1 of 3, compact, next hovered"), three, {300, 380}, true, 0, true},
      {QStringLiteral("One page: no pager"), one, {160, 200}, true, 0, false},
      {QStringLiteral("Does not open: its icon and name"), damaged, {220, 300}, true, 0, false},
  };
  double x = 10;
  for (const Sample& sample : samples) {
    label(sheet, sample.title, {x, 16}, scene.environment);
    const QRectF frame(x, 24, sample.size.width() + 20, sample.size.height() + 20);
    box(sheet, frame, scene.environment);
    PDFPreview view(services);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(sample.size);
    view.show();
    view.setProps({QUrl::fromLocalFile(sample.path), sample.compact});
    if (scene.settle) scene.settle();
    for (int i = 0; i < sample.page; ++i) {
      PagerHalf& next = view.pager().nextHalf();
      next.setAttribute(Qt::WA_DontShowOnScreen);
      QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton, {});
      QApplication::sendEvent(&next, &press);
      QMouseEvent release(QEvent::MouseButtonRelease, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::NoButton, {});
      QApplication::sendEvent(&next, &release);
      if (scene.settle) scene.settle();
    }
    // Painted once at the sheet's pixel ratio, the page is drawn again for it.
    QImage scratch = scene.canvas(sample.size.width(), sample.size.height());
    QPainter scratchPainter(&scratch);
    view.render(&scratchPainter);
    scratchPainter.end();
    if (scene.settle) scene.settle();
    scene.runFrames();
    if (sample.hoverNext) scene.hover(view.pager().nextHalf(), QPointF(10, 10));
    sheet.put(view, frame.topLeft() + QPointF(10, 10));
    x += frame.width() + 14;
  }
  return sheet.finish();
}

QImage links(GalleryScene& scene) {
  GallerySheet sheet(scene, {1050, 360});
  ViewServices& services = scene.services<ViewServices>();
  const QString withImage = QStringLiteral("0D8C2A52-7F0B-4E6B-9C44-61A2B3C4D5E6");
  QImage page(1200, 630, QImage::Format_RGB32);
  {
    QPainter painter(&page);
    QLinearGradient gradient(0, 0, 1200, 630);
    gradient.setColorAt(0, QColor(40, 70, 140));
    gradient.setColorAt(1, QColor(200, 90, 120));
    painter.fillRect(page.rect(), gradient);
    painter.setPen(Qt::white);
    QFont font = systemFont(72, QFont::Bold);
    painter.setFont(font);
    painter.drawText(page.rect(), Qt::AlignCenter, QStringLiteral("Release notes 4.2"));
  }
  services.ogImageCache->save(page, withImage);
  const auto parse = [](const char* text) { return parseStrictUrl(QString::fromUtf8(text)).value_or(Url()); };
  struct Sample {
    QString title;
    LinkPreviewContent::Props props;
    bool hover;
  };
  const Sample samples[] = {
      {QStringLiteral("With its image, address hovered"),
       {parse("https://blog.example.org/2026/release-notes-4-2"), QStringLiteral("blog.example.org"),
        QStringLiteral("Release notes for version 4.2: faster search, a new library window and many small fixes"),
        OGImageCache::cachedReference(withImage), withImage},
       true},
      {QStringLiteral("Without an image"),
       {parse("https://docs.example.org/guide/getting-started#install"), QStringLiteral("docs.example.org"),
        QStringLiteral("Getting started"), std::nullopt, QStringLiteral("5E1A0000-0000-4000-8000-000000000001")},
       false},
      {QStringLiteral("Not a web address: plain text"),
       {parse("mailto:team@example.org?subject=Weekly%20notes"),
        QStringLiteral("team@example.org?subject=Weekly%20notes"), std::nullopt, std::nullopt,
        QStringLiteral("5E1A0000-0000-4000-8000-000000000002")},
       false},
  };
  double x = 10;
  for (const Sample& sample : samples) {
    label(sheet, sample.title, {x, 16}, scene.environment);
    const QRectF frame(x, 24, 320, 320);
    box(sheet, frame, scene.environment);
    LinkPreviewContent view(services);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(320, 320);
    view.show();
    view.setProps(sample.props);
    if (scene.settle) scene.settle();
    scene.runFrames();
    if (sample.hover && view.openButton()) scene.hover(*view.openButton(), QPointF(5, 5));
    // The pane clips its content to the box's corners (smoothly: a painted picture of it).
    QImage picture = scene.canvas(frame.width(), frame.height());
    {
      QPainter painter(&picture);
      view.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    QPainter& painter = sheet.painter();
    painter.save();
    painter.translate(frame.topLeft());
    painter.fillPath(Fx::continuousRoundedRect(QRectF(QPointF(0, 0), frame.size()), 20), QBrush(picture));
    painter.restore();
    x += 340;
  }
  return sheet.finish();
}

QImage textFiles(GalleryScene& scene) {
  GallerySheet sheet(scene, {1060, 330});
  ViewServices& services = scene.services<ViewServices>();
  QTemporaryDir files;
  const auto write = [&](const QString& name, const QByteArray& data) {
    QFile file(files.filePath(name));
    if (file.open(QIODevice::WriteOnly)) file.write(data);
    return QUrl::fromLocalFile(file.fileName());
  };
  QByteArray log;
  for (int i = 0; log.size() < 600'000; ++i)
    log += QStringLiteral("2026-03-14 09:%1:%2 sync: uploaded batch %3 (128 items)\n")
               .arg(i / 60 % 60, 2, 10, QLatin1Char('0'))
               .arg(i % 60, 2, 10, QLatin1Char('0'))
               .arg(i)
               .toUtf8();
  struct Sample {
    QString title;
    QUrl url;
    bool scrollToEnd;
  };
  const Sample samples[] = {
      {QStringLiteral("rates.py: highlighted as Python"),
       write(QStringLiteral("rates.py"), samplePythonSource().toUtf8()), false},
      {QStringLiteral("sync.log, longer than 512 KB: its end"), write(QStringLiteral("sync.log"), log), true},
      {QStringLiteral("empty.txt: cannot be shown"), write(QStringLiteral("empty.txt"), QByteArray()), false},
  };
  double x = 10;
  for (const Sample& sample : samples) {
    label(sheet, sample.title, {x, 16}, scene.environment);
    const QRectF frame(x, 24, 340, 290);
    box(sheet, frame, scene.environment);
    TextFilePreview view(services);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.resize(340, 290);
    view.show();
    view.setProps({sample.url}, {});
    if (scene.settle) scene.settle();
    if (sample.scrollToEnd && view.textViewer()) {
      QScrollBar* bar = view.textViewer()->verticalScrollBar();
      bar->setValue(bar->maximum());
    }
    scene.runFrames();
    sheet.put(view, frame.topLeft());
    x += 350;
  }
  return sheet.finish();
}

}  // namespace

void addFilePreviewGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("preview-pdf"), pdfPages);
  registry.add(QStringLiteral("preview-link"), links);
  registry.add(QStringLiteral("preview-text-file"), textFiles);
}

}  // namespace qv
