#pragma once
#include "items/model/ContentType.h"

#include <QImage>
#include <QString>
#include "base/SharedValue.h"
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

// The large kinds (image, link, file) are few in a history, so their fields are kept in a box
// shared by the copies of the item (see SharedValue): the payload, and every item, stays the size
// of the code case. Their fields are read through -> and written through edit().

struct ImageFields {
  // Held in memory only; the picture itself lives in the image side file. A payload read from
  // the history holds an empty image.
  QImage image;
  QString filename;
  qint64 width = 0, height = 0;
  QString fileSize;  // display text
  bool operator==(const ImageFields& other) const;
};

struct ImagePayload : SharedValue<ImageFields> {
  ImagePayload() = default;
  explicit ImagePayload(ImageFields fields) : SharedValue(std::move(fields)) {}
  ImagePayload(QImage image, QString filename, qint64 width, qint64 height, QString fileSize)
      : SharedValue(ImageFields{std::move(image), std::move(filename), width, height, std::move(fileSize)}) {}
};

struct LinkFields {
  Url url;
  QString domain;
  std::optional<QString> title;
  std::optional<QString> description;
  // The preview image's address, or "cached:<UUID>" once it is cached on disk.
  std::optional<QString> ogImageURL;
  bool operator==(const LinkFields&) const = default;
};

struct LinkPayload : SharedValue<LinkFields> {
  LinkPayload() = default;
  explicit LinkPayload(LinkFields fields) : SharedValue(std::move(fields)) {}
  LinkPayload(Url url, QString domain, std::optional<QString> title = std::nullopt,
              std::optional<QString> description = std::nullopt, std::optional<QString> ogImageURL = std::nullopt)
      : SharedValue(LinkFields{std::move(url), std::move(domain), std::move(title), std::move(description),
                               std::move(ogImageURL)}) {}
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

struct FileFields {
  QString name;
  QString size;  // display text
  std::optional<Url> url;
  bool operator==(const FileFields&) const = default;
};

struct FilePayload : SharedValue<FileFields> {
  FilePayload() = default;
  explicit FilePayload(FileFields fields) : SharedValue(std::move(fields)) {}
  FilePayload(QString name, QString size, std::optional<Url> url = std::nullopt)
      : SharedValue(FileFields{std::move(name), std::move(size), std::move(url)}) {}
};

// The item's content: one case per kind, in the order of ContentType.
using ClipboardPayload = std::variant<ColorPayload, ImagePayload, LinkPayload, CodePayload, TextPayload, FilePayload>;

ContentType contentType(const ClipboardPayload& payload);

// std::get_if for the boxed cases: the fields of case `Boxed` when the payload holds it, else null.
template <class Boxed>
const typename Boxed::Value* fieldsIf(const ClipboardPayload* payload) {
  const Boxed* boxed = std::get_if<Boxed>(payload);
  return boxed ? &**boxed : nullptr;
}

}  // namespace qv
