#pragma once
#include <QImage>
#include <QRectF>
#include <QString>
#include <optional>

class QPainter;

namespace qv {

class FileIcons;

// The icon of a file by its name and whether it is a folder, scaled to fit the frame its host
// gives, keeping its proportions, centred. The file card, the item previews and the library's
// detail pane each show one. Icons come from the process-wide FileIcons cache, and a view
// applies a new one only when its key (name and folder flag) changes: a recycled cell that
// shows the same name again looks nothing up.
class FileIconView {
 public:
  struct Props {
    QString filename;
    bool isDirectory = false;
    bool operator==(const Props&) const = default;
  };

  explicit FileIconView(FileIcons& icons) : icons_(icons) {}

  // Applies the icon of the props' key; false when the key is the one applied already.
  bool setProps(const Props& props);
  const Props& props() const { return props_; }
  // The key of the icon applied last; none before the first props.
  const std::optional<QString>& appliedKey() const { return key_; }

  // Where the icon goes inside `frame`.
  QRectF iconRect(const QRectF& frame) const;
  void paint(QPainter& painter, const QRectF& frame);

 private:
  // The icon rendered for `frame` at `scale`, kept while neither changes.
  const QImage& imageFor(const QRectF& frame, double scale);

  FileIcons& icons_;
  Props props_;
  std::optional<QString> key_;
  QImage image_;
  int imagePixels_ = 0;
};

}  // namespace qv
