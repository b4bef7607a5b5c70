#pragma once
#include "base/Url.h"

#include <QDir>
#include <QString>
#include <QUrl>

namespace qv {

// Whether a file is shown by the PDF preview (and thumbnailed as a PDF). Decided by the name
// alone, so that nothing is read on the main thread: the MIME type its name gives, else (no
// type for the name) whether its extension is "pdf" in any case.
bool isPDF(const QUrl& url);

// The display form of a location under link, folder and library previews: a web or other
// non-file address as its absolute string, a file's path home-relative ("~/Documents/a.pdf").
QString abbreviatedPath(const Url& url, const QString& homePath = QDir::homePath());
QString abbreviatedPath(const QUrl& url, const QString& homePath = QDir::homePath());

}  // namespace qv
