#pragma once
// Reading and writing dictionary files in the folder "Dictionary".

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "dictionary/core/DictionaryFormat.h"
#include "encoding/core/TextEncoding.h"
#include "platform/core/FolderItem.h"

namespace tv {

// The encoding detector as the readers use it: the encoding guessed for a
// sample of a file's first bytes.
using EncodingJudge = std::function<TextEncodingRef(std::string_view sample)>;

// The whole content of a dictionary file. Raises IOException when the item
// is missing, is a folder or cannot be read.
std::string readDictionaryBytes(const FolderItem& file);

// The detector's sample of a file's content: its first bytes, at most
// dictionarySampleLimit. Yields once per byte, as every loop over a file does.
std::string_view dictionarySample(std::string_view fileBytes);

// The editor's reader. A nil item or a file that does not exist reads as an
// empty dictionary without a frame. Raises IOException for a file that exists
// but cannot be read, EncodingException for a line that does not decode.
EditorDictionary readDictionaryFile(const FolderItem& file, const EncodingJudge& judge);
// The same with a detector of its own, as the editor reads.
EditorDictionary readDictionaryFile(const FolderItem& file);

// The editor's writer: the header with the frame, then every rule. The bytes
// go to a temporary file beside the dictionary, which then replaces it, so a
// failure leaves the old file whole; the file gets type "dict" and creator
// "Tv9x". Returns false, writing nothing, for a nil item (no file can be
// formed for the name); raises IOException when writing fails.
bool writeDictionaryFile(const FolderItem& file, const DictionaryFrame& frame,
                         const std::vector<DictionaryRule>& rules);

// What the editor's save came to.
struct DictionarySaveResult {
    bool saved = false;
    // Why it failed, for the editor's message; empty after a save.
    std::string error;

    explicit operator bool() const { return saved; }
};

// The editor's save through the writer above. A file that no longer exists
// is created, and so is the folder meant to hold it when only that folder is
// missing, so the rules are never lost for want of a file. Never throws: a
// failure (no file can be formed for the name, a folder in the way, no
// permission, a full disk) comes back with its reason, the old file whole.
DictionarySaveResult saveDictionaryFile(const FolderItem& file, const DictionaryFrame& frame,
                                        const std::vector<DictionaryRule>& rules);

} // namespace tv
