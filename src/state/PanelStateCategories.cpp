#include "base/Uuid.h"
#include "platform/AppContext.h"
#include "state/PanelState.h"

#include <QJsonDocument>
#include <QJsonObject>

namespace qv {

void PanelState::saveCustomCategories() {
  context_.settings->setData(QLatin1String(kCustomCategoriesKey), encodeCategories(customCategories_));
}

void PanelState::saveCardCategories() {
  QJsonObject map;
  for (auto it = cardCategories_.constBegin(); it != cardCategories_.constEnd(); ++it)
    map.insert(uuidString(it.key()), uuidString(it.value()));
  context_.settings->setData(QLatin1String(kCardCategoriesKey),
                             QJsonDocument(map).toJson(QJsonDocument::Compact));
}

void PanelState::loadCategories() {
  SettingsStore& settings = *context_.settings;
  if (const std::optional<QByteArray> stored = settings.dataValue(QLatin1String(kCustomCategoriesKey))) {
    if (std::optional<QList<CustomCategory>> categories = decodeCategories(*stored))
      setCustomCategories(std::move(*categories));
  }

  // The seed runs once ever, also when categories exist already.
  if (!settings.boolOr(QLatin1String(kDidSeedCategoriesKey), false)) {
    settings.set(QLatin1String(kDidSeedCategoriesKey), true);
    if (customCategories_.isEmpty()) {
      setCustomCategories({CustomCategory{newUuid(), QStringLiteral("Snippets"), 2}});
      saveCustomCategories();
    }
  }

  const std::optional<QByteArray> stored = settings.dataValue(QLatin1String(kCardCategoriesKey));
  if (!stored) return;
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(*stored, &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) return;
  const QJsonObject map = document.object();
  for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
    if (!it.value().isString()) return;  // not a string-to-string map: keep what we have
  }
  IdMap assignments;
  for (auto it = map.constBegin(); it != map.constEnd(); ++it) {
    const std::optional<QUuid> item = parseUuid(it.key());
    const std::optional<QUuid> category = parseUuid(it.value().toString());
    if (item && category) assignments.insert(*item, *category);
  }
  setCardCategories(std::move(assignments));
}

}  // namespace qv
