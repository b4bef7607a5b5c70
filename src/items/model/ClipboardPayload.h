#pragma once
#include "items/model/ContentType.h"

#include <QImage>
#include <QString>
#include "base/Url.h"

#include <QUrl>
#include <optional>
#include <variant>

namespace qv {

struct ColorPayload {
  QString hex;  // "#RRGGBB"
  int r = 0, g = 0, b = 0;
  bool operator==(const ColorPayload&) const = default;
};

struct ImagePayload {
  // Held in memory only; the picture itself lives in the image side file. A payload read from
  // the history holds an empty image.
  QImage image;
  QString filename;
  qint64 width = 0, height = 0;
  QString fileSize;  // display text
  bool operator==(const ImagePayload& other) const;
};

struct LinkPayload {
  Url url;
  QString domain;
  std::optional<QString> title;
  std::optional<QString> description;
  // The preview image's address, or "cached:<UUID>" once it is cached on disk.
  std::optional<QString> ogImageURL;
  bool operator==(const LinkPayload&) const = default;
};

struct CodePayload {
  QString source;
  QString language;  // "" when none was recognised
  bool operator==(const CodePayload&) const = default;
};

struct TextPayload {
  QString text;
  bool operator==(const TextPayload&) const = default;
};

struct FilePayload {
  QString name;
  QString size;  // display text
  std::optional<Url> url;
  bool operator==(const FilePayload&) const = default;
};

// The item's content: one case per kind, in the order of ContentType.
using ClipboardPayload = std::variant<ColorPayload, ImagePayload, LinkPayload, CodePayload, TextPayload, FilePayload>;

ContentType contentType(const ClipboardPayload& payload);

}  // namespace qv
