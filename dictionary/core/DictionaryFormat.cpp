#include "dictionary/core/DictionaryFormat.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "dictionary/core/StepYield.h"

#include <array>

namespace tv {

bool RuleOptions::isOn(std::string_view text, int position)
{
    return position >= 1 && position <= 8 && static_cast<size_t>(position) <= text.size() &&
           text[static_cast<size_t>(position) - 1] == '*';
}

RuleOptions::RuleOptions(std::string_view text)
{
    for (int p = 1; p <= 8; ++p)
        if (isOn(text, p))
            on_ = static_cast<uint8_t>(on_ | (1u << (p - 1)));
}

bool RuleOptions::isOn(int position) const
{
    return position >= 1 && position <= 8 && (on_ >> (position - 1)) & 1u;
}

std::string RuleOptions::completed(std::string_view text)
{
    if (text.empty())
        return std::string(newRule);
    if (Len(text) == 4)
        return std::string(text) + "----";
    return std::string(text);
}

std::string toStoredForm(std::string_view typed)
{
    std::string out;
    out.reserve(typed.size());
    for (char c : typed) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\t')
            out += "\\t";
        else
            out += c;
    }
    return out;
}

namespace {

using HeaderFields = std::array<std::string_view, 6>;

HeaderFields headerFields(std::string_view line)
{
    return firstFieldsB<6>(line, ',');
}

int headerNumber(std::string_view field)
{
    return toInt32(Val(field));
}

bool isUtf16(const TextEncodingRef& e)
{
    return e && e->kind() == TextEncoding::Kind::UTF16;
}

constexpr std::string_view utf8Mark = "\xEF\xBB\xBF";

// Whether every CR of the text is followed by LF: the text was written with
// CR LF line ends. This program's files end with a lone CR, so an LF at the
// start of a rule (after the CR that ended the line before) stays its own.
bool crLfThroughout(std::string_view text)
{
    for (size_t at = text.find('\r'); at != std::string_view::npos; at = text.find('\r', at + 1))
        if (at + 1 >= text.size() || text[at + 1] != '\n')
            return false;
    return true;
}

bool beginsWithSingleByteHeader(std::string_view bytes)
{
    if (bytes.substr(0, utf8Mark.size()) == utf8Mark)
        bytes.remove_prefix(utf8Mark.size());
    return isDictionaryHeader(bytes.substr(0, bytes.find_first_of("\r\n")));
}

} // namespace

bool isDictionaryHeader(std::string_view line)
{
    return textEquals(firstFieldsB<1>(line, ',')[0], dictionaryHeaderName);
}

bool headerNamesUtf8(std::string_view line)
{
    return textEquals(headerFields(line)[5], "UTF8");
}

DictionaryFrame headerFrame(std::string_view line)
{
    const HeaderFields f = headerFields(line);
    return {headerNumber(f[1]), headerNumber(f[2]), headerNumber(f[3]), headerNumber(f[4])};
}

std::string headerLine(const DictionaryFrame& f)
{
    return std::string(dictionaryHeaderName) + "," + std::to_string(f.left) + "," + std::to_string(f.top) +
           "," + std::to_string(f.width) + "," + std::to_string(f.height) + ",UTF8";
}

// ---------------------------------------------------------------------------

DictionaryLines::DictionaryLines(std::string_view fileBytes, TextEncodingRef encoding)
    : bytes_(fileBytes), encoding_(std::move(encoding))
{
    wholeDecoded_ = isUtf16(encoding_);
    if (wholeDecoded_ && beginsWithSingleByteHeader(bytes_)) {
        // No UTF-16 file begins so, whatever a zero byte in a rule made the
        // detector guess: it is the form this program writes.
        wholeDecoded_ = false;
        encoding_ = Encodings::UTF8();
    }
    if (!wholeDecoded_) {
        if (bytes_.substr(0, utf8Mark.size()) == utf8Mark)
            bytes_.remove_prefix(utf8Mark.size());
        crEnds_ = bytes_.find('\r') != std::string_view::npos;
        crLfEnds_ = crEnds_ && crLfThroughout(bytes_);
    }
}

std::optional<std::string_view> DictionaryLines::nextRaw(std::string_view text)
{
    if (position_ >= text.size())
        return std::nullopt;
    const size_t end = text.find(crEnds_ ? '\r' : '\n', position_);
    std::string_view line = text.substr(position_, end == std::string_view::npos ? std::string_view::npos
                                                                                  : end - position_);
    if (end == std::string_view::npos) {
        position_ = text.size();
    } else {
        position_ = end + 1;
        if (crLfEnds_ && position_ < text.size() && text[position_] == '\n')
            ++position_;
    }
    return line;
}

std::optional<std::string> DictionaryLines::next()
{
    if (wholeDecoded_) {
        if (!decodedReady_) {
            decoded_ = encoding_->decode(bytes_);
            crEnds_ = decoded_.find('\r') != std::string::npos;
            crLfEnds_ = crEnds_ && crLfThroughout(decoded_);
            decodedReady_ = true;
        }
        auto line = nextRaw(decoded_);
        if (!line)
            return std::nullopt;
        return std::string(*line);
    }
    auto line = nextRaw(bytes_);
    if (!line)
        return std::nullopt;
    if (encoding_ == Encodings::UTF8()) {
        if (!isValidUtf8(*line))
            throw EncodingException("a dictionary line is not valid UTF-8");
        return std::string(*line);
    }
    if (!encoding_)
        throw NilObjectException("no converter for the dictionary's encoding");
    return encoding_->decode(*line);
}

void DictionaryLines::takeUtf8()
{
    if (!wholeDecoded_)
        encoding_ = Encodings::UTF8();
}

// ---------------------------------------------------------------------------

EditorDictionary parseDictionary(std::string_view fileBytes, const TextEncodingRef& encoding)
{
    EditorDictionary result;
    DictionaryLines lines(fileBytes, encoding);
    while (auto line = lines.next()) {
        if (result.rules.empty() && isDictionaryHeader(*line)) {
            result.frame = headerFrame(*line);
            if (headerNamesUtf8(*line))
                lines.takeUtf8();
            yieldStep();
            continue;
        }
        DictionaryRule rule;
        bool split = false;
        for (char separator : {'\t', ' ', ','}) {
            if (line->find(separator) == std::string::npos)
                continue;
            const auto fields = firstFieldsB<4>(*line, separator);
            rule.search = fields[0];
            rule.replacement = fields[1];
            rule.options = fields[2];
            rule.comment = fields[3];
            split = true;
            break;
        }
        if (!split)
            ++result.malformedLines;
        rule.options = RuleOptions::completed(rule.options);
        result.rules.push_back(std::move(rule));
        yieldStep();
    }
    return result;
}

std::string serializeDictionary(const DictionaryFrame& frame, const std::vector<DictionaryRule>& rules)
{
    std::string out = headerLine(frame);
    out += '\r';
    // The texts are in stored form; one that came in otherwise still holds no
    // raw CR or TAB here, which would end its line or shift its fields.
    auto text = [&out](const std::string& t) {
        if (t.find_first_of("\r\t") == std::string::npos)
            out += t;
        else
            out += toStoredForm(t);
    };
    for (const DictionaryRule& rule : rules) {
        text(rule.search);
        out += '\t';
        text(rule.replacement);
        out += '\t';
        text(rule.options);
        out += '\t';
        text(rule.comment);
        out += '\r';
        yieldStep();
    }
    return out;
}

} // namespace tv
