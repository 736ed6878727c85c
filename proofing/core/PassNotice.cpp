#include "proofing/core/PassNotice.h"

#include "app/core/AppState.h"
#include "platform/core/Text.h"

namespace tv {

ResultNotice resultNotice(const AppState& app, bool manyFiles, bool changed, int files, int saved,
                          int replacements, int unsaved)
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
    if (!app.isClip && unsaved >= 1) {
        // Changes were made and thrown away: never "nothing found".
        const std::string lost = Str(unsaved) + " ファイルは保存できませんでした";
        if (saved >= 1) {
            notice.message = "ファイルの校正を行いました。";
            notice.summary = app.isFastProof
                ? lost
                : Str(files) + " ファイル中 " + Str(saved) + " ファイルの " + Str(replacements) +
                      " ヶ所を校正、" + lost;
        } else {
            notice.message = "校正したファイルを保存できませんでした。";
            notice.summary = Str(files) + " ファイル中 " + lost +
                             (app.isFastProof ? std::string()
                                              : "（" + Str(replacements) + " ヶ所の校正）");
        }
        return notice;
    }
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
