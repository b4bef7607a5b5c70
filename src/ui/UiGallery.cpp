#include "ui/InterfaceServices.h"
#include "ui/StatusBarIcon.h"
#include "ui/code/CodeHighlighter.h"
#include "ui/code/CodeSamples.h"
#include "ui/controls/TextInput.h"
#include "ui/controls/TextViewers.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/TextBlock.h"
#include "ui/view/GalleryRegistry.h"

#include <QPainter>
#include <QScrollBar>

namespace qv {

namespace {

QColor ink(const EnvironmentValues& environment) { return environment.isDark() ? Qt::white : Qt::black; }

// The four status icons side by side, enlarged 4× (and at 1× below) so the cut-outs show.
QImage statusIcons(GalleryScene& scene) {
  const double dpr = scene.devicePixelRatio;
  const int cell = 18 * 4 + 16;
  QImage image = scene.canvas(4 * cell, cell + 40);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  const bool variants[4][2] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (int i = 0; i < 4; ++i) {
    QImage big = statusBarIconImage(variants[i][0], variants[i][1], 4 * dpr, ink(scene.environment));
    big.setDevicePixelRatio(dpr);  // shown four times as large
    painter.drawImage(QPointF(i * cell + 8, 8), big);
    const QImage small = statusBarIconImage(variants[i][0], variants[i][1], dpr, ink(scene.environment));
    painter.drawImage(QPointF(i * cell + 8 + 27, cell + 8), small);
  }
  return image;
}

// Every symbol of the table, tinted with the accent, with its name.
QImage symbolSheet(GalleryScene& scene) {
  const double dpr = scene.devicePixelRatio;
  const auto& table = Symbols::table();
  const int columns = 4, cellW = 190, cellH = 28;
  const int rows = int((table.size() + columns - 1) / columns);
  QImage image = scene.canvas(columns * cellW, rows * cellH);
  QPainter painter(&image);
  QFont font;
  font.setPixelSize(10);
  TextStyle style{font};
  for (size_t i = 0; i < table.size(); ++i) {
    const QPointF at((int(i) % columns) * cellW + 4, (int(i) / columns) * cellH + 4);
    painter.drawImage(at, Symbols::image(QString::fromLatin1(table[i].symbol), 18, Theme::accent(), dpr));
    TextBlock label(QString::fromLatin1(table[i].symbol), style);
    label.draw(painter, at + QPointF(24, 3), cellW - 30, ink(scene.environment));
  }
  return image;
}

// The painting kit on one card-sized sample: shadows, squircle, inner border, a faded text
// block and a blurred copy.
QImage fxSampler(GalleryScene& scene) {
  const double dpr = scene.devicePixelRatio;
  const bool dark = scene.environment.isDark();
  QImage image = scene.canvas(640, 300);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF card(24, 30, 280, 240);
  const Fx::HoverLift lift = Fx::hoverLift(1);
  painter.save();
  painter.setTransform(lift.transform(card), true);
  Fx::drawShadows(painter, card, 16, lift.shadows);
  const QPainterPath shape = Fx::continuousRoundedRect(card, 16);
  painter.fillPath(shape, dark ? QColor(52, 52, 58) : QColor(255, 255, 255));
  Fx::strokeInnerBorder(painter, card, 16, dark ? QColor::fromRgbF(1, 1, 1, 0.14f) : QColor::fromRgbF(0, 0, 0, 0.1f),
                        1);
  QFont font;
  font.setPixelSize(13);
  TextBlock text(
      QStringLiteral("Long card text is never ended with an ellipsis: it is clipped and faded out with a "
                     "top-to-bottom gradient mask, as the cards do. The quick brown fox jumps over the lazy "
                     "dog, again and again, until the card runs out of room. Then it keeps going, line after line, "
                     "because a clipboard holds whatever was copied, however long it was."),
      TextStyle{font, 3});
  {
    const QRectF textArea = card.adjusted(16, 16, -16, -60);
    Fx::Layer layer(painter, textArea);
    layer.setMask(Fx::verticalFadeMask(textArea, 0.6));
    layer.painter().setClipRect(textArea);
    text.draw(layer.painter(), textArea.topLeft(), textArea.width(), dark ? QColor(235, 235, 240) : QColor(30, 30, 35));
  }
  painter.drawImage(QPointF(card.left() + 16, card.bottom() - 34),
                    Symbols::image(QStringLiteral("pin.fill"), 18, Theme::accent(), dpr));
  painter.drawImage(QPointF(card.left() + 42, card.bottom() - 34),
                    Symbols::image(QStringLiteral("pin.slash"), 18, Theme::accent(), dpr));
  painter.restore();

  // The same card half blown away.
  const QRectF second(336, 30, 280, 240);
  const Fx::LayerLook look = Fx::blowAway(second, 0.5, Fx::kBlowAwayTravel);
  Fx::Layer layer(painter, second);
  layer.setBlur(look.blur);
  layer.setOpacity(look.opacity);
  layer.setTransform(look.transform);
  layer.painter().fillPath(Fx::continuousRoundedRect(second, 16), Theme::accent());
  TextStyle big{font};
  big.lineLimit = 2;
  TextBlock(QStringLiteral("Blown away at half progress: shrunk, turned, thrown, blurred and faded"), big)
      .draw(layer.painter(), second.topLeft() + QPointF(16, 16), 248, Qt::white);
  return image;
}

// Every language's sample as a code card would show it: the card font and palette, 5 points
// of extra line spacing, cut at the box.
QImage codeHighlighting(GalleryScene& scene) {
  const bool dark = scene.environment.isDark();
  const auto& samples = codeSamples();
  const int columns = 3, cellW = 330, cellH = 200;
  const int rows = int((samples.size() + columns - 1) / columns);
  QImage image = scene.canvas(columns * cellW, rows * cellH);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont labelFont;
  labelFont.setPixelSize(10);
  TextStyle codeStyle{CodeHighlighter::cardFont(), 5};
  for (size_t i = 0; i < samples.size(); ++i) {
    const QRectF box(QPointF((int(i) % columns) * cellW + 5, (int(i) / columns) * cellH + 5),
                     QSizeF(cellW - 10, cellH - 10));
    const QPainterPath shape = Fx::continuousRoundedRect(box, 12);
    painter.fillPath(shape, dark ? QColor(44, 44, 50) : QColor(250, 250, 252));
    TextBlock(samples[i].language, TextStyle{labelFont})
        .draw(painter, box.topLeft() + QPointF(12, 8), 0, Theme::accent());
    const auto text = CodeHighlighter(samples[i].source, samples[i].language)
                          .highlightedText(*scene.context.codeHighlights, scene.environment.colorScheme, 1500, false);
    painter.save();
    painter.setClipPath(shape);
    TextBlock(*text, codeStyle)
        .draw(painter, box.topLeft() + QPointF(12, 26), box.width() - 24, ink(scene.environment));
    painter.restore();
  }
  return image;
}

// The text controls as they sit in a surface: two search fields (placeholder, text), a plain
// text viewer scrolled a little with the edges it reports, and the code viewer once coloured.
QImage textControls(GalleryScene& scene) {
  const bool dark = scene.environment.isDark();
  const QColor well = dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 13);
  QImage image = scene.canvas(460, 470);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // The widget on a rounded well, `padding` in from its left edge (fields have no margin of their own).
  auto place = [&](QWidget& widget, const QRectF& frame, int padding = 0) {
    painter.fillPath(Fx::continuousRoundedRect(frame, 10), well);
    widget.render(&painter, frame.topLeft().toPoint() + QPoint(padding, 0), QRegion(), QWidget::DrawChildren);
  };
  QFont captionFont;
  captionFont.setPixelSize(10);
  auto caption = [&](const QString& text, double y) {
    TextBlock(text, TextStyle{captionFont}).draw(painter, QPointF(4, y), 0, Theme::accent());
  };

