#include "items/ItemServices.h"

#include "items/capture/OwnWriteCounter.h"
#include "items/identity/AppIdentity.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/rules/AppRulesManager.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "items/writer/PasteSender.h"
#include "items/writer/PasteboardWriter.h"

namespace qv {

void installItemServices(ItemServices& services) {
  services.imageStore = std::make_shared<ImageStore>(*services.paths);
  services.appRules = std::make_shared<AppRulesManager>(*services.settings);

  // Network and link metadata: pages are parsed and images decoded on the image decoder queue.
  services.ogImageCache = std::make_shared<OGImageCache>(*services.paths);
  services.linkMetadataFetcher = std::make_shared<LinkMetadataFetcher>(
      services.httpClient, services.scheduler, services.queue(QStringLiteral("imageDecoder")), services.ogImageCache);

  // Item stores, identity, text recognition, thumbnails.
  services.richTextStore = std::make_shared<RichTextStore>(*services.paths);
  services.fileBookmarkStore = std::make_shared<FileBookmarkStore>(*services.paths, services.fileBookmarks);
  // The applications' index is made at start, off the main thread.
  services.appIdentity = std::make_shared<AppIdentity>(
      services.desktopEntries, services.queue(QStringLiteral("desktopEntries")), services.scheduler);
  services.imageTextRecognizer = std::make_shared<ImageTextRecognizer>(
      *services.paths, services.imageStore, services.ocrEngine, services.queue(QStringLiteral("ocr")),
      services.scheduler);
  services.thumbnails = std::make_shared<ThumbnailCache>(services.imageStore);

  // The own-write counter of the clipboard monitor, raised by every write of ours.
  services.skipNextChanges = std::make_shared<OwnWriteCounter>();

  // Pasteboard writer and paste sender.
  services.pasteboardWriter = std::make_shared<PasteboardWriter>(services.pasteboard, services.imageStore,
                                                                 services.richTextStore);
  services.pasteboardWriter->setOwnWriteHook([counter = services.skipNextChanges] { counter->raise(); });
  services.pasteSender = std::make_shared<PasteSender>(services.scheduler, services.workspace, services.keyPoster,
                                                       services.hotKey);
}

}  // namespace qv
