#pragma once
#include <QByteArray>
#include <QString>

namespace qv {

// Pieces for writing compact JSON text with keys in a fixed order (QJsonObject sorts them).
void appendJsonString(QByteArray& out, const QString& text);
// `,"key":` (no comma for the first key of an object).
void appendJsonKey(QByteArray& out, const char* key, bool first = false);
void appendJsonInteger(QByteArray& out, qint64 value);
void appendJsonDouble(QByteArray& out, double value);
// Grows `out` by `length` bytes and answers where they start, for writers that fill them.
char* appendUninitialized(QByteArray& out, qsizetype length);

}  // namespace qv
