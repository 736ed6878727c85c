#pragma once
// The rule record and the dictionary file format, as pure functions over
// bytes and texts.
//
// A dictionary file is a header line "Tesvora Dictionary,left,top,width,height,UTF8"
// followed by one rule per line: search, replacement, options and comment in
// stored form joined by TAB. This program writes UTF-8 with CR line ends, the
// last line too. Reading is more lenient: see DictionaryLines for line ends
// and encodings, parseDictionary for the older and looser forms.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/core/TextEncoding.h"

namespace tv {

// One rule: four texts in stored form (no raw CR or TAB; see toStoredForm).
struct DictionaryRule {
    std::string search;
    std::string replacement;
    std::string options; // a RuleOptions text
    std::string comment;

    bool operator==(const DictionaryRule&) const = default;
};

// The option flags of a rule: one character per position, "*" on and any
// other character off; a position past the end of a shorter text is off.
// Characters after the eighth are kept in the rule's text and ignored.
//
// This is the one reader of an options text. An object holds the eight flags
// it read, nothing of the text, so it may outlive the text it was read from.
class RuleOptions {
public:
    enum Position : int {
        RegularExpression = 1,
        Candidates = 2,
        Confirm = 3,
        Script = 4,
        CaseSensitive = 5,
        Greedy = 6,
        DotMatchAll = 7,
        MatchEmpty = 8,
    };
    // The options of a new rule: every position off.
    static constexpr std::string_view newRule = "--------";

    explicit RuleOptions(std::string_view text);
    // Position p (1 to 8); any other position is off.
    bool isOn(int position) const;
    // Position p (1 to 8) counts the bytes of the text.
    static bool isOn(std::string_view text, int position);
    // The editor's completion of a text read from a file: an empty text
    // becomes all off, one of exactly four characters gets four off positions
    // appended, any other stays as it is.
    static std::string completed(std::string_view text);

private:
    uint8_t on_ = 0; // bit p - 1 for position p
};

// A text as typed, in stored form: every CR becomes "\r", then every TAB "\t".
// Nothing else changes (a backslash is not doubled).
std::string toStoredForm(std::string_view typed);

// The editor window's frame that a header line carries.
struct DictionaryFrame {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    bool operator==(const DictionaryFrame&) const = default;
};

inline constexpr std::string_view dictionaryHeaderName = "Tesvora Dictionary";
// At most this many first bytes of a file go to the encoding detector.
inline constexpr size_t dictionarySampleLimit = 1000;

// A line whose first comma-separated field (the whole line when it holds no
// comma) is "Tesvora Dictionary", ignoring case.
bool isDictionaryHeader(std::string_view line);
// The header's sixth comma-separated field is "UTF8", ignoring case.
bool headerNamesUtf8(std::string_view line);
// Fields 2 to 5 read as decimal numbers; a field that is missing or does not
// begin with a number gives 0.
DictionaryFrame headerFrame(std::string_view line);
// The header this program writes, without its line end.
std::string headerLine(const DictionaryFrame& frame);

// The lines of a dictionary file, decoded to UTF-8.
//
// Line ends: a line ends at CR; in a text whose every CR is followed by LF
// (written with CR LF line ends) at the pair CR LF. Any other LF is kept as
// part of its line, so a rule text that begins with LF reads back whole from
// this program's files. A text that holds no CR at all is read at LF. A final
// line end adds no line.
//
// Encodings: a leading UTF-8 byte-order mark is skipped (the detector has
// already seen the raw bytes). A UTF-16 file is decoded whole before it is
// split, so no byte of a UTF-16 unit is taken for a line end; a file guessed
// as UTF-16 that begins with a header in single bytes is none, and is read as
// UTF-8 (a zero byte in a rule misleads the detector); any other file
// is split first and each line decoded on its own, so that a header can
// switch the rest of the file to UTF-8 (takeUtf8). A line taken as UTF-8 must
// be valid UTF-8.
class DictionaryLines {
public:
    // The bytes must outlive the reader.
    DictionaryLines(std::string_view fileBytes, TextEncodingRef encoding);

    // The next line, or nothing after the last one. Throws EncodingException
    // for a line that does not decode, and NilObjectException when a line needs
    // converting but no encoding was given.
    std::optional<std::string> next();
    // The lines after the one read last are UTF-8 (taken without conversion).
    void takeUtf8();

private:
    std::optional<std::string_view> nextRaw(std::string_view text);

    std::string_view bytes_;
    TextEncodingRef encoding_;
    bool wholeDecoded_ = false; // UTF-16: split the decoded text
    bool decodedReady_ = false;
    std::string decoded_;
    bool crEnds_ = true;
    bool crLfEnds_ = false;
    size_t position_ = 0;
};

// What the editor's reader makes of a dictionary file.
struct EditorDictionary {
    std::vector<DictionaryRule> rules;
    // The frame of the last header read, if any.
    std::optional<DictionaryFrame> frame;
    // Lines that held no TAB, space or comma (an empty line too); each gave a
    // rule with empty texts and options all off. The editor shows its notice
    // for them.
    int malformedLines = 0;
};

// The editor's reader. While no rule has been read a header line sets the
// frame (the last one wins) and may switch the rest to UTF-8; any other line,
// and a header after a rule, is a rule: split at TAB, else at space, else at
// ",", taking the first four fields as they stand; then the options are
// completed (RuleOptions::completed). Yields once per line.
EditorDictionary parseDictionary(std::string_view fileBytes, const TextEncodingRef& encoding);

// The file as this program writes it: the header, then every rule, each line
// ended by CR. The texts are written as they are (they are in stored form); a
// raw CR or TAB in one is written in stored form, so no line breaks apart.
std::string serializeDictionary(const DictionaryFrame& frame, const std::vector<DictionaryRule>& rules);

} // namespace tv
