#include "proofing/core/PassNotice.h"

#include "app/core/AppState.h"
#include "platform/core/Text.h"

namespace tv {

ResultNotice resultNotice(const AppState& app, bool manyFiles, bool changed, int files, int saved,
                          int replacements)
{
    ResultNotice notice;
    if (app.prefAlarmType == "none")
        return notice;
    const std::string& byFiles = app.prefAlarmFile;
    if (!((byFiles == "one" && !manyFiles) || (byFiles == "many" && manyFiles) || byFiles == "both"))
        return notice;
    const std::string& byChange = app.prefAlarmChange;
    if (!((byChange == "changed" && changed) || (byChange == "nochange" && !changed) ||
          byChange == "both"))
        return notice;
    if (app.prefAlarmType == "systembeep") {
        notice.kind = ResultNotice::Kind::Beep;
        return notice;
    }
    notice.kind = ResultNotice::Kind::Sheet;
    if (saved >= 1 || (app.isClip && changed)) {
        if (!app.isClip) {
            notice.message = "ファイルの校正を行いました。";
            if (!app.isFastProof)
                notice.summary = Str(files) + " ファイル中 " + Str(saved) + " ファイルの " +
                                 Str(replacements) + " ヶ所を校正";
        } else {
            notice.message = "クリップボードの校正を行いました。";
            if (!app.isFastProof)
                notice.summary = "クリップボード内のテキストの " + Str(replacements) + " ヶ所を校正";
        }
    } else {
        notice.message = "校正箇所はありませんでした。";
        notice.summary = app.isClip ? std::string("クリップボード内のテキストを検索しました")
                                    : Str(files) + " ファイルを検索しました";
    }
    return notice;
}

} // namespace tv
