#pragma once
#include <QRectF>
#include <QString>

class QPainter;

namespace qv {

class AppIdentity;

// The icon of the application an item came from, by its identifier: the application's theme
// icon (the generic application icon for an entry without one, the file manager's icon for an
// identifier no installed application has), or, for items from a nearby device, an
// accent-coloured tile with a white phone. Used by the source badge, the filter chips and the
// preview's caption, which each give it the frame to fill.
class AppIconImageView {
 public:
  explicit AppIconImageView(QString bundleIdentifier) : bundleIdentifier_(std::move(bundleIdentifier)) {}

  const QString& bundleIdentifier() const { return bundleIdentifier_; }
  bool isNearbyDevice() const;

  // Paints the icon fitted into `frame` with its own proportions, centred.
  void paint(QPainter& painter, const QRectF& frame, AppIdentity& identity) const;

  // The nearby-device tile: square, as wide as fits in `frame`, corners of 0.22 times its width.
  static QRectF nearbyTileRect(const QRectF& frame);
  static double nearbyTileCornerRadius(double width) { return 0.22 * width; }
  static void paintNearbyDeviceTile(QPainter& painter, const QRectF& frame);

 private:
  QString bundleIdentifier_;
};

}  // namespace qv
