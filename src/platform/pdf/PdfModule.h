#pragma once
#include <QImage>
#include <QSize>
#include <QSizeF>
#include <QString>
#include <functional>

// What the PDF module (a plug-in of this program, linked against Poppler) hands the platform
// layer. The program opens the module when it first draws a PDF: linked in, the rendering
// library and the fifteen libraries it needs would be loaded at every start-up. Both sides are
// built together with one compiler, so the interface may use C++ and Qt types.
namespace qv::pdf {

// One opened document; used on the thread that opened it only.
class ModuleDocument {
 public:
  virtual ~ModuleDocument() = default;
  virtual int pageCount() const = 0;
  // The page's size in points, its rotation applied.
  virtual QSizeF pageSize(int index) const = 0;
  // The page drawn on white at exactly `pixels`; null when it cannot be drawn or
  // `abandoned` answered true while drawing.
  virtual QImage render(int index, QSize pixels, const std::function<bool()>& abandoned) const = 0;
};

struct Module {
  static constexpr int kVersion = 1;
  int version = kVersion;
  // The document at `path`, or null when it does not open, has no pages or is locked by a
  // password. The caller owns the result.
  ModuleDocument* (*open)(const QString& path) = nullptr;
};

// The module's one exported symbol.
inline constexpr char kEntryPoint[] = "qvPdfModule";
using EntryPoint = const Module* (*)();

}  // namespace qv::pdf
