#include "dictionary/core/DictionaryFile.h"

#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "dictionary/core/StepYield.h"

#include <cstring>

namespace tv {

std::string readDictionaryBytes(const FolderItem& file)
{
    if (!file.Exists())
        throw IOException("the dictionary file " + file.path() + " does not exist");
    if (file.Directory())
        throw IOException("the dictionary " + file.path() + " is a folder");
    return file.readAll();
}

std::string_view dictionarySample(std::string_view fileBytes)
{
    std::string_view sample = fileBytes.substr(0, dictionarySampleLimit);
    for (size_t i = 0; i < sample.size(); ++i)
        yieldStep();
    return sample;
}

EditorDictionary readDictionaryFile(const FolderItem& file, const EncodingJudge& judge)
{
    if (!file || !file.Exists())
        return {};
    const std::string bytes = readDictionaryBytes(file);
    return parseDictionary(bytes, judge(dictionarySample(bytes)));
}

EditorDictionary readDictionaryFile(const FolderItem& file)
{
    const detectKanji detector;
    return readDictionaryFile(file, [&](std::string_view sample) { return detector.JudgeCode(sample); });
}

bool writeDictionaryFile(const FolderItem& file, const DictionaryFrame& frame,
                         const std::vector<DictionaryRule>& rules)
{
    if (!file)
        return false;
    // A file system without extended attributes keeps no codes; the
    // dictionary is then known by its header.
    writeFileSafely(file, serializeDictionary(frame, rules), "dict", "Tv9x");
    return true;
}

DictionarySaveResult saveDictionaryFile(const FolderItem& file, const DictionaryFrame& frame,
                                        const std::vector<DictionaryRule>& rules)
{
    DictionarySaveResult result;
    if (!file) {
        result.error = "no file can be formed for the dictionary's name";
        return result;
    }
    try {
        const FolderItem folder = file.Parent();
        if (folder && !folder.Exists() && folder.Parent() && folder.Parent().Directory())
            folder.CreateAsFolder();
        result.saved = writeDictionaryFile(file, frame, rules);
    } catch (const IOException& e) {
        result.error = e.what();
        if (e.errorNumber() != 0)
            result.error += std::string(": ") + std::strerror(e.errorNumber());
    } catch (const RuntimeException& e) {
        result.error = e.what();
    }
    return result;
}

} // namespace tv
