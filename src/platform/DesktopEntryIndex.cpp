#include "platform/DesktopEntryIndex.h"

#include "base/NativePath.h"
#include "platform/RegularFile.h"

#include <sys/stat.h>
#include <time.h>
#include <QCollator>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <optional>

namespace qv {

namespace {

// A folder changed this recently may change again within the same time stamp.
constexpr qint64 kSettleNanoseconds = 2'000'000'000;

// Programs that run other programs: their name says nothing about which application runs.
bool isLauncher(const QString& program) {
  static const QStringList launchers = {QStringLiteral("env"),     QStringLiteral("sh"),      QStringLiteral("bash"),
                                        QStringLiteral("dash"),    QStringLiteral("flatpak"), QStringLiteral("snap"),
                                        QStringLiteral("python3"), QStringLiteral("python"),  QStringLiteral("perl"),
                                        QStringLiteral("java"),    QStringLiteral("wine")};
  return launchers.contains(program);
}

qint64 modifiedNanoseconds(const QString& path) {
  struct stat info {};
  if (::stat(nativePath(path).constData(), &info) != 0) return -1;
  return qint64(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
}

qint64 nowNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

// Lenient: an open quote runs to the end of the line (for naming the program only).
QStringList execWords(const QString& exec) {
  if (std::optional<QStringList> words = parseExecWords(exec)) return *words;
  return parseExecWords(exec + u'"').value_or(QStringList());
}

bool isDeprecatedCode(QChar code) {
  return code == u'd' || code == u'D' || code == u'n' || code == u'N' || code == u'v' || code == u'm';
}

bool isInputCode(QChar code) { return code == u'f' || code == u'F' || code == u'u' || code == u'U'; }

// The input codes of a line and whether it may be run at all.
struct ExecShape {
  ExecInputs inputs = ExecInputs::none;
  QStringList words;
};

ExecShape execShape(const QString& exec) {
  ExecShape shape;
  std::optional<QStringList> words = parseRunnableExecWords(exec);
  if (!words || words->isEmpty()) return {ExecInputs::broken, {}};
  for (qsizetype index = 0; index < words->size(); ++index) {
    const QString& word = words->at(index);
    const bool whole = word.size() == 2 && word.at(0) == u'%';
    for (qsizetype i = 0; i < word.size(); ++i) {
      if (word.at(i) != u'%') continue;
      if (i + 1 >= word.size()) return {ExecInputs::broken, {}};
      const QChar code = word.at(++i);
      if (code == u'%' || isDeprecatedCode(code) || code == u'c' || code == u'k') {
        if (index == 0 && whole && code != u'%') return {ExecInputs::broken, {}};
        continue;
      }
      if (index == 0) return {ExecInputs::broken, {}};  // the program must be named
      if (code == u'i') {
        if (!whole) return {ExecInputs::broken, {}};
        continue;
      }
      if (!isInputCode(code)) return {ExecInputs::broken, {}};
      if ((code == u'F' || code == u'U') && !whole) return {ExecInputs::broken, {}};
      const ExecInputs kind = code == u'f'   ? ExecInputs::file
                              : code == u'F' ? ExecInputs::files
                              : code == u'u' ? ExecInputs::url
                                             : ExecInputs::urls;
      if (shape.inputs != ExecInputs::none && shape.inputs != kind) return {ExecInputs::broken, {}};
      shape.inputs = kind;
    }
  }
  shape.words = std::move(*words);
  return shape;
}

// The words of an Exec line, and whether a field code stood inside double quotes.
std::optional<QStringList> splitExecLine(const QString& exec, bool* codeInQuotes) {
  QStringList words;
  QString word;
  bool inWord = false, quoted = false;
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec.at(i);
    if (quoted) {
      if (c == u'"') {
        quoted = false;
      } else if (c == u'\\' && i + 1 < exec.size()) {
        if (exec.at(i + 1) == u'%') *codeInQuotes = true;  // an escaped code is still a code
        word.append(exec.at(++i));
      } else if (c == u'%' && i + 1 < exec.size() && exec.at(i + 1) == u'%') {
        word.append(QStringLiteral("%%"));  // a percent sign, left for the expansion to read
        ++i;
      } else {
        if (c == u'%') *codeInQuotes = true;
        word.append(c);
      }
    } else if (c == u'"') {
      quoted = inWord = true;
    } else if (c == u' ' || c == u'\t' || c == u'\n') {
      if (inWord) words.append(std::exchange(word, {}));
      inWord = false;
    } else {
      word.append(c);
      inWord = true;
    }
  }
  if (quoted) return std::nullopt;
  if (inWord) words.append(word);
  return words;
}

bool hasFieldCode(const QString& word) {
  for (qsizetype i = 0; i + 1 < word.size(); ++i) {
    if (word.at(i) != u'%') continue;
    if (word.at(i + 1) != u'%') return true;
    ++i;
  }
  return false;
}

bool isShell(const QString& name) {
  static const QStringList shells = {QStringLiteral("sh"),    QStringLiteral("bash"), QStringLiteral("rbash"),
                                     QStringLiteral("dash"),  QStringLiteral("zsh"),  QStringLiteral("ksh"),
                                     QStringLiteral("ksh93"), QStringLiteral("mksh"), QStringLiteral("ash"),
                                     QStringLiteral("yash"),  QStringLiteral("posh"), QStringLiteral("fish"),
                                     QStringLiteral("csh"),   QStringLiteral("tcsh")};
  return shells.contains(name);
}

// For interpreters that take code after a short option: the option letters that do.
QString codeOptionLetters(const QString& name) {
  static const QRegularExpression python(QStringLiteral("^(python|pypy)[0-9.]*$"));
  if (python.match(name).hasMatch()) return QStringLiteral("c");
  if (name == u"perl" || name.startsWith(u"perl5")) return QStringLiteral("eE");
  if (name == u"ruby" || name == u"lua" || name.startsWith(u"lua5") || name == u"luajit") return QStringLiteral("e");
  if (name == u"node" || name == u"nodejs") return QStringLiteral("ep");
  if (name == u"php" || name.startsWith(u"php")) return QStringLiteral("rBRE");
  return {};
}

bool isAwk(const QString& name) {
  return name == u"awk" || name == u"gawk" || name == u"mawk" || name == u"nawk" || name == u"busybox-awk";
}

// The word of a command that an interpreter reads as code, when it has one: the command string
// of `sh -c`, what follows `python3 -c`, `perl -e`, `node --eval`, an awk program given inline,
// the string `env -S` splits into a command. -1 when no word is code.
qsizetype codeWordOf(const QStringList& words) {
  qsizetype at = 0;
  if (at < words.size() && QFileInfo(words[at]).fileName() == u"env") {
    for (++at; at < words.size(); ++at) {
      const QString& word = words[at];
      if (word == u"-S" || word == u"--split-string") return at + 1;
      if (word.startsWith(u"-S") || word.startsWith(u"--split-string=")) return at;
      if (word == u"-u" || word == u"--unset" || word == u"-C" || word == u"--chdir") {
        ++at;
        continue;
      }
      if (!word.startsWith(u'-') && !word.contains(u'=')) break;
    }
  }
  if (at >= words.size()) return -1;
  QString program = QFileInfo(words[at]).fileName();
  if (program == u"busybox" && at + 1 < words.size()) program = words[++at];
  const QString codeLetters = codeOptionLetters(program);
  const bool shell = isShell(program), awk = isAwk(program);
  if (!shell && !awk && codeLetters.isEmpty()) return -1;
  bool shellTakesCode = false;
  for (qsizetype i = at + 1; i < words.size(); ++i) {
    const QString& word = words[i];
    if (word == u"--") return shellTakesCode || awk ? i + 1 : -1;
    if (word.startsWith(u"--")) {
      if (word == u"--command" || word == u"--eval" || word == u"--print" || word == u"--source") return i + 1;
      if (word.startsWith(u"--command=") || word.startsWith(u"--eval=") || word.startsWith(u"--print=") ||
          word.startsWith(u"--source="))
        return i;
      if (awk && (word == u"--file" || word.startsWith(u"--file="))) return -1;
      if (word == u"--rcfile" || word == u"--init-file") ++i;
      continue;
    }
    const bool option = word.size() > 1 && (word.startsWith(u'-') || (shell && word.startsWith(u'+')));
    if (!option) return shellTakesCode || awk ? i : -1;
    if (shell) {
      if (word.mid(1) == u"o" || word.mid(1) == u"O") ++i;  // an option name follows
      else if (word.mid(1).contains(u'c')) shellTakesCode = true;
      continue;
    }
    if (awk) {
      if (word == u"-f") return -1;  // the program comes from a file
      if (word == u"-e") return i + 1;
      if (word == u"-F" || word == u"-v") ++i;
      continue;
    }
    for (qsizetype letter = 1; letter < word.size(); ++letter) {
      if (!codeLetters.contains(word.at(letter))) continue;
      return letter + 1 < word.size() ? i : i + 1;  // the code joined to the option, or after it
    }
  }
  return -1;
}

// Where a program named in an Exec line lives: itself when it is a path, else the first match
// on PATH; "" when it cannot be found.
QString programPath(const QString& program) {
  if (program.contains(u'/')) return QDir::isAbsolutePath(program) ? QDir::cleanPath(program) : QString();
  static const QStringList path = qEnvironmentVariable("PATH").split(u':', Qt::SkipEmptyParts);
  for (const QString& folder : path) {
    const QFileInfo candidate(folder + u'/' + program);
    if (candidate.isFile() && candidate.isExecutable()) return candidate.absoluteFilePath();
  }
  return {};
}

// "kde/dolphin.desktop" is the entry "kde-dolphin".
QString idFromRelativePath(QString relative) {
  relative.chop(int(qstrlen(".desktop")));
  return relative.replace(u'/', u'-');
}

}  // namespace

QString execProgram(const QString& exec, bool* hasOptions) {
  const QStringList words = execWords(exec);
  qsizetype first = 0;
  if (!words.isEmpty() && (words[0] == QLatin1String("env") || words[0].endsWith(QLatin1String("/env")))) {
    first = 1;
    while (first < words.size() && (words[first].contains(u'=') || words[first].startsWith(u'-'))) ++first;
  }
  if (hasOptions) {
    // Field codes (%U, %f…) stand for what is opened, not for a different way to run.
    *hasOptions = std::any_of(words.cbegin() + std::min(first + 1, words.size()), words.cend(),
                              [](const QString& word) { return !(word.size() == 2 && word.at(0) == u'%'); });
  }
  return first < words.size() ? words[first] : QString();
}

ExecInputs execInputs(const QString& exec) { return execShape(exec).inputs; }

std::optional<QStringList> parseExecWords(const QString& exec) {
  bool codeInQuotes = false;
  return splitExecLine(exec, &codeInQuotes);
}

std::optional<QStringList> parseRunnableExecWords(const QString& exec) {
  bool codeInQuotes = false;
  std::optional<QStringList> words = splitExecLine(exec, &codeInQuotes);
  if (!words || codeInQuotes) return std::nullopt;
  const qsizetype code = codeWordOf(*words);
  if (code >= 0 && code < words->size() && hasFieldCode(words->at(code))) return std::nullopt;
  return words;
}

QList<QStringList> launchCommands(const QString& exec, const LaunchInputs& inputs) {
  const ExecShape shape = execShape(exec);
  if (shape.inputs == ExecInputs::broken) return {};
  const bool takesFiles = shape.inputs == ExecInputs::file || shape.inputs == ExecInputs::files;
  QStringList given;  // each input as its code gives it
  for (const QUrl& url : inputs.urls) {
    if (takesFiles) {
      // A path is given whole and absolute: never one a program could read as an option.
      const QString path = localFilePath(url);
      if (!QDir::isAbsolutePath(path)) return {};
      given.append(path);
    } else {
      given.append(url.toString(QUrl::FullyEncoded));
    }
  }
  const bool oneAtATime = shape.inputs == ExecInputs::file || shape.inputs == ExecInputs::url;
  QList<QStringList> groups;
  if (oneAtATime && given.size() > 1) {
    for (const QString& input : std::as_const(given)) groups.append(QStringList{input});
  } else {
    groups.append(given);
  }
  QList<QStringList> commands;
  for (const QStringList& group : std::as_const(groups)) {
    QStringList command;
    for (const QString& word : shape.words) {
      if (word.size() == 2 && word.at(0) == u'%' && word.at(1) != u'%') {
        // A code on its own: its values are whole arguments, and nothing stays when it has none.
        switch (word.at(1).unicode()) {
          case 'f':
          case 'u':
          case 'F':
          case 'U': command.append(group); break;
          case 'i':
            if (!inputs.iconName.isEmpty()) command << QStringLiteral("--icon") << inputs.iconName;
            break;
          case 'c':
            if (!inputs.name.isEmpty()) command << inputs.name;
            break;
          case 'k':
            if (!inputs.desktopFile.isEmpty()) command << inputs.desktopFile;
            break;
          default: break;  // deprecated
        }
        continue;
      }
      QString plain;
      for (qsizetype i = 0; i < word.size(); ++i) {
        if (word.at(i) != u'%') {
          plain.append(word.at(i));
          continue;
        }
        switch (word.at(++i).unicode()) {
          case '%': plain.append(u'%'); break;
          case 'f':
          case 'u':
            if (!group.isEmpty()) plain.append(group.first());
            break;
          case 'c': plain.append(inputs.name); break;
          case 'k': plain.append(inputs.desktopFile); break;
          default: break;  // deprecated
        }
      }
      command.append(plain);
    }
    if (command.isEmpty() || command.first().isEmpty()) return {};
    commands.append(command);
  }
  return commands;
}

QStringList launchCommand(const QString& exec) {
  const QList<QStringList> commands = launchCommands(exec, {});
  return commands.isEmpty() ? QStringList() : commands.first();
}

std::shared_ptr<const DesktopEntryIndex> DesktopEntryIndex::build(const QStringList& applicationFolders) {
  auto index = std::make_shared<DesktopEntryIndex>();
  const qint64 started = nowNanoseconds();
  QSet<QString> claimed;
  for (const QString& root : applicationFolders) {
    const QString folder = QDir::cleanPath(root);
    index->folders_.append({folder, modifiedNanoseconds(folder)});
    if (index->folders_.last().modified < 0) continue;
    QStringList files;
    QDirIterator subfolders(folder, QDir::Dirs | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (subfolders.hasNext()) {
      const QString subfolder = subfolders.next();
      index->folders_.append({subfolder, modifiedNanoseconds(subfolder)});
    }
    QDirIterator it(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) files.append(it.next());
    std::sort(files.begin(), files.end());
    for (const QString& path : files) {
      const QString id = idFromRelativePath(path.mid(folder.size() + 1));
      // The first folder that has the id decides, even when its entry is hidden or unreadable.
      if (claimed.contains(id)) continue;
      claimed.insert(id);
      // A link to a FIFO or a device is skipped, not waited on or read without end.
      const std::optional<QByteArray> contents = readRegularFile(path, readLimit::kDesktopEntryBytes);
      if (!contents) continue;
      bool hidden = false;
      std::optional<DesktopEntry> entry = parseDesktopEntry(*contents, &hidden);
      if (!entry || hidden) continue;
      if (!entry->type.isEmpty() && entry->type != QLatin1String("Application")) continue;
      entry->id = id;
      entry->path = path;
      index->add(std::move(*entry));
    }
  }
  for (const Folder& folder : std::as_const(index->folders_)) {
    const qint64 age = started - folder.modified;
    if (folder.modified >= 0 && age < kSettleNanoseconds && age > -kSettleNanoseconds) index->settled_ = false;
  }
  return index;
}

std::shared_ptr<const DesktopEntryIndex> DesktopEntryIndex::of(const QList<DesktopEntry>& entries) {
  auto index = std::make_shared<DesktopEntryIndex>();
  for (const DesktopEntry& entry : entries)
    if (!index->entries_.contains(entry.id)) index->add(entry);
  return index;
}

void DesktopEntryIndex::add(DesktopEntry entry) {
  order_.append(entry.id);
  if (!entry.path.isEmpty()) idByPath_.insert(entry.path, entry.id);
  if (!entry.startupWMClass.isEmpty()) {
    if (!idByWindowClass_.contains(entry.startupWMClass)) idByWindowClass_.insert(entry.startupWMClass, entry.id);
    const QString folded = entry.startupWMClass.toLower();
    if (!idByFoldedWindowClass_.contains(folded)) idByFoldedWindowClass_.insert(folded, entry.id);
  }
  addProgram(entry);
  entries_.insert(entry.id, std::move(entry));
}

void DesktopEntryIndex::addProgram(const DesktopEntry& entry) {
  bool hasOptions = false;
  const QString program = execProgram(entry.exec, &hasOptions);
  if (program.isEmpty()) return;
  const int rank = (hasOptions ? 2 : 0) + (entry.noDisplay ? 1 : 0);
  const auto offer = [&](QHash<QString, ProgramMatch>& table, const QString& key) {
    if (key.isEmpty() || isLauncher(QFileInfo(key).fileName())) return;
    const auto found = table.constFind(key);
    if (found == table.constEnd() || found->rank > rank) table.insert(key, {entry.id, rank});
  };
  const QString path = programPath(program);
  // A running program is known by the target of its links (/proc/<pid>/exe).
  const QString target = path.isEmpty() ? QString() : QFileInfo(path).canonicalFilePath();
  if (!isLauncher(QFileInfo(program).fileName())) {
    offer(byProgramPath_, path);
    offer(byProgramPath_, target);
    offer(byProgramName_, QFileInfo(program).fileName());
    offer(byProgramName_, QFileInfo(target).fileName());
  }
}

std::optional<DesktopEntry> DesktopEntryIndex::entry(const QString& id) const {
  const auto found = entries_.constFind(id);
  if (found == entries_.constEnd()) return std::nullopt;
  return *found;
}

QString DesktopEntryIndex::idOfFile(const QString& path) const {
  if (path.isEmpty()) return {};
  return idByPath_.value(QDir::cleanPath(path));
}

QString DesktopEntryIndex::idOfProgram(const QString& windowClass, const QString& executablePath) const {
  if (!windowClass.isEmpty()) {
    if (const QString id = idByWindowClass_.value(windowClass); !id.isEmpty()) return id;
    if (const QString id = idByFoldedWindowClass_.value(windowClass.toLower()); !id.isEmpty()) return id;
  }
  const QString program = QFileInfo(executablePath).fileName();
  if (!executablePath.isEmpty()) {
    if (const auto found = byProgramPath_.constFind(executablePath); found != byProgramPath_.constEnd())
      return found->id;
    if (const auto found = byProgramName_.constFind(program); found != byProgramName_.constEnd()) return found->id;
  }
  for (const QString& name : {windowClass, windowClass.toLower(), program, program.toLower()})
    if (!name.isEmpty() && entries_.contains(name)) return name;
  return {};
}

QList<DesktopEntry> DesktopEntryIndex::applications() const {
  QList<DesktopEntry> listed;
  for (const QString& id : order_) {
    const DesktopEntry& entry = entries_[id];
    if (!entry.noDisplay) listed.append(entry);
  }
  // As people read a list of names: "picom" before "Vim" whatever the locale (the C locale's
  // byte order would put every capital first).
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::stable_sort(listed.begin(), listed.end(), [&collator](const DesktopEntry& a, const DesktopEntry& b) {
    return collator.compare(a.name.isEmpty() ? a.id : a.name, b.name.isEmpty() ? b.id : b.name) < 0;
  });
  return listed;
}

bool DesktopEntryIndex::isCurrent() const {
  if (!settled_) return false;
  return std::all_of(folders_.cbegin(), folders_.cend(),
                     [](const Folder& folder) { return modifiedNanoseconds(folder.path) == folder.modified; });
}

}  // namespace qv
