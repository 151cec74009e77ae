// Texts crossing into the list widgets: the core's 8-bit strings are UTF-8 where they can
// be, and Latin-1 otherwise (a Usenet subject in raw Latin-1 still shows its letters).
#pragma once

#include <QString>
#include <QStringDecoder>

#include <string>

namespace qp::widgets {

inline QString ListText(const std::string& bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
  if (utf8.hasError())
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
  return text;
}

inline std::string ListBytes(const QString& text) {
  return text.toStdString();
}

}  // namespace qp::widgets
