#include "dictionary/core/DictionaryFile.h"

#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"
#include "platform/core/Thread.h"

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
        yieldToOthers();
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
    writeFileSafely(file, serializeDictionary(frame, rules));
    // The codes are a courtesy for the file's listing: a file system without
    // extended attributes still has the dictionary, known by its header.
    file.setMacType("dict");
    file.setMacCreator("Tv9x");
    return true;
}

} // namespace tv
