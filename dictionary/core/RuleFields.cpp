#include "dictionary/core/RuleFields.h"

#include "dictionary/core/DictionaryFormat.h"

namespace tv {

std::optional<RuleField> ruleFieldForCode(int focusCode)
{
    for (const RuleField& f : ruleFields) {
        if (f.focusCode == focusCode)
            return f;
    }
    return std::nullopt;
}

std::optional<RuleField> ruleFieldNamed(std::string_view name)
{
    for (const RuleField& f : ruleFields) {
        if (f.name == name)
            return f;
    }
    return std::nullopt;
}

std::string crLineEnds(std::string_view s)
{
    // U+2028 and U+2029 in UTF-8: E2 80 A8 and E2 80 A9.
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        const char c = s[i];
        if (c == '\r') {
            out += '\r';
            if (i + 1 < s.size() && s[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += '\r';
        } else if (c == '\xE2' && i + 2 < s.size() && s[i + 1] == '\x80' && (s[i + 2] == '\xA8' || s[i + 2] == '\xA9')) {
            out += '\r';
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

std::string fieldText(const QString& shown)
{
    return crLineEnds(shown.toStdString());
}

std::string fixString(std::string_view typed)
{
    return toStoredForm(typed);
}

std::string storedFieldText(const QString& shown)
{
    return fixString(fieldText(shown));
}

QString shownFieldText(std::string_view stored)
{
    return QString::fromUtf8(stored.data(), qsizetype(stored.size()));
}

int inPlaceEditColumn(double x, double listWidth)
{
    return x < listWidth / 2.0 - 8.0 ? 0 : 1;
}

} // namespace tv
