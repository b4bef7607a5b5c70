#pragma once
#include <QString>

namespace qv {

// A realistic PDF for the gallery and the benchmarks: each US-letter page has a heading, two
// columns of body text, a bar chart drawn in vectors and a photo-like picture. False on any
// error.
bool writeSamplePdf(const QString& path, int pageCount);

// A short Python module, as a copied source file would hold.
QString samplePythonSource();

}  // namespace qv
