#pragma once
#include "platform/PlatformServices.h"

#include <memory>

namespace qv {

class ImageStore;
class AppRulesManager;
class LinkMetadataFetcher;
class OGImageCache;
class RichTextStore;
class FileBookmarkStore;
class AppIdentity;
class ImageTextRecognizer;
class ThumbnailCache;
class PasteboardWriter;
class PasteSender;
class OwnWriteCounter;

// The services of the item layer: stores, caches, rules, identity, text recognition and the
// clipboard writer, built on the platform services.
struct ItemServices : virtual PlatformServices {
  // Item stores and caches.
  std::shared_ptr<ImageStore> imageStore;
  // App rules.
  std::shared_ptr<AppRulesManager> appRules;
  // Link metadata
  std::shared_ptr<OGImageCache> ogImageCache;
  std::shared_ptr<LinkMetadataFetcher> linkMetadataFetcher;
  // Item stores, identity, text recognition, thumbnails.
  std::shared_ptr<RichTextStore> richTextStore;
  std::shared_ptr<FileBookmarkStore> fileBookmarkStore;
  std::shared_ptr<AppIdentity> appIdentity;
  std::shared_ptr<ImageTextRecognizer> imageTextRecognizer;
  std::shared_ptr<ThumbnailCache> thumbnails;
  // Pasteboard writer and paste sender.
  std::shared_ptr<PasteboardWriter> pasteboardWriter;
  std::shared_ptr<PasteSender> pasteSender;
  // Clipboard monitor and capture: the own-write counter every clipboard writer raises
  // (ClipboardMonitor::skipNextChanges).
  std::shared_ptr<OwnWriteCounter> skipNextChanges;
};

// Adds the item-level services (stores, caches, rules, the own-write counter, ...) to services
// whose platform part is already set; the program and the tests both call it.
void installItemServices(ItemServices& services);

}  // namespace qv
