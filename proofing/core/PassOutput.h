#pragma once
// Writing one proofread file back: its own line ends and encoding, the output
// name built from the template, the place the settings name, and the write
// itself, which never leaves a damaged or shortened file behind.

#include "encoding/core/TextEncoding.h"
#include "platform/core/FolderItem.h"
#include "proofing/core/PassIntake.h"

#include <string>
#include <string_view>

namespace tv {

class AppState;

// Every line end (CR LF, lone LF, lone CR) as the form; CR leaves the text
// as it is.
void restoreLineEnds(std::string& text, LineEnd form);

// UTF-8 text as bytes of the encoding; UTF-8 itself unchanged. Raises
// EncodingException for a character the encoding cannot hold. With forms
// (those of the file the text came from), each character is written in the
// form that file used.
std::string encodeFromUtf8(std::string_view text, const TextEncodingRef& encoding,
                           const TextForms* forms = nullptr);

// The output name: prefix, base and suffix, then "." and the extension when
// there is one. Only a name with exactly one "." is split into base and
// extension; a non-empty new extension replaces the old one. `expanded` is
// the template after its date and time tokens: suffix TAB prefix TAB new
// extension, a missing field counting as empty.
std::string outputName(std::string_view displayName, std::string_view expanded);

// The file to write for the source under the output name, by
// App.prefSaveType: beside the source ("sameplace"), chosen in a save dialog
// ("dialog"), or in the fixed folder App.prefSavePlace ("absolutepath"),
// joined with exactly one "/". Nil when none can be named: another keyword,
// a cancelled dialog, a fixed folder that is empty, relative or not an
// existing folder, or a name that cannot be a file name.
FolderItem outputTarget(const AppState& app, const FolderItem& source, const std::string& name);
// The path outputTarget gives for a place that asks nothing, found without
// looking at the disk (so its folder may not exist); empty for the dialog and
// where no path can be named.
std::string expectedOutputPath(const AppState& app, const FolderItem& source, const std::string& name);

// Writes the bytes to the target through writeFileSafely: the file carries the
// source's type and the creator (App.prefCreator, else the source's), and a
// new one the source's permission bits. Raises IOException when the write
// fails; the old file, if any, stays whole. Returns the folder written in,
// for a caller that syncs it (FolderSync::ByCaller).
std::string writeOutput(const FolderItem& target, const FolderItem& source, std::string_view bytes,
                        const std::string& prefCreator, FolderSync folderSync = FolderSync::Now);

} // namespace tv