  const QString samples[] = {QString(), QStringLiteral("invoice 2026")};
  for (int i = 0; i < 2; ++i) {
    QVTextField field(scene.context, QStringLiteral("Search clipboard"), 14);
    field.setProps({samples[i]}, {});
    field.resize(200, 30);
    place(field, QRectF(i * 230, 0, 220, 30), 12);
  }

  caption(QStringLiteral("QVTextViewer, scrolled 30 points"), 40);
  QVTextViewer viewer(scene.context);
  QString edges;
  const QVTextViewer::Callbacks reportEdges{[&](bool above, bool below) {
    edges = QStringLiteral("hidden above: %1, below: %2").arg(above ? "yes" : "no", below ? "yes" : "no");
  }};
  viewer.setProps(
      {QStringLiteral("A clipboard keeps whatever was copied, however long it was. The viewer shows all of it, "
                      "selectable and scrolling without scroll bars, and tells its owner whether text is "
                      "hidden above or below, so the owner can fade the edges. ")
           .repeated(3),
       nullptr, false, QSizeF(10, 8)},
      reportEdges);
  viewer.resize(450, 110);
  viewer.show();  // laid out at its size, offscreen
  viewer.verticalScrollBar()->setValue(30);
  scene.settle();
  place(viewer, QRectF(0, 56, 450, 110));
  caption(edges, 170);

  caption(QStringLiteral("QVCodeViewer (python)"), 192);
  QVCodeViewer code(scene.context);
  code.setProps({codeSamples()[1].source, codeSamples()[1].language}, {});
  code.resize(450, 250);
  code.show();
  scene.settle();
  place(code, QRectF(0, 208, 450, 250));
  return image;
}

}  // namespace

void addUiGalleryViews(GalleryRegistry& registry) {
  registry.add(QStringLiteral("status-icon"), statusIcons);
  registry.add(QStringLiteral("symbols"), symbolSheet);
  registry.add(QStringLiteral("fx-sampler"), fxSampler);
  registry.add(QStringLiteral("code-highlighting"), codeHighlighting);
  addControlGalleryViews(registry);
  registry.add(QStringLiteral("text-controls"), textControls);
}

}  // namespace qv
