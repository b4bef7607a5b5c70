#include "platform/Thumbnailers.h"

#include "base/Log.h"
#include "base/NativePath.h"
#include "platform/DesktopEntries.h"
#include "platform/DesktopEntryIndex.h"
#include "platform/GuardedProcess.h"
#include "platform/ImageDecoder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QSet>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>

namespace qv {

namespace {

// How often a running thumbnailer is checked for cancellation.
constexpr int kPollMilliseconds = 50;

std::optional<QImage> readOutput(const QString& path, int size, const ThumbnailerLimits& limits) {
  struct stat info {};
  // Only a plain file it wrote: not a link to somewhere else, not a device that never ends (nor
  // one put there after this look).
  if (::lstat(nativePath(path).constData(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  if (info.st_size <= 0 || info.st_size > limits.maximumOutputBytes) return std::nullopt;
  PictureFile file(path, limits.maximumOutputBytes);
  QImageReader& reader = file.reader();
  const QSize pixels = reader.size();
  if (!pixels.isValid() || pixels.isEmpty() || pixels.width() > limits.maximumOutputSide ||
      pixels.height() > limits.maximumOutputSide)
    return std::nullopt;
  QImage picture = reader.read();
  if (picture.isNull()) return std::nullopt;
  if (picture.width() > size || picture.height() > size)
    picture = picture.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  picture.setDevicePixelRatio(1.0);
  return picture;
}

}  // namespace

QStringList thumbnailerFoldersFromEnvironment() {
  QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
  if (dataHome.isEmpty()) dataHome = QDir::homePath() + QStringLiteral("/.local/share");
  QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share/:/usr/share/");
  QStringList folders{QDir::cleanPath(dataHome) + QStringLiteral("/thumbnailers")};
  for (const QString& dir : dataDirs.split(u':', Qt::SkipEmptyParts))
    folders.append(QDir::cleanPath(dir) + QStringLiteral("/thumbnailers"));
  folders.removeDuplicates();
  return folders;
}

std::optional<Thumbnailer> parseThumbnailer(const QByteArray& contents, const QString& file) {
  const std::optional<QHash<QByteArray, QString>> group = parseDesktopGroup(contents, "Thumbnailer Entry");
  if (!group) return std::nullopt;
  Thumbnailer thumbnailer;
  thumbnailer.file = file;
  thumbnailer.tryExec = group->value("TryExec");
  thumbnailer.exec = group->value("Exec");
  thumbnailer.mimeTypes = group->value("MimeType").split(u';', Qt::SkipEmptyParts);
  for (QString& type : thumbnailer.mimeTypes) type = type.trimmed();
  thumbnailer.mimeTypes.removeAll(QString());
  if (thumbnailer.exec.isEmpty() || thumbnailer.mimeTypes.isEmpty()) return std::nullopt;
  return thumbnailer;
}

QList<Thumbnailer> readThumbnailers(const QStringList& folders) {
  QList<Thumbnailer> thumbnailers;
  QSet<QString> seen;
  for (const QString& folder : folders) {
    QStringList files;
    QDirIterator it(folder, {QStringLiteral("*.thumbnailer")}, QDir::Files);
    while (it.hasNext()) files.append(it.next());
    std::sort(files.begin(), files.end());
    for (const QString& path : std::as_const(files)) {
      const QString name = QFileInfo(path).fileName();
      if (seen.contains(name)) continue;
      seen.insert(name);
      // A link to a FIFO or a device is skipped, not waited on or read without end.
      const std::optional<QByteArray> contents = readRegularFile(path, readLimit::kThumbnailerBytes);
      if (!contents) continue;
      if (std::optional<Thumbnailer> thumbnailer = parseThumbnailer(*contents, path))
        thumbnailers.append(std::move(*thumbnailer));
    }
  }
  return thumbnailers;
}

bool isInstalled(const Thumbnailer& thumbnailer) {
  return thumbnailer.tryExec.isEmpty() || !installedProgram(thumbnailer.tryExec).isEmpty();
}

std::optional<Thumbnailer> thumbnailerFor(const QList<Thumbnailer>& thumbnailers, const QString& mimeType) {
  const QMimeDatabase database;
  const QMimeType type = database.mimeTypeForName(mimeType);
  QStringList wanted{type.isValid() ? type.name() : mimeType};
  if (type.isValid()) wanted.append(type.allAncestors());
  // Each thumbnailer's types by their canonical names, so that an alias it lists still counts.
  QList<QSet<QString>> declared;
  declared.reserve(thumbnailers.size());
  for (const Thumbnailer& thumbnailer : thumbnailers) {
    QSet<QString> names;
    for (const QString& listed : thumbnailer.mimeTypes) {
      names.insert(listed);
      const QMimeType known = database.mimeTypeForName(listed);
      if (known.isValid()) names.insert(known.name());
    }
    declared.append(names);
  }
  for (const QString& name : std::as_const(wanted)) {
    for (qsizetype i = 0; i < thumbnailers.size(); ++i)
      if (declared.at(i).contains(name) && isInstalled(thumbnailers.at(i))) return thumbnailers.at(i);
  }
  return std::nullopt;
}

QStringList thumbnailerCommand(const QString& exec, const QString& inputPath, const QByteArray& inputUri,
                               const QString& outputPath, int size) {
  const std::optional<QStringList> words = parseRunnableExecWords(exec);
  if (!words || words->isEmpty() || !QDir::isAbsolutePath(inputPath)) return {};
  QStringList command;
  bool writesOutput = false;
  for (qsizetype index = 0; index < words->size(); ++index) {
    const QString& word = words->at(index);
    QString argument;
    for (qsizetype i = 0; i < word.size(); ++i) {
      const QChar c = word.at(i);
      if (c != u'%') {
        argument.append(c);
        continue;
      }
      if (i + 1 >= word.size()) return {};
      const QChar code = word.at(++i);
      if (code == u'%') {
        argument.append(u'%');
        continue;
      }
      // The program must be named by the line itself, never by what a code gives.
      if (index == 0) return {};
      switch (code.unicode()) {
        case 'i': argument.append(inputPath); break;
        case 'u': argument.append(QString::fromLatin1(inputUri)); break;
        case 'o':
          argument.append(outputPath);
          writesOutput = true;
          break;
        case 's': argument.append(QString::number(size)); break;
        default: return {};
      }
    }
    command.append(argument);
  }
  if (!writesOutput || command.first().isEmpty()) return {};
  return command;
}

ThumbnailerRun runThumbnailer(const Thumbnailer& thumbnailer, const QString& inputPath, const QByteArray& inputUri,
                              int size, const QString& temporaryFolder, const ThumbnailerLimits& limits,
                              const std::function<bool()>& cancelled) {
  using End = ThumbnailerRun::End;
  QTemporaryDir folder(QDir(temporaryFolder).filePath(QStringLiteral("quorvalen-thumbnailer-XXXXXX")));
  if (!folder.isValid()) return {std::nullopt, End::notStarted};
  ::chmod(nativePath(folder.path()).constData(), 0700);
  const QString output = folder.filePath(QStringLiteral("thumbnail.png"));
  const QStringList command = thumbnailerCommand(thumbnailer.exec, inputPath, inputUri, output, size);
  if (command.isEmpty()) {
    qCInfo(lcPlatform).noquote() << "Thumbnailer skipped, its Exec line cannot run:" << thumbnailer.file;
    return {std::nullopt, End::failed};
  }
  // Under a guard: whatever it starts, even in a session of its own, ends with it.
  const std::unique_ptr<GuardedProcess> process = GuardedProcess::start(command, folder.path());
  if (!process) return {std::nullopt, End::notStarted};
  QElapsedTimer clock;
  clock.start();
  const qint64 limit = qint64(std::llround(limits.seconds * 1000));
  while (!process->waitForFinished(kPollMilliseconds)) {
    if (cancelled && cancelled()) {
      process->kill();
      return {std::nullopt, End::cancelled};
    }
    if (clock.elapsed() >= limit) {
      qCInfo(lcPlatform).noquote() << "Thumbnailer killed after" << limits.seconds << "s:" << command.first();
      process->kill();
      return {std::nullopt, End::outOfTime};
    }
  }
  if (process->exitCode() != 0) return {std::nullopt, End::failed};
  std::optional<QImage> picture = readOutput(output, size, limits);
  const End end = picture ? End::wrote : End::failed;
  return {std::move(picture), end};
}

}  // namespace qv
