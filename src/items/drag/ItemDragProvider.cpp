#include "items/drag/ItemDragProvider.h"

#include "base/Log.h"
#include "base/NativePath.h"
#include "base/Url.h"
#include "base/Uuid.h"
#include "items/ItemServices.h"
#include "items/stores/ImageStore.h"
#include "platform/Paths.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <unistd.h>

namespace qv::ItemDragProvider {

namespace {

constexpr int kMaxFileNameBytes = 255;  // NAME_MAX of the usual Linux file systems

QString linkFileText(const QString& value) {
  // Desktop-entry string values escape backslashes and line breaks.
  QString escaped;
  escaped.reserve(value.size());
  for (QChar c : value) {
    if (c == u'\\') escaped += QStringLiteral("\\\\");
    else if (c == u'\n') escaped += QStringLiteral("\\n");
    else if (c == u'\r') escaped += QStringLiteral("\\r");
    else if (c == u'\t') escaped += QStringLiteral("\\t");
    else if (c.category() == QChar::Other_Control) escaped += u' ';
    else escaped += c;
  }
  return escaped;
}

// The longest prefix of `text`, cut between grapheme clusters, whose UTF-8 form fits `maxBytes`.
QString prefixFittingBytes(const QString& text, qsizetype maxBytes) {
  if (text.toUtf8().size() <= maxBytes) return text;
  QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
  qsizetype fitting = 0;
  qsizetype bytes = 0;
  qsizetype start = 0;
  for (qsizetype end = finder.toNextBoundary(); end != -1; end = finder.toNextBoundary()) {
    bytes += QStringView(text).mid(start, end - start).toUtf8().size();
    if (bytes > maxBytes) break;
    fitting = end;
    start = end;
  }
  return text.left(fitting);
}

QString fileNameStem(const QString& name) {
  const qsizetype dot = name.lastIndexOf(u'.');
  return dot > 0 ? name.left(dot) : name;
}

}  // namespace

std::optional<QString> textPiece(const ClipboardItem& item) {
  return std::visit(
      [](const auto& payload) -> std::optional<QString> {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, ColorPayload>) return payload.hex;
        else if constexpr (std::is_same_v<T, ImagePayload>) return std::nullopt;
        else if constexpr (std::is_same_v<T, LinkPayload>) return absoluteString(payload->url);
        else if constexpr (std::is_same_v<T, CodePayload>) return payload.source;
        else if constexpr (std::is_same_v<T, TextPayload>) return payload.text;
        else return payload->name;
      },
      item.payload);
}

bool isFileItem(const ClipboardItem* item) { return item && std::holds_alternative<FilePayload>(item->payload); }

QString codeFileExtension(const QString& language) {
  static const std::pair<QStringList, QString> table[] = {
      {{"swift"}, "swift"},
      {{"python", "py"}, "py"},
      {{"javascript", "js"}, "js"},
      {{"typescript", "ts"}, "ts"},
      {{"json"}, "json"},
      {{"html"}, "html"},
      {{"css"}, "css"},
      {{"shell", "bash", "sh"}, "sh"},
      {{"ruby", "rb"}, "rb"},
      {{"go"}, "go"},
      {{"rust", "rs"}, "rs"},
      {{"java"}, "java"},
      {{"c"}, "c"},
      {{"c++", "cpp"}, "cpp"},
      {{"c#", "csharp"}, "cs"},
      {{"sql"}, "sql"},
      {{"yaml", "yml"}, "yaml"},
      {{"markdown", "md"}, "md"},
      {{"xml"}, "xml"},
  };
  const QString lower = language.toLower();
  for (const auto& [names, extension] : table)
    if (names.contains(lower)) return extension;
  return QStringLiteral("txt");
}

QString safeFileName(const QString& suggestedName, const QString& extension) {
  QString name;
  name.reserve(suggestedName.size());
  for (qsizetype i = 0; i < suggestedName.size(); ++i) {
    const QChar c = suggestedName[i];
    if (c.isHighSurrogate() && i + 1 < suggestedName.size() && suggestedName[i + 1].isLowSurrogate()) {
      name += c;
      name += suggestedName[++i];
    } else if (c.isSurrogate()) {
      continue;  // a lone half has no file-name form
    } else if (c == u'/') {
      name += u'_';
    } else if (c.category() == QChar::Other_Control) {
      name += u' ';  // NUL, line breaks, tabs and the like
    } else {
      name += c;
    }
  }
  name = name.trimmed();
  qsizetype lead = 0;
  while (lead < name.size() && (name[lead] == u'.' || name[lead].isSpace())) ++lead;
  name.remove(0, lead);

  const QString suffix = extension.isEmpty() ? QString() : u'.' + extension;
  name = prefixFittingBytes(name, kMaxFileNameBytes - suffix.toUtf8().size()).trimmed();
  if (name.isEmpty()) name = QStringLiteral("Untitled");
  return name + suffix;
}

