#pragma once
#include "items/model/ClipboardItem.h"
#include "platform/Compositor.h"

#include <QObject>
#include <QRectF>
#include <QRegion>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPainter;
class QWidget;

namespace qv {

class PanelState;
struct ViewServices;

// The one side surface beside the column, chosen by the state: the preview while an item is
// previewed, else the filter panel, else the quick-actions menu.
enum class SideSurfaceKind { none, preview, filterPanel, dotsMenu };
SideSurfaceKind sideSurfaceKind(const PanelState& state);

// The panel's side surfaces: the one the state chooses and those still leaving, children of the
// panel's view (the host), which paints them under its column. A surface grows out from behind
// the column and shrinks back into it as a picture of itself (the preview also sharpening from a
// blur) while its live widget waits out of sight; without a compositor it comes and goes at once.
class PanelSideSurfaces : public QObject {
  Q_OBJECT
 public:
  // Makes the preview pane of an item, given the height it may take and what closes it.
  using PreviewFactory = std::function<QWidget*(const ClipboardItem& item, double availableHeight,
                                                std::function<void()> onClose, QWidget* parent)>;

  PanelSideSurfaces(ViewServices& context, PanelState& state, QWidget& host, TranslucencySupport support);
  ~PanelSideSurfaces() override;

  void setTranslucency(TranslucencySupport support);
  void setPreviewFactory(PreviewFactory factory);
  bool hasPreviewFactory() const { return bool(previewFactory_); }

  // Follows the state: the chosen surface comes (and the one before goes), or takes the state's
  // item when it stays.
  void sync();
  // The host changed its size: the preview takes its new height budget, every surface its place.
  void relayout();
  // A surface asked for another size: those staying take their new places.
  void follow();

  SideSurfaceKind kind() const;
  // The widget of the current surface once it has fully arrived (null while absent or moving).
  QWidget* arrivedWidget() const;
  // 0 … 1 (past 1 while overshooting): how far the current surface has come in.
  double progress() const;
  // The surfaces' own shapes now, without the room their shadows fall in.
  QRectF rect() const;
  // Where they show something, in the host's coordinates.
  QRegion region() const;
  void paint(QPainter& painter) const;

 Q_SIGNALS:
  // What the surfaces cover may have changed.
  void changed();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct SideSurface;
  bool onLeft() const;
  QWidget* makeWidget(SideSurfaceKind kind);
  // Gives a surface the translucency and the pause state it shows.
  void applyLook(QWidget* widget) const;
  double previewAvailableHeight() const;
  // Hands an arrived preview pane its item as the state has it now, and the height it may take.
  void updatePreview(SideSurface& surface);
  void place(SideSurface& surface) const;
  bool surfacesMove() const;
  void remove(SideSurface& surface);
  void paintOne(QPainter& painter, const SideSurface& surface) const;

  ViewServices& context_;
  PanelState& state_;
  QWidget& host_;
  TranslucencySupport support_;
  PreviewFactory previewFactory_;
  // The surface shown (last) and those still leaving.
  std::vector<std::unique_ptr<SideSurface>> surfaces_;
};

}  // namespace qv
