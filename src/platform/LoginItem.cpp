#include "platform/LoginItem.h"

#include "platform/Paths.h"

#include <QFile>
#include <QFileInfo>

namespace qv {

namespace {

// The value of `key` in the [Desktop Entry] group, trimmed; empty when absent.
QString entryValue(const QByteArray& contents, const QByteArray& key) {
  bool inEntry = false;
  for (const QByteArray& raw : contents.split('\n')) {
    const QByteArray line = raw.trimmed();
    if (line.startsWith('[')) {
      inEntry = line == "[Desktop Entry]";
      continue;
    }
    if (!inEntry || line.startsWith('#')) continue;
    const qsizetype equals = line.indexOf('=');
    if (equals > 0 && line.left(equals).trimmed() == key) return QString::fromUtf8(line.mid(equals + 1).trimmed());
  }
  return {};
}

}  // namespace

QString quoteDesktopExecArgument(const QString& argument) {
  QString quoted = QStringLiteral("\"");
  for (const QChar c : argument) {
    if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') quoted += u'\\';
    quoted += c;
    if (c == u'%') quoted += u'%';
  }
  quoted += u'"';
  // The string-value escapes apply to the whole value before the quoting is read.
  QString value;
  for (const QChar c : quoted) {
    if (c == u'\\') value += QStringLiteral("\\\\");
    else if (c == u'\n') value += QStringLiteral("\\n");
    else if (c == u'\t') value += QStringLiteral("\\t");
    else if (c == u'\r') value += QStringLiteral("\\r");
    else value += c;
  }
  return value;
}

XdgAutostartLoginItem::XdgAutostartLoginItem(QString autostartFolder, QString desktopId, QString executablePath)
    : folder_(std::move(autostartFolder)), desktopId_(std::move(desktopId)), executable_(std::move(executablePath)) {}

QString XdgAutostartLoginItem::entryPath() const { return folder_ + u'/' + desktopId_ + QStringLiteral(".desktop"); }

bool XdgAutostartLoginItem::isEnabled() const {
  bool ok = false;
  const QByteArray contents = readFile(entryPath(), &ok, nullptr, readLimit::kDesktopEntryBytes);
  if (!ok) return false;
  if (entryValue(contents, "Hidden").compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0) return false;
  if (entryValue(contents, "X-GNOME-Autostart-enabled").compare(QStringLiteral("false"), Qt::CaseInsensitive) == 0)
    return false;
  return true;
}

bool XdgAutostartLoginItem::registerItem(QString* error) {
  if (executable_.isEmpty()) {
    if (error) *error = QStringLiteral("the program's own path is unknown");
    return false;
  }
  const QString program = QFileInfo(executable_).absoluteFilePath();
  const QString entry = QStringLiteral(
                            "[Desktop Entry]\n"
                            "Type=Application\n"
                            "Name=Quorvalen\n"
                            "Comment=Clipboard history\n"
                            "Exec=%1\n"
                            "Terminal=false\n"
                            "X-GNOME-Autostart-enabled=true\n")
                            .arg(quoteDesktopExecArgument(program));
  if (!writeFileAtomically(entryPath(), entry.toUtf8())) {
    if (error) *error = QStringLiteral("cannot write ") + entryPath();
    return false;
  }
  return true;
}

bool XdgAutostartLoginItem::unregisterItem(QString* error) {
  QFile file(entryPath());
  if (!file.exists() || file.remove()) return true;
  if (error) *error = QStringLiteral("cannot remove ") + entryPath() + QStringLiteral(": ") + file.errorString();
  return false;
}

}  // namespace qv
