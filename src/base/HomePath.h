#pragma once
#include <QDir>
#include <QString>

namespace qv {

// The home-relative form of a local path, shared by the link classifier's folder text and the
// previews' file locations: "~" for the home folder itself, "~/…" for a path inside it, the path
// unchanged otherwise. Only whole folders count ("/home/al" leaves "/home/alice" alone), and an
// empty or root home shortens nothing (every path would start with it).
QString homeRelativePath(const QString& path, const QString& homePath = QDir::homePath());

}  // namespace qv
