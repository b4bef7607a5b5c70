#include "settings/AboutPane.h"

#include "platform/ProgramIdentity.h"
#include "platform/Workspace.h"
#include "settings/PaneText.h"
#include "settings/SettingsServices.h"
#include "settings/SettingsStyle.h"
#include "ui/controls/AnimatedAppIconView.h"
#include "ui/controls/PillButtons.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace qv {

namespace {

PaneText* centredText(SettingsServices& context, const QString& text, double size, QFont::Weight weight,
                      PaneText::Shade shade) {
  TextStyle style{settingsStyle::font(size, weight)};
  style.alignment = Qt::AlignHCenter;
  auto* label = new PaneText(context, {text, style, shade});
  label->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  return label;
}

}  // namespace

AboutPane::AboutPane(SettingsServices& context, QWidget* parent) : QWidget(parent), context_(context) {
  auto* stack = new QVBoxLayout(this);
  stack->setSpacing(4);
  // Centred in the pane, then lifted a little above the middle.
  stack->setContentsMargins(0, 0, 0, 2 * kLiftUp);
  stack->addStretch(1);
  stack->addWidget(new AnimatedAppIconView(context, kIconSize), 0, Qt::AlignHCenter);
  stack->addWidget(
      centredText(context, QString::fromLatin1(program::kName), 20, QFont::DemiBold, PaneText::Shade::primary), 0,
      Qt::AlignHCenter);
  version_ = centredText(context, QStringLiteral("Version ") + versionString(), 13, QFont::Normal,
                         PaneText::Shade::secondary);
  stack->addWidget(version_, 0, Qt::AlignHCenter);
  year_ = centredText(context, yearLine(QDate::currentDate()), 11, QFont::Normal, PaneText::Shade::tertiary);
  stack->addWidget(year_, 0, Qt::AlignHCenter);
  stack->addSpacing(8);

  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(10);
  rate_ = new AboutActionButton(context, {QStringLiteral("Rate Quorvalen"), QStringLiteral("star")},
                                {[this] { rate(); }});
  contact_ = new AboutActionButton(context, {QStringLiteral("Contact Us"), QStringLiteral("envelope")},
                                   {[this] { contact(); }});
  buttons->addWidget(rate_);
  buttons->addWidget(contact_);
  stack->addLayout(buttons);
  stack->setAlignment(buttons, Qt::AlignHCenter);
  stack->addStretch(1);
}

QString AboutPane::versionString(const QString& shortVersion, const QString& buildVersion) {
  if (!shortVersion.isEmpty()) return shortVersion;
  if (!buildVersion.isEmpty()) return buildVersion;
  return QStringLiteral("\u2014");
}

// The build has one version (the project's); no separate build number.
QString AboutPane::versionString() { return versionString(QString::fromLatin1(program::kVersion), QString()); }

QString AboutPane::yearLine(const QDate& today) {
  // QString::number never groups digits, whatever the locale.
  return QStringLiteral("\u00A9 ") + QString::number(today.year()) + u' ' + QString::fromLatin1(program::kMakerName);
}

QUrl AboutPane::rateUrl(const QString& appStreamHandler) {
  if (appStreamHandler.isEmpty()) return QUrl(QString::fromLatin1(program::kHomepage));
  return QUrl(QStringLiteral("appstream://") + program::applicationId());
}

// No address of the project receives mail; its web page says how to reach it.
QUrl AboutPane::contactUrl() { return QUrl(QString::fromLatin1(program::kHomepage)); }

void AboutPane::rate() {
  std::shared_ptr<Workspace> workspace = context_.workspace;
  if (!workspace) return;
  // The answer may come after the pane is gone; it needs only the workspace.
  std::weak_ptr<Workspace> weak = workspace;
  workspace->findUrlSchemeHandler(QStringLiteral("appstream"), [weak](const QString& handler) {
    if (auto alive = weak.lock()) alive->openUrl(rateUrl(handler));
  });
}

void AboutPane::contact() {
  if (context_.workspace) context_.workspace->openUrl(contactUrl());
}

}  // namespace qv
