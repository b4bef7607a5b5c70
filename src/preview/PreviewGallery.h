#pragma once

class QRectF;
class QString;

namespace qv {

class GalleryRegistry;
class GallerySheet;

// The preview's building blocks: the editor, the downsampled image in its states, the caption,
// the share menu, the file thumbnail in its states, the folder preview, the Quick Look button
// and the Quick Look window's content.
void addPreviewGalleryViews(GalleryRegistry& registry);
// The PDF pages with their pager, the link card and text files (added by addPreviewGalleryViews).
void addFilePreviewGalleryViews(GalleryRegistry& registry);
// The rich-document preview: one document in each format, the fallback and the spinner (added by
// addPreviewGalleryViews).
void addDocumentGalleryViews(GalleryRegistry& registry);

// What the preview's sheets share: the preview's content box behind a view (a rounded panel of
// the scheme's surface colour), and the same box titled 8 points above its top edge.
void previewBox(GallerySheet& sheet, const QRectF& rect);
void previewTile(GallerySheet& sheet, const QString& title, const QRectF& rect);

}  // namespace qv
