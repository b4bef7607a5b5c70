#include "platform/DesktopSharePicker.h"

#include "base/Log.h"
#include "base/NativePath.h"
#include "platform/DesktopEntries.h"
#include "platform/DetachedLaunch.h"
#include "platform/Paths.h"
#include "platform/ProgramIdentity.h"
#include "platform/RegularFile.h"
#include "platform/Scheduler.h"
#include "platform/SerialQueue.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QImageWriter>
#include <QMimeDatabase>
#include <QSet>
#include <QStandardPaths>

namespace qv {

namespace {

// The folder, made private, and only when it is a folder of ours (not a link someone put there).
bool preparePrivateFolder(const QString& folder) {
  if (folder.isEmpty() || !ensurePrivateFolder(folder)) return false;
  struct stat info {};
  if (::lstat(nativePath(folder).constData(), &info) != 0) return false;
  if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid()) return false;
  if ((info.st_mode & 0777) != 0700 && ::chmod(nativePath(folder).constData(), 0700) != 0) return false;
  return true;
}

// "Clipboard Text.txt", else "Clipboard Text 2.txt", … : an earlier share's file may still be
// read by the application it went to.
QString freeFileName(const QString& folder, const QString& stem, const QString& extension) {
  const QDir dir(folder);
  QString name = stem + u'.' + extension;
  for (int number = 2; QFileInfo::exists(dir.filePath(name)); ++number)
    name = stem + u' ' + QString::number(number) + u'.' + extension;
  return dir.filePath(name);
}

std::optional<QByteArray> pngBytes(const ShareItem& item) {
  if (!item.imageFile.isEmpty()) {
    bool ok = false;
    QByteArray bytes = readFile(item.imageFile, &ok);
    if (ok && bytes.startsWith("\x89PNG")) return bytes;
  }
  if (item.image.isNull()) return std::nullopt;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(item.image)) return std::nullopt;
  return bytes;
}

// The names a MIME type is known by, and those of its parents.
QSet<QString> acceptedNames(const QString& mimeType) {
  QSet<QString> names{mimeType};
  if (mimeType.startsWith(QLatin1String("x-scheme-handler/"))) return names;
  static const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForName(mimeType);
  if (!type.isValid()) return names;
  names.insert(type.name());
  for (const QString& alias : type.aliases()) names.insert(alias);
  for (const QString& parent : type.allAncestors()) names.insert(parent);
  return names;
}

}  // namespace

ShareItem ShareItem::ofText(QString text) {
  ShareItem item;
  item.kind = Kind::text;
  item.text = std::move(text);
  return item;
}

ShareItem ShareItem::ofImage(QImage image, QString pngFile) {
  ShareItem item;
  item.kind = Kind::image;
  item.image = std::move(image);
  item.imageFile = std::move(pngFile);
  return item;
}

ShareItem ShareItem::ofLink(QUrl url) {
  ShareItem item;
  item.kind = Kind::link;
  item.url = std::move(url);
  return item;
}

ShareItem ShareItem::ofFile(QUrl url) {
  ShareItem item;
  item.kind = Kind::file;
  item.url = std::move(url);
  return item;
}

bool ShareItem::operator==(const ShareItem& other) const {
  return kind == other.kind && text == other.text && image.cacheKey() == other.image.cacheKey() &&
         imageFile == other.imageFile && url == other.url;
}

DesktopSharePicker::DesktopSharePicker(std::shared_ptr<DesktopEntries> entries, std::shared_ptr<Scheduler> scheduler,
                                       std::function<std::shared_ptr<SerialQueue>()> makeQueue, QString folder,
                                       Options options)
    : entries_(std::move(entries)),
      scheduler_(std::move(scheduler)),
      makeQueue_(std::move(makeQueue)),
      folder_(std::move(folder)),
      options_(std::move(options)) {
  if (!options_.offersEmail)
    options_.offersEmail = !QStandardPaths::findExecutable(QLatin1String(kEmailProgram)).isEmpty();
  if (!options_.start) options_.start = launchDetached;
  if (!options_.queryDefault) {
    options_.queryDefault = [this](const QString& mimeType, std::function<void(const QString&)> answer) {
      queryDefaultApplication(this, mimeType, std::move(answer));
    };
  }
  // What a run that ended without its quit (a crash, a kill) left behind goes now.
  removeSharedFiles();
  // Every way out of the program passes the application's quit.
  if (QCoreApplication::instance())
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, [this] { removeSharedFiles(); });
}

