#include "base/Uuid.h"
#include "state/CustomCategory.h"
#include "state/FilterTypes.h"

#include <gtest/gtest.h>
#include <QJsonDocument>

namespace qv {
namespace {

TEST(CustomCategoryTest, JsonFormHasExactlyTheThreeKeysAndRoundTrips) {
  const CustomCategory category{newUuid(), QStringLiteral("Snippets"), 2};
  const QJsonObject json = category.toJson();
  EXPECT_EQ(json.keys(), (QStringList{QStringLiteral("colorIndex"), QStringLiteral("id"), QStringLiteral("name")}));
  EXPECT_EQ(json.value(QLatin1String("id")).toString(), uuidString(category.id));
  EXPECT_EQ(decodeCategories(encodeCategories({category, category})), (QList<CustomCategory>{category, category}));
}

TEST(CustomCategoryTest, DecodingNeedsAllThreeKeysAndIgnoresOthers) {
  const QString id = newUuidString();
  EXPECT_TRUE(
      decodeCategories(QStringLiteral("[{\"id\":\"%1\",\"name\":\"A\",\"colorIndex\":9,\"x\":1}]").arg(id).toUtf8()));
  EXPECT_FALSE(decodeCategories(QStringLiteral("[{\"id\":\"%1\",\"name\":\"A\"}]").arg(id).toUtf8()));
  EXPECT_FALSE(
      decodeCategories(QStringLiteral("[{\"id\":\"%1\",\"name\":\"A\",\"colorIndex\":1.5}]").arg(id).toUtf8()));
  EXPECT_FALSE(decodeCategories("[{\"id\":\"nope\",\"name\":\"A\",\"colorIndex\":1}]"));
  EXPECT_FALSE(decodeCategories("{}"));
}

TEST(CustomCategoryTest, PaletteWrapsAnyIndex) {
  EXPECT_EQ(categoryPaletteColor(9), categoryPalette()[1]);
  EXPECT_EQ(categoryPaletteColor(-1), categoryPalette()[7]);
  EXPECT_EQ(categoryPalette()[2].toRgb(), QColor::fromRgbF(0.31f, 0.8f, 0.51f).toRgb());
}

TEST(CustomCategoryTest, FilterValueTypes) {
  const QUuid a = newUuid();
  EXPECT_EQ(FilterType::custom(a), FilterType::custom(a));
  EXPECT_NE(FilterType::custom(a), FilterType::custom(newUuid()));
  EXPECT_EQ(qHash(FilterType::custom(a)), qHash(FilterType::custom(a)));
  EXPECT_EQ(typeFilterFromRaw(u"color"), TypeFilter::color);
  EXPECT_EQ(typeFilterFromRaw(u"colour"), std::nullopt);
  EXPECT_EQ(rawValue(DateFilter::last30Days), QStringLiteral("last30Days"));
  EXPECT_EQ(BadgeFilter::ofApp(QStringLiteral("a")), BadgeFilter::ofApp(QStringLiteral("a")));
  EXPECT_FALSE(BadgeFilter::ofType(TypeFilter::code) == BadgeFilter::ofType(TypeFilter::text));
}

}  // namespace
}  // namespace qv
