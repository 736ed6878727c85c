#include "dictionary/core/RuleFields.h"

#include "dictionary/core/DictionaryFormat.h"
#include "platform/core/Text.h"

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
    return withCrLineEnds(s);
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
