#pragma once
#include "ui/controls/TextViewers.h"
#include "ui/text/AttributedText.h"

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <memory>

namespace qv {

struct ViewServices;
class ProgressSpinner;

// The preview of a word-processing or web-archive file (the preview pane's file route, the
// library's detail pane): the document's formatted text, read-only and scrolling, readable in
// both schemes (dark and colourless text takes the label colour). A small spinner shows while a
// worker reads the file; a file that cannot be read or holds no text shows the file's
// thumbnail instead, with the Quick Look button over its bottom edge. Another URL starts again
// from the spinner: the earlier read is abandoned and its result, should it still come, is
// dropped. A hidden preview holds no document (a closed pane keeps no memory of it).
class RichDocumentPreview : public QWidget {
  Q_OBJECT
 public:
  struct Props {
    QUrl url;
    bool operator==(const Props&) const = default;
  };
  struct Callbacks {
    // Handed to the text viewer: whether text is hidden above and below.
    QVTextViewer::EdgesChange onEdgesChange;
  };
  enum class Shown { loading, document, failed };

  // The lower-cased file extensions this preview takes: "doc", "docx", "odt", "rtf", "rtfd",
  // "webarchive", "wordml". The file-preview switch and the sizing rules send a file here by them.
  static const QStringList& documentExtensions();
  // Whether `filename`'s extension, lower-cased, is one of documentExtensions() ("Report.DOCX" is).
  static bool takes(const QString& filename);

  static constexpr double kInsetWidth = 14;
  static constexpr double kInsetHeight = 12;
  // Documents without tab stops of their own tab to every half inch.
  static constexpr double kDefaultTabInterval = 36;
  // The thumbnail of a file that cannot be read.
  static constexpr double kThumbnailInset = 0;
  static constexpr double kThumbnailCornerRadius = 8;
  static constexpr QSizeF kThumbnailRenderSize{420, 320};
  static constexpr double kQuickLookBottomPadding = 12;
  static constexpr char kQueueName[] = "richDocumentReading";

  explicit RichDocumentPreview(ViewServices& context, QWidget* parent = nullptr);
  ~RichDocumentPreview() override;

  // Callbacks are replaced on every call; a URL other than the one shown starts a new read.
  void setProps(const Props& props, Callbacks callbacks);
  const Props& props() const { return props_; }

  Shown shown() const;
  // The prepared document while it is shown.
  const SharedAttributedText& document() const { return document_; }
  QVTextViewer& viewer() const { return *viewer_; }
  ProgressSpinner& spinner() const { return *spinner_; }
  // What shows in place of a document that cannot be read; null otherwise.
  QWidget* fallback() const { return fallback_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  // Hidden (its pane closed), it lets go of the document and any read of it; shown again, it
  // reads the file again.
  void hideEvent(QHideEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void startLoading();
  // Gives up the read under way, if any, and hands freed memory back.
  void release();
  void documentArrived(SharedAttributedText document);
  void showState();
  QVTextViewer::Callbacks viewerCallbacks();
  void placeChildren();

  ViewServices& context_;
  Props props_;
  bool hasProps_ = false;
  Callbacks callbacks_;
  SharedAttributedText document_;
  bool failed_ = false;
  quint64 generation_ = 0;
  std::shared_ptr<std::atomic<bool>> cancelRead_;
  bool released_ = false;  // hidden: the document let go of, to be read again when shown
  QVTextViewer* viewer_;
  ProgressSpinner* spinner_;
  QWidget* fallback_ = nullptr;
};

}  // namespace qv
