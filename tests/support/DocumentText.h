#pragma once
// A pass text as Qt's text widgets hold it.

#include <QString>

#include <string>

namespace tv::test {

inline QString qs(const std::string& s)
{
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// One "\n" per break, whether the text had CR, LF or CR LF.
inline QString asDocument(const std::string& text)
{
    QString s = qs(text);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    s.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return s;
}

} // namespace tv::test
