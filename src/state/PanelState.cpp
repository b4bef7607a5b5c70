#include "state/PanelState.h"

#include "items/ItemServices.h"
#include "items/identity/AppIdentity.h"
#include "state/HistoryFile.h"
#include "state/PanelStateInternal.h"

#include <QPointer>

namespace qv {

PanelState::PanelState(ItemServices& context, QObject* parent)
    : QObject(parent),
      context_(context),
      marks_(*context.settings, *context.scheduler),
      categories_(*context.settings, *context.scheduler),
      historyFile_(std::make_unique<HistoryFile>(context)) {
  edgeSide_ = context.settings->stringValue(QLatin1String(kEdgeSideKey)) == QLatin1String("left")
                  ? QStringLiteral("left")
                  : QStringLiteral("right");
  countHistoryChanges();
  if (context.appIdentity && !context.appIdentity->hasIndex())
    context.appIdentity->setOnIndexArrived([self = QPointer<PanelState>(this)] {
      if (self) self->bumpAppIdentityRevision();
    });
  connect(this, &PanelState::itemsChanged, this, [this] {
    if (recordingDepth_ == 0) unrecordedChange_ = true;
  });
  // A write that failed (a full disk) leaves the history unsaved: it is tried again a while
  // later, and at the latest at quit.
  historyFile_->setWriteFailedHandler([self = QPointer<PanelState>(this)] {
    if (self) self->retryFailedSave();
  });
}

void PanelState::countHistoryChanges() {
  const auto count = [this] { ++historyChanges_; };
  connect(this, &PanelState::itemsChanged, this, count);
  connect(this, &PanelState::pinnedIDsChanged, this, count);
  connect(this, &PanelState::sensitiveIDsChanged, this, count);
  connect(this, &PanelState::autoSensitiveIDsChanged, this, count);
  connect(this, &PanelState::cardCategoriesChanged, this, count);
}

void PanelState::setCardAnchors(const QHash<QUuid, double>& anchors) {
  cardAnchors_ = anchors;
  ++historyChanges_;
}

PanelState::~PanelState() = default;

void PanelState::setShowFilterPanel(bool show) {
  storeShowFilterPanel(show);
  if (show) {
    setPreviewItemID(std::nullopt);
    storeShowDotsMenu(false);
  }
}

void PanelState::setShowDotsMenu(bool show) {
  storeShowDotsMenu(show);
  if (show) {
    setPreviewItemID(std::nullopt);
    storeShowFilterPanel(false);
  }
}

void PanelState::setPreviewItemID(const std::optional<QUuid>& id) {
  storePreviewItemID(id);
  if (id) {
    storeShowFilterPanel(false);
    storeShowDotsMenu(false);
    if (const auto anchor = cardAnchors_.constFind(*id); anchor != cardAnchors_.constEnd()) setPreviewAnchorY(*anchor);
  } else {
    setPreviewAnchorY(std::nullopt);
  }
}

}  // namespace qv
