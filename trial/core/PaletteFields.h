#pragma once
// The palette's three coded text fields: the focus codes they write into
// App.editFieldNo on gaining the focus (0 on losing it), and which field a
// code names for Select All and for inserting pattern pieces.

namespace tv {

enum class TrialField { None, Source, Find, Replace };

inline constexpr int kSourceFieldCode = 10;
inline constexpr int kFindFieldCode = 11;
inline constexpr int kReplaceFieldCode = 12;

constexpr int focusCode(TrialField field)
{
    switch (field) {
    case TrialField::Source: return kSourceFieldCode;
    case TrialField::Find: return kFindFieldCode;
    case TrialField::Replace: return kReplaceFieldCode;
    case TrialField::None: break;
    }
    return 0;
}

// The palette's field that a focus code names; None for 0 and for the codes
// of other windows.
constexpr TrialField fieldOfCode(int editFieldNo)
{
    switch (editFieldNo) {
    case kSourceFieldCode: return TrialField::Source;
    case kFindFieldCode: return TrialField::Find;
    case kReplaceFieldCode: return TrialField::Replace;
    default: return TrialField::None;
    }
}

// Where a guide row or the wildcard goes: the search or the replacement
// field, never the sample.
constexpr TrialField insertionField(int editFieldNo)
{
    const TrialField f = fieldOfCode(editFieldNo);
    return f == TrialField::Source ? TrialField::None : f;
}

} // namespace tv
