// The output-name template on any text (a hand-edited preferences file can
// hold anything on its line), at any time the clock can give, and the
// output name built from any display name and that expansion.

#include "FuzzSupport.h"

#include "app/core/FormatStr.h"
#include "platform/core/Date.h"
#include "platform/core/FolderItem.h"
#include "platform/core/Text.h"
#include "proofing/core/PassOutput.h"

#include <cstdint>
#include <string>

using namespace tv;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 8)
        return 0;
    // What the local clock can give: years of four digits, and every field
    // in its range.
    Date d;
    d.Year = 1 + (data[0] | data[1] << 8) % 9999;
    d.Month = 1 + data[2] % 12;
    d.Day = 1 + data[3] % 31;
    d.Hour = data[4] % 24;
    d.Minute = data[5] % 60;
    d.Second = data[6] % 61;
    d.DayOfWeek = data[7] % 8; // 0: left for the template to work out
    std::string_view rest = fuzz::bytesOf(data + 8, size - 8);
    const size_t split = rest.find('\0');
    const std::string format(rest.substr(0, split));
    const std::string name(split == std::string_view::npos ? std::string_view() : rest.substr(split + 1));

    const std::string expanded = makeFormatStr(format, d);
    if (isValidUtf8(format))
        fuzz::expect(isValidUtf8(expanded), "a UTF-8 template expanded to bytes that are not UTF-8");
    const std::string output = outputName(name, expanded);
    if (FolderItem::isPlainName(output) && isValidUtf8(name) && isValidUtf8(expanded))
        fuzz::expect(isValidUtf8(output), "an output name that is not UTF-8");
    return 0;
}
