#pragma once
// The program's encodings by the names tests give them. UTF-16 names say
// their byte order, and "+BOM" when the text begins with a mark.

#include "encoding/core/TextEncoding.h"

#include <QtGlobal>

#include <string_view>

namespace tv::test {

inline const TextEncoding* sjis() { return Encodings::ShiftJIS().get(); }
inline const TextEncoding* euc() { return Encodings::EUCJP().get(); }
inline const TextEncoding* jis() { return Encodings::ISO2022JP().get(); }
inline const TextEncoding* utf8() { return Encodings::UTF8().get(); }
inline const TextEncoding* utf7() { return Encodings::UTF7().get(); }
inline const TextEncoding* utf16(bool bigEndian, bool mark) { return Encodings::UTF16(bigEndian, mark).get(); }

inline TextEncodingRef encodingNamed(std::string_view name)
{
    if (name == "UTF-8")
        return Encodings::UTF8();
    if (name == "Shift_JIS")
        return Encodings::ShiftJIS();
    if (name == "EUC-JP")
        return Encodings::EUCJP();
    if (name == "ISO-2022-JP")
        return Encodings::ISO2022JP();
    if (name == "UTF-7")
        return Encodings::UTF7();
    if (name == "UTF-16BE")
        return Encodings::UTF16(true, false);
    if (name == "UTF-16BE+BOM")
        return Encodings::UTF16(true, true);
    if (name == "UTF-16LE")
        return Encodings::UTF16(false, false);
    if (name == "UTF-16LE+BOM")
        return Encodings::UTF16(false, true);
    qFatal("unknown encoding %.*s", int(name.size()), name.data());
    return nullptr;
}

} // namespace tv::test
