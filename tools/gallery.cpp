// Renders every registered view to <build>/gallery/<name>-light.png and -dark.png (or into the
// folder given), offscreen, for people to look at; --only TEXT renders the views whose name holds
// TEXT. Usage: gallery [--only TEXT] [FOLDER]
// Views register in their folder's add…GalleryViews function; add the call below.
#include "app/AppContext.h"
#include "cards/CardsGallery.h"
#include "cards/badges/BadgesGallery.h"
#include "items/ItemServices.h"
#include "library/LibraryGallery.h"
#include "panel/CardCellGallery.h"
#include "panel/PanelGallery.h"
#include "preview/PreviewGallery.h"
#include "preview/PreviewPaneGallery.h"
#include "settings/SettingsGallery.h"
#include "settings/onboarding/OnboardingGallery.h"
#include "support/app/FakeContext.h"
#include "ui/Appearance.h"
#include "ui/InterfaceServices.h"
#include "ui/anim/FrameClock.h"
#include "ui/fx/Fx.h"
#include "ui/symbols/Symbols.h"
#include "ui/text/TextBlock.h"
#include "ui/theme/Environment.h"
#include "ui/view/GalleryRegistry.h"
#include "ui/view/PaintedWidget.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <cstdio>

namespace {

// A sample painted control: a pill with a symbol and a label that lifts its fill when hovered.
class SamplePill : public qv::PaintedWidget {
 public:
  using PaintedWidget::PaintedWidget;
  QString label = QStringLiteral("Paste as Plain Text");
  QString symbol = QStringLiteral("textformat");

 protected:
  QPainterPath hitShape() const override {
    const QRectF box = QRectF(rect()).adjusted(10, 6, -10, -14);
    return qv::Fx::continuousRoundedRect(box, box.height() / 2);
  }
  void paint(QPainter& painter) override {
    const auto env = environment();
    // Room around the pill for its shadow: painted overflow that takes no pointer.
    const QRectF box = QRectF(rect()).adjusted(10, 6, -10, -14);
    qv::Fx::drawShadows(painter, box, box.height() / 2, qv::Theme::shadowLow());
    const QColor fill = env.isDark() ? QColor(58, 58, 64) : QColor(255, 255, 255);
    const QColor hover = qv::Theme::accent();
    const double q = hoverProgress();
    auto mix = [&](const QColor& a, const QColor& b) {
      return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * q),
                              float(a.greenF() + (b.greenF() - a.greenF()) * q),
                              float(a.blueF() + (b.blueF() - a.blueF()) * q));
    };
    painter.fillPath(qv::Fx::continuousRoundedRect(box, box.height() / 2), mix(fill, hover));
    qv::Fx::strokeInnerBorder(painter, box, box.height() / 2,
                              env.isDark() ? QColor::fromRgbF(1, 1, 1, 0.15f) : QColor::fromRgbF(0, 0, 0, 0.12f), 1);
    const QColor text = q > 0.5 ? QColor(Qt::white) : (env.isDark() ? QColor(235, 235, 240) : QColor(28, 28, 32));
    const double dpr = painter.device()->devicePixelRatio();
    painter.drawImage(QPointF(box.left() + 12, box.center().y() - 7), qv::Symbols::image(symbol, 14, text, dpr));
    QFont font;
    font.setPixelSize(13);
    qv::TextBlock(label, qv::TextStyle{font}).draw(painter, QPointF(box.left() + 32, box.center().y() - 8), 0, text);
  }
};

QImage renderPills(qv::GalleryScene& scene) {
  const double dpr = scene.devicePixelRatio;
  QImage image = scene.canvas(460, 60);
  QPainter painter(&image);
  for (int hovered = 0; hovered < 2; ++hovered) {
    SamplePill pill(scene.context);
    pill.resize(220, 56);
    if (hovered) {
      // Hover as the pointer would, then let the spring settle.
      QHoverEvent enter(QEvent::HoverEnter, QPointF(110, 24), QPointF(110, 24), QPointF(-1, -1));
      QApplication::sendEvent(&pill, &enter);
      static_cast<qv::ManualFrameClock&>(*scene.context.frameClock).advanceFrames(60);
    }
    painter.drawImage(QPointF(hovered * 230, 2), pill.renderForTest(dpr));
  }
  return image;
}

QImage framed(const QImage& content, const qv::EnvironmentValues& environment) {
  const double dpr = content.devicePixelRatio();
  const int pad = 16;
  const QSizeF logical = content.deviceIndependentSize();
  QImage image(QSize(int((logical.width() + 2 * pad) * dpr), int((logical.height() + 2 * pad) * dpr)),
               QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(environment.isDark() ? QColor(30, 30, 34) : QColor(236, 236, 240));
  QPainter painter(&image);
  painter.drawImage(QPointF(pad, pad), content);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  // An option is never taken for the folder to write into.
  QString folder, only;
  for (int i = 1; i < argc; ++i) {
    const QString argument = QString::fromLocal8Bit(argv[i]);
    if (argument == u"--only" && i + 1 < argc) {
      only = QString::fromLocal8Bit(argv[++i]);
    } else if (argument.startsWith(u'-') || !folder.isEmpty()) {
      std::printf(
          "Usage: gallery [--only TEXT] [FOLDER]\n"
          "Renders every view of the gallery, light and dark, to FOLDER (default: the build's\n"
          "gallery folder); --only renders the views whose name holds TEXT.\n");
      return argument == u"--help" ? 0 : 2;
    } else {
      folder = argument;
    }
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  qv::FakeContext fake;
  fake.context->frameClock = std::make_shared<qv::ManualFrameClock>();
  qv::installInterfaceServices(*fake.context);
  qv::installItemServices(*fake.context);

  if (folder.isEmpty()) folder = QCoreApplication::applicationDirPath() + "/../gallery";
  QDir().mkpath(folder);

  qv::GalleryRegistry registry;
  qv::addUiGalleryViews(registry);
  qv::addCardsGalleryViews(registry);
  qv::addCardBadgeGalleryViews(registry);
  qv::addOnboardingGalleryViews(registry);
  qv::addSettingsGalleryViews(registry);
  qv::addPanelGalleryViews(registry);
  qv::addCardCellGalleryViews(registry);
  qv::addPreviewGalleryViews(registry);
  qv::addPreviewPaneGalleryViews(registry);
  qv::addLibraryGalleryViews(registry);
  registry.add(QStringLiteral("sample-pill"), renderPills);

  int written = 0;
  for (const char* scheme : {"light", "dark"}) {
    qv::applyAppearance(*fake.context, QString::fromLatin1(scheme));
    fake.drain();
    qv::GalleryScene scene{*fake.context, fake.context->environment->values(), 2.0, [&fake] { fake.drain(); }};
    for (const auto& entry : registry.entries()) {
      if (!entry.name.contains(only)) continue;
      const QImage image = framed(entry.render(scene), scene.environment);
      const QString path = QDir(folder).filePath(entry.name + '-' + QString::fromLatin1(scheme) + ".png");
      if (!image.save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
      }
      ++written;
    }
  }
  std::printf("%d images in %s\n", written, qPrintable(QDir(folder).canonicalPath()));
  return 0;
}
