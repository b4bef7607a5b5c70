#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <functional>
#include <optional>

namespace qv {

// The whole elements of a stored JSON array whose text may be damaged: cut short, or with junk
// written into it at the start, in the middle or at the end. Elements are taken in order up to
// the damage; from there the text is searched for the next object that `isRecord` accepts (the
// reader starts over at each '{', so the damage cannot mislead it), and reading goes on after
// it. None when no array opens at the start and no record is found anywhere. Readers of the
// history, category and app-rule lists use it as their fallback when the text does not parse as
// a whole.
struct SalvagedArray {
  QList<QByteArrayView> elements;  // views into the text given
};
std::optional<SalvagedArray> salvageJsonArray(QByteArrayView json,
                                              const std::function<bool(QByteArrayView object)>& isRecord);

// The elements as the text of one JSON array.
QByteArray joinJsonArray(const QList<QByteArrayView>& elements);

}  // namespace qv
