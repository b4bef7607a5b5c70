#include "items/ItemServices.h"

#include "items/rules/AppRulesManager.h"
#include "items/link/LinkMetadataFetcher.h"
#include "items/link/OGImageCache.h"
#include "items/identity/AppIdentity.h"
#include "items/capture/OwnWriteCounter.h"
#include "items/ocr/ImageTextRecognizer.h"
#include "items/stores/FileBookmarkStore.h"
#include "items/stores/ImageStore.h"
#include "items/stores/RichTextStore.h"
#include "items/thumbnails/ThumbnailCache.h"
#include "items/writer/PasteboardWriter.h"
#include "items/writer/PasteSender.h"
#include "platform/AppContext.h"

namespace qv {

void installItemServices(AppContext& context) {
  context.imageStore = std::make_shared<ImageStore>(*context.paths);
  context.appRules = std::make_shared<AppRulesManager>(*context.settings);

  // Network and link metadata: pages are parsed and images decoded on the image decoder queue.
  context.ogImageCache = std::make_shared<OGImageCache>(*context.paths);
  context.linkMetadataFetcher = std::make_shared<LinkMetadataFetcher>(
      context.httpClient, context.scheduler, context.queue(QStringLiteral("imageDecoder")), context.ogImageCache);

  // Item stores, identity, text recognition, thumbnails.
  context.richTextStore = std::make_shared<RichTextStore>(*context.paths);
  context.fileBookmarkStore = std::make_shared<FileBookmarkStore>(*context.paths, context.fileBookmarks);
  context.appIdentity = std::make_shared<AppIdentity>(context.desktopEntries);
  context.imageTextRecognizer = std::make_shared<ImageTextRecognizer>(
      *context.paths, context.imageStore, context.ocrEngine, context.queue(QStringLiteral("ocr")), context.scheduler);
  context.thumbnails = std::make_shared<ThumbnailCache>(context.imageStore);

  // The own-write counter of the clipboard monitor, raised by every write of ours.
  context.skipNextChanges = std::make_shared<OwnWriteCounter>();

  // Pasteboard writer and paste sender.
  context.pasteboardWriter =
      std::make_shared<PasteboardWriter>(context.pasteboard, context.imageStore, context.richTextStore);
  context.pasteboardWriter->setOwnWriteHook([counter = context.skipNextChanges] { counter->raise(); });
  context.pasteSender = std::make_shared<PasteSender>(context.scheduler, context.workspace, context.keyPoster,
                                                      context.hotKey);
}

}  // namespace qv
