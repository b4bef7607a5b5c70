#include "preview/TextFilePreview.h"

#include "base/NativePath.h"
#include "cards/ViewServices.h"
#include "cards/content/FileIcons.h"
#include "platform/Scheduler.h"
#include "ui/controls/ControlStyle.h"
#include "ui/controls/ProgressSpinner.h"
#include "ui/fx/Fx.h"
#include "ui/text/Fonts.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMimeDatabase>
#include <QPainter>
#include <QStringDecoder>
#include <cerrno>

namespace qv {

namespace {

QString lowerExtension(const QUrl& url) {
  return FileIcons::pathExtension(url.isLocalFile() ? url.toLocalFile() : url.path()).toLower();
}

// A file descriptor closed in every case it was opened.
struct Descriptor {
  int fd = -1;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

bool isContinuationByte(char byte) { return (static_cast<unsigned char>(byte) & 0xC0) == 0x80; }

// The bytes without a last UTF-8 character that the read limit cut short.
QByteArrayView withoutCutCharacter(QByteArrayView bytes) {
  qsizetype lead = bytes.size() - 1;
  while (lead >= 0 && bytes.size() - lead < 4 && isContinuationByte(bytes[lead])) --lead;
  if (lead < 0) return bytes;
  const auto byte = static_cast<unsigned char>(bytes[lead]);
  const qsizetype length = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
  return bytes.size() - lead < length ? bytes.first(lead) : bytes;
}

// A surrogate without its partner: the decoder lets it through, but it is no text.
bool hasLoneSurrogate(QStringView text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    else if (c.isSurrogate()) return true;
  }
  return false;
}

std::optional<QString> decodeStrictly(QStringConverter::Encoding encoding, QByteArrayView bytes) {
  QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
  QString text = decoder.decode(bytes);
  if (decoder.hasError() || (encoding != QStringConverter::Utf8 && hasLoneSurrogate(text))) return std::nullopt;
  return text;
}

// UTF-16 in `encoding`; when the read limit cut the file, a last half of a code unit or of a
// surrogate pair is dropped first.
std::optional<QString> decodeUtf16(QStringConverter::Encoding encoding, QByteArrayView bytes, bool cut) {
  if (cut) {
    if (bytes.size() % 2) bytes.chop(1);
    if (bytes.size() >= 2) {
      const auto high = static_cast<unsigned char>(encoding == QStringConverter::Utf16LE ? bytes[bytes.size() - 1]
                                                                                         : bytes[bytes.size() - 2]);
      if ((high & 0xFC) == 0xD8) bytes.chop(2);  // a leading surrogate without its partner
    }
  }
  return decodeStrictly(encoding, bytes);
}

// Text in UTF-16 without a byte-order mark shows as NULs in every other byte (the high bytes of
// Latin characters): which order, if the first 4 KB look like that.
std::optional<QStringConverter::Encoding> utf16ByNulPattern(QByteArrayView bytes) {
  const qsizetype pairs = std::min<qsizetype>(bytes.size(), 4096) / 2;
  if (pairs == 0) return std::nullopt;
  qsizetype evenNuls = 0, oddNuls = 0;
  for (qsizetype i = 0; i < pairs; ++i) {
    evenNuls += bytes[2 * i] == '\0';
    oddNuls += bytes[2 * i + 1] == '\0';
  }
  const auto mostly = [pairs](qsizetype count) { return count * 4 >= pairs * 3; };
  const auto hardly = [pairs](qsizetype count) { return count * 10 <= pairs; };
  if (mostly(oddNuls) && hardly(evenNuls)) return QStringConverter::Utf16LE;
  if (mostly(evenNuls) && hardly(oddNuls)) return QStringConverter::Utf16BE;
  return std::nullopt;
}

}  // namespace

const QStringList& TextFilePreview::textExtensions() {
  static const QStringList extensions = {
      QStringLiteral("txt"),  QStringLiteral("md"),   QStringLiteral("markdown"), QStringLiteral("log"),
      QStringLiteral("csv"),  QStringLiteral("tsv"),  QStringLiteral("json"),     QStringLiteral("yaml"),
      QStringLiteral("yml"),  QStringLiteral("xml"),  QStringLiteral("ini"),      QStringLiteral("conf"),
      QStringLiteral("cfg"),  QStringLiteral("env"),  QStringLiteral("sh"),       QStringLiteral("zsh"),
      QStringLiteral("bash"), QStringLiteral("py"),   QStringLiteral("rb"),       QStringLiteral("js"),
      QStringLiteral("ts"),   QStringLiteral("tsx"),  QStringLiteral("jsx"),      QStringLiteral("swift"),
      QStringLiteral("m"),    QStringLiteral("h"),    QStringLiteral("c"),        QStringLiteral("cpp"),
      QStringLiteral("hpp"),  QStringLiteral("rs"),   QStringLiteral("go"),       QStringLiteral("java"),
      QStringLiteral("kt"),   QStringLiteral("php"),  QStringLiteral("sql"),      QStringLiteral("html"),
      QStringLiteral("css"),  QStringLiteral("scss"), QStringLiteral("toml")};
  return extensions;
}

QString TextFilePreview::languageLabel(const QString& extension) {
  static const QHash<QString, QString> labels = [] {
    struct Row {
      const char* label;
      const char* extensions;  // space-separated
    };
    const Row table[] = {
        {"Python", "py"},
        {"Swift", "swift"},
        {"JavaScript", "js jsx mjs cjs"},
        {"TypeScript", "ts tsx"},
        {"Ruby", "rb"},
        {"Go", "go"},
        {"Rust", "rs"},
        {"Java", "java"},
        {"Kotlin", "kt"},
        {"C", "c h"},
        {"C++", "cpp hpp cc m"},
        {"PHP", "php"},
        {"SQL", "sql"},
        {"Shell", "sh bash zsh"},
        {"HTML", "html htm"},
        {"CSS", "css scss"},
        {"JSON", "json"},
        {"XML", "xml"},
        {"YAML", "yaml yml"},
    };
    QHash<QString, QString> result;
    for (const Row& row : table)
      for (const QString& known : QString::fromLatin1(row.extensions).split(u' '))
        result.insert(known, QString::fromLatin1(row.label));
    return result;
  }();
  return labels.value(extension);
}

bool TextFilePreview::canPreview(const QUrl& url) {
  const QString name = url.isLocalFile() ? url.toLocalFile() : url.path();
  const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
  if (!type.isValid() || type.isDefault()) return textExtensions().contains(lowerExtension(url));
  // RTF inherits plain text and SVG inherits XML, but neither reads as its text.
  if (type.inherits(QStringLiteral("application/rtf")) || type.name().startsWith(QLatin1StringView("image/")))
    return false;
  for (const char* textual : {"text/plain", "application/json", "application/xml"})
    if (type.inherits(QLatin1StringView(textual))) return true;
  return false;
}

std::optional<QString> TextFilePreview::load(const QUrl& url) {
  if (!url.isLocalFile()) return std::nullopt;
  const QString path = localFilePath(url);
  // Checked before opening and again on what was opened: a FIFO or a device must never be read.
  if (pathKind(path) != PathKind::file) return std::nullopt;
  Descriptor file{::open(nativePath(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) return std::nullopt;
  struct stat status {};
  if (::fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
  QByteArray bytes(kReadLimit, Qt::Uninitialized);
  qsizetype filled = 0;
  while (filled < kReadLimit) {
    const ssize_t count = ::read(file.fd, bytes.data() + filled, size_t(kReadLimit - filled));
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) return std::nullopt;
    if (count == 0) break;
    filled += count;
  }
  bytes.truncate(filled);
  std::optional<QString> text = decode(bytes, status.st_size);
  if (text && status.st_size > kReadLimit) *text += truncationNote(status.st_size);
  return text;
}

std::optional<QString> TextFilePreview::decode(const QByteArray& data, qint64 fileSize) {
  if (data.isEmpty()) return std::nullopt;
  const QByteArrayView bytes(data);
  const bool cut = fileSize > bytes.size();
  if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
    const auto encoding = bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
    if (auto text = decodeUtf16(encoding, bytes.sliced(2), cut)) return text;
  } else if (const auto encoding = utf16ByNulPattern(bytes)) {
    if (auto text = decodeUtf16(*encoding, bytes, cut)) return text;
  } else if (auto text = decodeStrictly(QStringConverter::Utf8, cut ? withoutCutCharacter(bytes) : bytes)) {
    return text;
  }
  return QString::fromLatin1(bytes);
}

QString TextFilePreview::truncationNote(qint64 fileSize) {
  return QStringLiteral("\n\n… truncated — showing the first 512 KB of %1 KB").arg(fileSize / 1024);
}

// ---- The view ---------------------------------------------------------------------------------

TextFilePreview::TextFilePreview(ViewServices& context, QWidget* parent)
    : PaintedWidget(context, parent), services_(context), spinner_(new ProgressSpinner(context, this)) {
  setHoverEnabled(false);
  spinner_->hide();
}

TextFilePreview::~TextFilePreview() {
  // An answer still on its way finds nobody to tell.
  latest_->fetch_add(1);
}

void TextFilePreview::setProps(const Props& props, Callbacks callbacks) {
  callbacks_ = std::move(callbacks);
  if (hasProps_ && props == props_) return;
  props_ = props;
  hasProps_ = true;
  TextStyle nameStyle{systemFont(12, QFont::Medium)};
  nameStyle.lineLimit = 3;
  nameStyle.alignment = Qt::AlignHCenter;
  name_ = TextBlock(fileName(), nameStyle);
  startLoading();
}

QString TextFilePreview::fileName() const {
  const QString path = props_.url.isLocalFile() ? localFilePath(props_.url) : props_.url.path();
  return shownPath(QFileInfo(path).fileName());
}

QString TextFilePreview::language() const { return languageLabel(lowerExtension(props_.url)); }

void TextFilePreview::startLoading() {
  contents_.reset();
  failed_ = false;
  if (codeViewer_) codeViewer_->hide();
  if (textViewer_) textViewer_->hide();
  spinner_->show();
  placeChildren();
  update();
  const quint64 generation = latest_->fetch_add(1) + 1;
  std::shared_ptr<Scheduler> scheduler = services_.scheduler;
  const Guard guard(this);
  services_.queue(QLatin1String(kQueueName))
      ->async([url = props_.url, latest = latest_, generation, scheduler, guard, this] {
        // Another file was asked for before this one was read: it is not read at all.
        if (latest->load() != generation) return;
        std::optional<QString> text = load(url);
        scheduler->post(
            [this, latest, generation, text = std::move(text)]() mutable {
              if (latest->load() == generation) loaded(std::move(text));
            },
            guard);
      });
}

void TextFilePreview::loaded(std::optional<QString> text) {
  spinner_->hide();
  if (text) contents_ = std::move(text);
  else failed_ = true;
  showContents();
  update();
}

void TextFilePreview::showContents() {
  if (!contents_) return;
  // Read when the viewer reports: the callback of the props given last.
  const auto edges = [this](bool hiddenAbove, bool hiddenBelow) {
    if (const auto report = callbacks_.onEdgesChange) report(hiddenAbove, hiddenBelow);
  };
  const QString label = language();
  if (!label.isEmpty()) {
    if (!codeViewer_) codeViewer_ = new QVCodeViewer(services_, this);
    codeViewer_->setProps({*contents_, label}, {edges});
    codeViewer_->show();
    if (textViewer_) textViewer_->hide();
  } else {
    if (!textViewer_) textViewer_ = new QVTextViewer(services_, this);
    textViewer_->setProps({*contents_, nullptr, false, QSizeF(kTextInsetWidth, kTextInsetHeight)}, {edges});
    textViewer_->show();
    if (codeViewer_) codeViewer_->hide();
  }
  placeChildren();
}

TextFilePreview::Shown TextFilePreview::shown() const {
  if (contents_) return language().isEmpty() ? Shown::text : Shown::code;
  return failed_ ? Shown::failed : Shown::loading;
}

void TextFilePreview::resizeEvent(QResizeEvent* event) {
  PaintedWidget::resizeEvent(event);
  placeChildren();
}

void TextFilePreview::placeChildren() {
  if (codeViewer_) codeViewer_->setGeometry(rect());
  if (textViewer_) textViewer_->setGeometry(rect());
  const QSize spinner = spinner_->sizeHint();
  spinner_->setGeometry(QRect(QPoint((width() - spinner.width()) / 2, (height() - spinner.height()) / 2), spinner));
}

QRectF TextFilePreview::nameRect() const {
  const double width = std::max(0.0, this->width() - 2 * kNameInset);
  const QSizeF name = name_.size(width);
  const double top = (height() - (kIconSize + kSpacing + name.height())) / 2;
  return QRectF(kNameInset, top + kIconSize + kSpacing, width, name.height());
}

QRectF TextFilePreview::iconRect() const {
  const QRectF name = nameRect();
  return QRectF((width() - kIconSize) / 2, name.top() - kSpacing - kIconSize, kIconSize, kIconSize);
}

QStringList TextFilePreview::nameLines() const { return name_.lines(nameRect().width()); }

AccessibilityInfo TextFilePreview::accessibility() const {
  AccessibilityInfo info;
  info.role = shown() == Shown::failed ? QAccessible::StaticText : QAccessible::Grouping;
  info.name = fileName();
  return info;
}

void TextFilePreview::paint(QPainter& painter) {
  if (shown() != Shown::failed) return;
  const EnvironmentValues environment = this->environment();
  const QRectF icon = iconRect();
  painter.drawImage(icon, FileIcons::shared(services_).image(fileName(), false, kIconSize, Fx::painterScale(painter)));
  const QRectF name = nameRect();
  name_.draw(painter, name.topLeft(), name.width(), primaryColor(environment, 0.8));
}

}  // namespace qv
