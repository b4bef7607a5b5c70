#include "library/LibraryTexts.h"

#include "items/model/ClipboardItem.h"

namespace qv {
namespace {

QString itemCount(qsizetype count) {
  return count == 1 ? QStringLiteral("1 item") : QString::number(count) + QStringLiteral(" items");
}

}  // namespace

LibraryStatusLine libraryStatusLine(qsizetype shown, qsizetype total, qsizetype multiSelected, bool paused) {
  LibraryStatusLine line;
  line.paused = paused;
  if (multiSelected > 0) {
    line.text = itemCount(multiSelected) + QStringLiteral(" selected \u00B7 drag to paste together");
    line.selection = true;
  } else if (shown != total) {
    line.text = QStringLiteral("%1 of %2 items").arg(shown).arg(total);
    line.filtered = true;
  } else {
    line.text = itemCount(total);
  }
  return line;
}

LibraryEmptyState libraryEmptyState(const QString& query, bool filtersInForce, const LibraryScope& scope,
                                    const QList<CustomCategory>& categories) {
  if (const QString trimmed = trimmedText(query); !trimmed.isEmpty())
    return {QStringLiteral("No Results"), QStringLiteral("magnifyingglass"),
            QStringLiteral("Nothing matches \u201C") + trimmed + QStringLiteral("\u201D.")};
  if (filtersInForce)
    return {QStringLiteral("No Matches"), QStringLiteral("line.3.horizontal.decrease.circle"),
            QStringLiteral("No items match the active filters.")};
  switch (scope.kind) {
    case LibraryScope::Kind::all:
      return {QStringLiteral("No Items"), QStringLiteral("doc.on.clipboard"),
              QStringLiteral("Copy something and it appears here.")};
    case LibraryScope::Kind::pinned:
      return {QStringLiteral("Nothing Pinned"), QStringLiteral("pin"),
              QStringLiteral("Pin an item to keep it regardless of retention.")};
    case LibraryScope::Kind::category: break;
  }
  QString name = QStringLiteral("Category");
  for (const CustomCategory& category : categories) {
    if (category.id != scope.categoryID) continue;
    name = category.name;
    break;
  }
  return {name + QStringLiteral(" Is Empty"), QStringLiteral("tag"),
          QStringLiteral("Right-click an item and choose Move to Category to file it here.")};
}

}  // namespace qv
