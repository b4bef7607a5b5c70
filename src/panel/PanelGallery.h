#pragma once

#include "items/model/ClipboardItem.h"

#include <QList>

namespace qv {

class GalleryRegistry;

// Four texts from one editor, two copied today and two yesterday (relative to `now`).
QList<ClipboardItem> gallerySampleItems(const QDateTime& now);

// The panel's controls, its filter status bar and the quick-actions menus.
void addPanelGalleryViews(GalleryRegistry& registry);
// The panel chrome: the copied toast and the search bar in its states.
void addPanelChromeGalleryViews(GalleryRegistry& registry);

}  // namespace qv