DesktopSharePicker::~DesktopSharePicker() { removeSharedFiles(); }

QString DesktopSharePicker::folderIn(const Paths& paths) {
  // The runtime folder only when it is the user's own and private: never a folder every user
  // can see into (the temporary folder it falls back to when XDG_RUNTIME_DIR is unset).
  struct stat info {};
  const QString runtime = paths.runtime();
  if (!runtime.isEmpty() && ::stat(nativePath(runtime).constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
      info.st_uid == ::getuid() && (info.st_mode & 077) == 0)
    return runtime + QStringLiteral("/quorvalen-shared-") + QString::number(::getuid());
  return paths.caches() + QStringLiteral("/Shared Files");
}

void DesktopSharePicker::removeSharedFiles() {
  const QString folder = folder_;
  auto remove = [folder] {
    QFileInfo info(folder);
    // Only the folder of ours: never through a link.
    if (info.exists() && info.isDir() && !info.isSymLink()) QDir(folder).removeRecursively();
  };
  if (queue_) queue_->sync(remove);
  else remove();
}

QString DesktopSharePicker::mimeTypeOf(const ShareItem& item) {
  static const QMimeDatabase database;
  switch (item.kind) {
    case ShareItem::Kind::text: return QStringLiteral("text/plain");
    case ShareItem::Kind::image: return QStringLiteral("image/png");
    case ShareItem::Kind::link:
      return QStringLiteral("x-scheme-handler/") +
             (item.url.scheme().isEmpty() ? QStringLiteral("https") : item.url.scheme().toLower());
    case ShareItem::Kind::file:
      return (item.url.isLocalFile() ? mimeTypeOfFile(localFilePath(item.url)) : database.mimeTypeForUrl(item.url))
          .name();
  }
  return QStringLiteral("application/octet-stream");
}

bool DesktopSharePicker::opens(const DesktopEntry& entry, const QList<ShareItem>& items) {
  const ExecInputs inputs = execInputs(entry.exec);
  if (inputs == ExecInputs::broken || inputs == ExecInputs::none) return false;
  const bool takesUrls = inputs == ExecInputs::url || inputs == ExecInputs::urls;
  const QSet<QString> declared(entry.mimeTypes.cbegin(), entry.mimeTypes.cend());
  for (const ShareItem& item : items) {
    // Addresses and files elsewhere go only to lines that take URLs.
    const bool needsUrl = item.kind == ShareItem::Kind::link ||
                          (item.kind == ShareItem::Kind::file && !item.url.isLocalFile());
    if (needsUrl && !takesUrls) return false;
    if (!acceptedNames(mimeTypeOf(item)).intersects(declared)) return false;
  }
  return !items.isEmpty();
}

bool DesktopSharePicker::isOffered(const DesktopEntry& entry, const QStringList& desktops) {
  return !entry.terminal && entry.showsIn(desktops) && entry.isInstalled();
}

QList<ShareTarget> DesktopSharePicker::targetsFor(const QList<ShareItem>& items, const DesktopEntryIndex& index,
                                                  const QString& defaultId, bool offersEmail,
                                                  const QStringList& desktops) {
  QList<ShareTarget> targets;
  if (items.isEmpty()) return targets;
  const QString ownId = program::applicationId();
  auto targetOf = [](const DesktopEntry& entry, bool isDefault) {
    return ShareTarget{ShareTarget::Kind::application, entry.id, entry.name.isEmpty() ? entry.id : entry.name,
                       entry.iconName, isDefault};
  };
  QString firstId;
  if (const std::optional<DesktopEntry> preferred = index.entry(desktopIdOfFileName(defaultId));
      preferred && preferred->id != ownId && opens(*preferred, items) && isOffered(*preferred, desktops)) {
    targets.append(targetOf(*preferred, true));
    firstId = preferred->id;
  }
  for (const DesktopEntry& entry : index.applications()) {
    if (entry.id == firstId || entry.id == ownId || !opens(entry, items) || !isOffered(entry, desktops)) continue;
    targets.append(targetOf(entry, false));
  }
  if (offersEmail) targets.append({ShareTarget::Kind::email, {}, QString::fromUtf16(kEmailTargetTitle), {}, false});
  return targets;
}

void DesktopSharePicker::listTargets(const QList<ShareItem>& items, std::function<void(QList<ShareTarget>)> answer) {
  if (items.isEmpty()) {
    if (answer) answer({});
    return;
  }
  const bool offersEmail = options_.offersEmail.value_or(false);
  std::shared_ptr<DesktopEntries> entries = entries_;
  options_.queryDefault(mimeTypeOf(items.first()), [items, entries, offersEmail, desktops = desktops(),
                                                    answer = std::move(answer)](const QString& defaultId) {
    const std::shared_ptr<const DesktopEntryIndex> index = entries ? entries->index() : DesktopEntryIndex::of({});
    if (answer) answer(targetsFor(items, *index, defaultId, offersEmail, desktops));
  });
}

std::optional<QList<QUrl>> DesktopSharePicker::prepareInputs(const QString& folder, const QList<ShareItem>& items) {
  QList<QUrl> inputs;
  for (const ShareItem& item : items) {
    switch (item.kind) {
      case ShareItem::Kind::link:
      case ShareItem::Kind::file: inputs.append(item.url); break;
      case ShareItem::Kind::text: {
        if (!preparePrivateFolder(folder)) return std::nullopt;
        const QString path = freeFileName(folder, QStringLiteral("Clipboard Text"), QStringLiteral("txt"));
        if (!writeFileAtomically(path, item.text.toUtf8())) return std::nullopt;
        inputs.append(QUrl::fromLocalFile(path));
        break;
      }
      case ShareItem::Kind::image: {
        const std::optional<QByteArray> png = pngBytes(item);
        if (!png || !preparePrivateFolder(folder)) return std::nullopt;
        const QString path = freeFileName(folder, QStringLiteral("Clipboard Image"), QStringLiteral("png"));
        if (!writeFileAtomically(path, *png)) return std::nullopt;
        inputs.append(QUrl::fromLocalFile(path));
        break;
      }
    }
  }
  return inputs;
}

QStringList DesktopSharePicker::emailCommand(const QList<QUrl>& inputs) {
  QStringList command{QString::fromLatin1(kEmailProgram)};
  QStringList body;
  for (const QUrl& input : inputs) {
    if (input.isLocalFile()) command << QStringLiteral("--attach") << localFilePath(input);
    else body << input.toString(QUrl::FullyEncoded);
  }
  if (!body.isEmpty()) command << QStringLiteral("--body") << body.join(u'\n');
  return command;
}

void DesktopSharePicker::share(const ShareTarget& target, const QList<ShareItem>& items,
                               std::function<void(bool)> done) {
  std::optional<DesktopEntry> entry;
  if (target.kind == ShareTarget::Kind::application) {
    entry = entries_ ? entries_->entry(target.desktopId) : std::nullopt;
    if (!entry) qCWarning(lcPlatform) << "Share: no application" << target.desktopId;
    // Only what the picker could have offered is started.
    if (entry && !isOffered(*entry, desktops())) {
      qCWarning(lcPlatform) << "Share: not offered:" << target.desktopId;
      entry.reset();
    }
  }
  auto finish = [scheduler = scheduler_, done = std::move(done)](bool started) {
    if (done) scheduler->post([done, started] { done(started); });
  };
  if ((target.kind == ShareTarget::Kind::application && !entry) || items.isEmpty()) {
    finish(false);
    return;
  }
  if (!queue_) queue_ = makeQueue_();
  queue_->async([folder = folder_, start = options_.start, target, entry, items, finish] {
    const std::optional<QList<QUrl>> inputs = prepareInputs(folder, items);
    if (!inputs) {
      qCWarning(lcPlatform) << "Share: the files to share could not be written";
      finish(false);
      return;
    }
    QList<QStringList> commands;
    if (target.kind == ShareTarget::Kind::email) commands = {emailCommand(*inputs)};
    else commands = launchCommands(entry->exec, {*inputs, entry->iconName, entry->name, entry->path});
    if (commands.isEmpty()) qCWarning(lcPlatform) << "Share: cannot start" << target.desktopId << "from its Exec line";
    bool started = !commands.isEmpty();
    for (const QStringList& command : std::as_const(commands)) started = start(command) && started;
    finish(started);
  });
}

}  // namespace qv
