#pragma once
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <array>
#include <optional>

namespace qv {

// The date sections of the card list and the library; the raw values are the section titles.
enum class CardGroup { today, yesterday, thisWeek, earlier };

inline constexpr std::array<CardGroup, 4> kAllCardGroups = {CardGroup::today, CardGroup::yesterday, CardGroup::thisWeek,
                                                            CardGroup::earlier};

QString rawValue(CardGroup group);
std::optional<CardGroup> cardGroupFromRaw(QStringView raw);

// The section of a capture date relative to `now`, in local time, with the locale's first
// weekday deciding where a week starts.
CardGroup cardGroup(const QDateTime& capturedAt, const QDateTime& now, const QLocale& locale = QLocale());

}  // namespace qv
