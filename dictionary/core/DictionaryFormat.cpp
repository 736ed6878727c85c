#include "dictionary/core/DictionaryFormat.h"

#include "platform/core/Errors.h"
#include "platform/core/Text.h"
#include "dictionary/core/StepYield.h"

namespace tv {

bool RuleOptions::isOn(std::string_view text, int position)
{
    return position >= 1 && position <= 8 && static_cast<size_t>(position) <= text.size() &&
           text[static_cast<size_t>(position) - 1] == '*';
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

// Field n (from 1) of a text split at a one-byte separator; empty when the
// text has fewer fields.
std::string_view field(std::string_view s, char separator, int n)
{
    size_t start = 0;
    for (int i = 1; i < n; ++i) {
        size_t next = s.find(separator, start);
        if (next == std::string_view::npos)
            return {};
        start = next + 1;
    }
    size_t end = s.find(separator, start);
    return s.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

int headerNumber(std::string_view line, int n)
{
    return toInt32(Val(field(line, ',', n)));
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
    return textEquals(field(line, ',', 1), dictionaryHeaderName);
}

bool headerNamesUtf8(std::string_view line)
{
    return textEquals(field(line, ',', 6), "UTF8");
}

DictionaryFrame headerFrame(std::string_view line)
{
    return {headerNumber(line, 2), headerNumber(line, 3), headerNumber(line, 4), headerNumber(line, 5)};
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
            rule.search = field(*line, separator, 1);
            rule.replacement = field(*line, separator, 2);
            rule.options = field(*line, separator, 3);
            rule.comment = field(*line, separator, 4);
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
