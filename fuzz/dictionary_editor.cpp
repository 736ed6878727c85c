// The editor's dictionary reader on any bytes, with the encoding the
// detector guesses, as a dictionary is opened. What it reads, written and
// read back, gives the same rules and frame, and written again the same
// bytes.

#include "FuzzSupport.h"

#include "dictionary/core/DictionaryFile.h"
#include "dictionary/core/DictionaryFormat.h"
#include "encoding/core/detectKanji.h"
#include "platform/core/Errors.h"

#include <cstdint>

using namespace tv;

namespace {

EditorDictionary read(std::string_view bytes)
{
    static const detectKanji detector;
    return parseDictionary(bytes, detector.JudgeCode(dictionarySample(bytes)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    EditorDictionary first;
    try {
        first = read(fuzz::bytesOf(data, size));
    } catch (const EncodingException&) {
        return 0; // a line that does not decode: the editor says so
    }
    const DictionaryFrame frame = first.frame.value_or(DictionaryFrame {});
    const std::string written = serializeDictionary(frame, first.rules);
    EditorDictionary back;
    try {
        back = read(written);
    } catch (const EncodingException&) {
        fuzz::failed("a dictionary this program wrote does not read back");
    }
    fuzz::expect(back.frame && *back.frame == frame, "the frame changed on the way");
    fuzz::expect(back.malformedLines == 0, "a written rule reads back as malformed");
    fuzz::expect(back.rules == first.rules, "the rules changed on the way");
    fuzz::expect(serializeDictionary(*back.frame, back.rules) == written, "written again, other bytes");
    return 0;
}
