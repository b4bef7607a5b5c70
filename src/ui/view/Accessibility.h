#pragma once
#include <QAccessible>
#include <QRectF>
#include <QString>
#include <functional>

namespace qv {

// What assistive technology learns about a painted view or item: painted things have no widgets
// of their own, so each says here what it is.
struct AccessibilityInfo {
  QAccessible::Role role = QAccessible::Client;
  QString name;
  QString description;
  QString value;
  bool focusable = false;
  bool focused = false;
  bool selectable = false;
  bool selected = false;
  bool checkable = false;
  bool checked = false;
  bool hidden = false;
  // The default action ("press"); none when the thing does nothing when activated.
  std::function<void()> press;
};

// A part of a painted widget that has no widget of its own (a pill in a row of pills): what
// assistive technology reads for it, and where it lies in the widget's coordinates.
struct AccessiblePart {
  AccessibilityInfo info;
  QRectF rect;
};

// Registers the accessible interfaces of painted widgets, painted items and their views with
// Qt's accessibility. Called by the base classes; safe to call again.
void installAccessibilityBridge();

}  // namespace qv
