#include "preview/SampleDocuments.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QRadialGradient>
#include <cmath>

namespace qv {

namespace {

// A landscape with shaded sky, hills and scattered highlights: a picture that compresses like a
// photo rather than like a flat drawing.
QImage photo(QSize size, int seed) {
  QImage image(size, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, size.height());
  sky.setColorAt(0, QColor::fromHsv((200 + seed * 17) % 360, 120, 235));
  sky.setColorAt(1, QColor::fromHsv((220 + seed * 17) % 360, 160, 170));
  painter.fillRect(image.rect(), sky);
  QRadialGradient sun(size.width() * 0.72, size.height() * 0.28, size.height() * 0.2);
  sun.setColorAt(0, QColor(255, 236, 170));
  sun.setColorAt(1, QColor(255, 236, 170, 0));
  painter.fillRect(image.rect(), sun);
  for (int layer = 0; layer < 3; ++layer) {
    QPainterPath hills;
    hills.moveTo(0, size.height());
    for (int x = 0; x <= size.width(); x += 4)
      hills.lineTo(x,
                   size.height() * (0.55 + 0.12 * layer + 0.06 * std::sin((x + seed * 40) * (0.011 + 0.004 * layer)) +
                                    0.02 * std::sin(x * 0.09 + layer)));
    hills.lineTo(size.width(), size.height());
    painter.fillPath(hills, QColor::fromHsv(100 + layer * 12, 110 + layer * 30, 150 - layer * 35));
  }
  // Grain, as a camera leaves it.
  quint32 noise = 2166136261u + quint32(seed);
  for (int y = 0; y < size.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < size.width(); ++x) {
      noise = noise * 1664525u + 1013904223u;
      const int d = int(noise >> 28) - 8;
      const QRgb p = line[x];
      line[x] = qRgb(std::clamp(qRed(p) + d, 0, 255), std::clamp(qGreen(p) + d, 0, 255),
                     std::clamp(qBlue(p) + d, 0, 255));
    }
  }
  return image;
}

const char* const kBody[] = {
    "Quarterly results were ahead of the plan in every region, with the strongest growth in the "
    "north, where the new depot shortened delivery times by almost a day.",
    "Costs rose less than sales: fuel prices eased in the second month, and the renegotiated "
    "contracts for packaging took effect at the start of the quarter.",
    "The board asks each team to review its targets for the coming half-year and to send the "
    "revised figures to the planning office by the end of next month.",
    "Customer satisfaction, measured by the monthly survey, stayed at its level of last year; the "
    "share of complaints about late deliveries fell by a third.",
};

}  // namespace

bool writeSamplePdf(const QString& path, int pageCount) {
  if (pageCount < 1) return false;
  QDir().mkpath(QFileInfo(path).absolutePath());
  QPdfWriter writer(path);
  writer.setResolution(72);  // one unit is one point
  writer.setPageSize(QPageSize(QPageSize::Letter));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  writer.setTitle(QStringLiteral("Quarterly report"));
  QPainter painter;
  if (!painter.begin(&writer)) return false;
  painter.setRenderHint(QPainter::Antialiasing);
  const QImage pictures[] = {photo({640, 400}, 1), photo({640, 400}, 2), photo({640, 400}, 3)};
  for (int page = 0; page < pageCount; ++page) {
    if (page > 0 && !writer.newPage()) return false;
    painter.fillRect(QRectF(0, 0, 612, 792), Qt::white);
    painter.setPen(QColor(30, 30, 36));
    QFont heading(QStringLiteral("DejaVu Sans"));
    heading.setPixelSize(24);
    heading.setBold(true);
    painter.setFont(heading);
    painter.drawText(QRectF(54, 50, 504, 34), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Quarterly report — part %1").arg(page + 1));
    painter.fillRect(QRectF(54, 88, 504, 2), QColor(88, 93, 193));
    QFont body(QStringLiteral("DejaVu Serif"));
    body.setPixelSize(10);
    painter.setFont(body);
    painter.setPen(QColor(40, 40, 44));
    for (int column = 0; column < 2; ++column) {
      QString text;
      for (int paragraph = 0; paragraph < 4; ++paragraph)
        text += QString::fromUtf8(kBody[(page + column + paragraph) % 4]) + QStringLiteral("\n\n");
      painter.drawText(QRectF(54 + column * 262, 104, 242, 250), Qt::TextWordWrap, text);
    }
    // A bar chart in vectors.
    const QRectF chart(54, 370, 240, 170);
    painter.setPen(QPen(QColor(60, 60, 66), 0.8));
    painter.drawLine(chart.bottomLeft(), chart.bottomRight());
    painter.drawLine(chart.bottomLeft(), chart.topLeft());
    for (int bar = 0; bar < 8; ++bar) {
      const double value = 0.3 + 0.6 * std::abs(std::sin((bar + 1) * 0.9 + page * 0.37));
      const QRectF shape(chart.left() + 10 + bar * 28, chart.bottom() - value * (chart.height() - 10), 18,
                         value * (chart.height() - 10));
      painter.fillRect(shape, QColor::fromHsv((230 + bar * 14) % 360, 140, 200));
    }
    painter.drawImage(QRectF(318, 370, 240, 150), pictures[page % 3]);
    painter.setFont(body);
    painter.drawText(QRectF(318, 524, 240, 16), Qt::AlignLeft,
                     QStringLiteral("Figure %1: the new depot").arg(page + 1));
    painter.drawText(QRectF(54, 740, 504, 16), Qt::AlignHCenter, QString::number(page + 1));
  }
  return painter.end();
}

QString samplePythonSource() {
  return QStringLiteral(
      "#!/usr/bin/env python3\n"
      "\"\"\"Fetch the latest exchange rates and print them as a table.\"\"\"\n"
      "import json\n"
      "from urllib.request import urlopen\n"
      "\n"
      "RATES_URL = \"https://api.example.org/v1/rates?base=EUR\"\n"
      "\n"
      "\n"
      "class RateTable:\n"
      "    def __init__(self, rates: dict[str, float]):\n"
      "        self.rates = rates\n"
      "\n"
      "    def rows(self, limit=10):\n"
      "        # The strongest currencies first\n"
      "        ordered = sorted(self.rates.items(), key=lambda item: item[1])\n"
      "        return [f\"{code:>4}  {rate:10.4f}\" for code, rate in ordered[:limit]]\n"
      "\n"
      "\n"
      "def main():\n"
      "    with urlopen(RATES_URL, timeout=5) as response:\n"
      "        table = RateTable(json.load(response)[\"rates\"])\n"
      "    for row in table.rows():\n"
      "        print(row)\n"
      "    return 0\n"
      "\n"
      "\n"
      "if __name__ == \"__main__\":\n"
      "    raise SystemExit(main())\n");
}

}  // namespace qv
