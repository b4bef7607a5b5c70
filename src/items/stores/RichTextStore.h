#pragma once
#include "items/stores/SideFileFolder.h"
#include "platform/Pasteboard.h"

#include <QByteArray>
#include <QSet>
#include <QString>
#include <functional>
#include <optional>

namespace qv {

class Paths;

// The rich form of a copied text, "richtext/<UUID>.html" or "richtext/<UUID>.rtf", holding the
// clipboard's bytes unchanged. The richer form comes first: HTML, then RTF.
class RichTextStore {
 public:
  struct Format {
    const char* mimeType;
    const char* extension;
  };
  static constexpr Format kFormats[] = {{"text/html", "html"}, {"text/rtf", "rtf"}};
  static constexpr qsizetype kMaximumSize = kKeptRichTextBytes;

  // The clipboard's data for a MIME type, or nothing when it offers none.
  using DataSource = std::function<std::optional<QByteArray>(const QString& mimeType)>;

  struct Stored {
    QString mimeType;
    QByteArray data;
  };

  explicit RichTextStore(const Paths& paths);

  QString directory() const;

  // Stores the first format the source offers with 1 to 4 MiB of data; true when a file was
  // written. A failed write gives false without trying the other format.
  bool capture(const DataSource& source, const QString& id) const;
  // The stored rich form, in the same order; nothing when no readable file holds one.
  std::optional<Stored> read(const QString& id) const;
  // Removes both possible files (the item's text was edited: it pastes as plain text now).
  void remove(const QString& id) const;
  // Removes every entry of the folder whose name is not "<kept id>.html" or "<kept id>.rtf".
  void removeOrphans(const QSet<QString>& keepIDs) const { removeFilesNotKept(KeptIds(keepIDs)); }
  void removeFilesNotKept(const KeptIds& kept) const;

 private:
  SideFileFolder folder_;
};

}  // namespace qv
