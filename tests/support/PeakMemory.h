#pragma once
#include <QFile>
#include <QRegularExpression>

namespace qv::test {

// How far this process's resident memory rose above where it stood when the measure began: the
// peak the kernel recorded since (VmHWM), less what was resident then. `isAvailable` is false
// where the peak cannot be reset (no /proc/self/clear_refs).
// AddressSanitizer keeps freed memory in quarantine and pads every allocation: bounds on the
// memory a read takes grow by this much under it.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr qint64 kSanitizerMemoryFactor = 3;
#else
inline constexpr qint64 kSanitizerMemoryFactor = 1;
#endif

class PeakMemory {
 public:
  PeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    available_ = clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
    clear.close();
    start_ = field("VmRSS");
  }
  bool isAvailable() const { return available_; }
  qint64 growthBytes() const { return field("VmHWM") - start_; }

 private:
  static qint64 field(const char* name) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 0;
    const QRegularExpression line(QStringLiteral("%1:\\s+(\\d+) kB").arg(QLatin1String(name)));
    const QRegularExpressionMatch match = line.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() * 1024 : 0;
  }
  bool available_ = false;
  qint64 start_ = 0;
};

}  // namespace qv::test