std::optional<QString> makeTemporaryFile(const QString& tempDir, const QString& suggestedName, const QString& extension,
                                         const ItemDragData::FileWriter& write, QString* error) {
  const auto fail = [&](const QString& message) -> std::optional<QString> {
    if (error) *error = message;
    return std::nullopt;
  };
  // A new folder per request, private to the user; mkdir fails rather than reuse a folder
  // someone else put there.
  const QString folder = QDir::cleanPath(
      QDir(tempDir).absoluteFilePath(QLatin1String(kDragFolderPrefix) + newUuidString()));
  if (!ensurePrivateFolder(tempDir) || !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
    return fail(QStringLiteral("cannot create folder %1").arg(folder));

  const QString fileName = safeFileName(suggestedName, extension);
  const QString path = QDir::cleanPath(folder + u'/' + fileName);
  if (QFileInfo(path).absolutePath() != folder || QFileInfo(path).fileName() != fileName)
    return fail(QStringLiteral("file name %1 leaves its folder").arg(fileName));
  if (!write || !write(path)) {
    QDir().rmdir(folder);  // only when the writer left nothing in it
    return fail(QStringLiteral("cannot write %1").arg(path));
  }
  return path;
}

bool writeText(const QString& text, const QString& path) { return writeFileAtomically(path, text.toUtf8()); }

bool writeColorText(const QString& hex, int red, int green, int blue, const QString& path) {
  return writeText(QStringLiteral("%1\nR %2  G %3  B %4").arg(hex).arg(red).arg(green).arg(blue), path);
}

bool writeLinkFile(const QString& url, const QString& name, const QString& path) {
  const QString content = QStringLiteral("[Desktop Entry]\nVersion=1.0\nType=Link\nName=%1\nURL=%2\n")
                              .arg(linkFileText(name.isEmpty() ? url : name), linkFileText(url));
  return writeText(content, path);
}

bool writePNG(const std::optional<QImage>& image, const QString& path) {
  if (!image) return false;
  const auto png = ImageStore::pngData(*image);
  return png && writeFileAtomically(path, *png);
}

void registerRepresentations(const ClipboardItem& item, const std::optional<QImage>& image, ItemDragData& data) {
  std::visit(
      [&](const auto& payload) {
        using T = std::decay_t<decltype(payload)>;
        if constexpr (std::is_same_v<T, ColorPayload>) {
          data.setSuggestedName(payload.hex);
          data.registerTemporaryFile(QStringLiteral("txt"), [payload](const QString& path) {
            return writeColorText(payload.hex, payload.r, payload.g, payload.b, path);
          });
        } else if constexpr (std::is_same_v<T, ImagePayload>) {
          data.setSuggestedName(fileNameStem(payload->filename));
          data.registerTemporaryFile(QStringLiteral("png"),
                                     [image](const QString& path) { return writePNG(image, path); });
        } else if constexpr (std::is_same_v<T, LinkPayload>) {
          data.setSuggestedName(payload->domain);
          data.registerTemporaryFile(QStringLiteral("desktop"),
                                     [url = absoluteString(payload->url), name = payload->domain](const QString& path) {
                                       return writeLinkFile(url, name, path);
                                     });
        } else if constexpr (std::is_same_v<T, CodePayload>) {
          data.setSuggestedName(QStringLiteral("Snippet"));
          data.registerTemporaryFile(
              codeFileExtension(payload.language),
              [source = payload.source](const QString& path) { return writeText(source, path); });
        } else if constexpr (std::is_same_v<T, TextPayload>) {
          data.setSuggestedName(QStringLiteral("Note"));
          data.registerTemporaryFile(QStringLiteral("txt"),
                                     [text = payload.text](const QString& path) { return writeText(text, path); });
        } else {
          // The receiver reads the item's own file; nothing is copied. A missing file offers none.
          if (!payload->url || !payload->url->isLocalFile()) return;
          const QString path = payload->url->toLocalFile();
          if (pathKind(path) == PathKind::none) return;
          data.setSuggestedName(payload->name);
          data.registerFile(localFileUrl(path));
        }
      },
      item.payload);
}

std::unique_ptr<ItemDragData> makeItemProvider(const QList<ClipboardItem>& items, const ItemServices& context) {
  return makeItemProvider(items, *context.imageStore, context.paths->temp());
}

std::unique_ptr<ItemDragData> makeItemProvider(const QList<ClipboardItem>& items, const ImageStore& images,
                                               const QString& tempDir) {
  QStringList pieces;
  for (const ClipboardItem& item : items)
    if (auto piece = textPiece(item)) pieces << *piece;

  auto data = std::make_unique<ItemDragData>(tempDir);
  const ClipboardItem* single = items.size() == 1 ? &items.front() : nullptr;
  if (isFileItem(single)) registerRepresentations(*single, std::nullopt, *data);

  std::optional<QImage> firstImage;
  if (!pieces.isEmpty()) {
    data->registerText(pieces.join(QStringLiteral("\n\n")));
  } else {
    for (const ClipboardItem& item : items) {
      if (item.contentType != ContentType::image) continue;
      firstImage = item.image(images);
      if (firstImage) break;
    }
    if (firstImage) {
      data->registerPngData(*firstImage);
      data->registerImageObject(*firstImage);
    }
  }

  if (single && !isFileItem(single)) registerRepresentations(*single, firstImage, *data);
  return data;
}

int removeStaleDragFolders(const QString& tempDir, const QDateTime& now) {
  const QDateTime cutoff = now.addSecs(-24 * 60 * 60);
  const QString prefix = QLatin1String(kDragFolderPrefix);
  int removed = 0;
  QDirIterator entries(tempDir, {prefix + u'*'}, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
  while (entries.hasNext()) {
    entries.next();
    const QFileInfo info = entries.fileInfo();
    if (info.isSymLink() || !info.isDir() || info.ownerId() != ::getuid()) continue;
    if (!parseUuid(info.fileName().mid(prefix.size()))) continue;
    if (info.lastModified() >= cutoff) continue;
    if (QDir(info.absoluteFilePath()).removeRecursively()) ++removed;
    else qCInfo(lcItems) << "Old drag folder could not be removed:" << info.absoluteFilePath();
  }
  return removed;
}

}  // namespace qv::ItemDragProvider
