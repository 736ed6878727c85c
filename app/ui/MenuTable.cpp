// The five menus of the menu bar, top to bottom, as data.

#include "app/ui/App.h"

namespace tv {

const std::vector<MenuBar::ItemSpec>& menuTable()
{
    using S = MenuBar::ItemSpec;
    auto title = [](const char* name, const char* text, bool autoEnable = false) {
        S s;
        s.name = name;
        s.text = text;
        s.autoEnable = autoEnable;
        s.depth = 0;
        return s;
    };
    auto item = [](const char* name, const char* text, const char* shortcut = "", bool autoEnable = false,
                    int depth = 1) {
        S s;
        s.name = name;
        s.text = text;
        s.shortcut = shortcut;
        s.autoEnable = autoEnable;
        s.depth = depth;
        return s;
    };
    auto submenu = [](const char* name, const char* text) {
        S s;
        s.name = name;
        s.text = text;
        s.submenuTitle = true;
        return s;
    };
    auto member0 = [](const char* name, int depth) {
        S s;
        s.name = name;
        s.text = "-";
        s.depth = depth;
        s.arrayMember = true;
        return s;
    };
    static const std::vector<S> table = {
        title("UntitledMenu3", "ファイル"),
        item("fileopen", "開く...", "Cmd+O"),
        submenu("openResent", "最近校正した書類"),
        item("clearResent", "このメニューを消去", "", false, 2),
        member0("resentListMenu", 2),
        item("folderOpen", "フォルダを開く..."),
        item("UntitledMenu6", "-"),
        item("winclose", "閉じる", "Cmd+W"),
        item("fileSave", "保存", "Cmd+S"),
        item("UntitledMenu5", "-"),
        item("openclip", "クリップボードに読み込む..."),
        item("doclip", "クリップボードを校正", "Cmd+B"),
        item("saveClip", "クリップボードを保存", "Cmd+Option+S"),
        item("UntitledMenu4", "-"),
        item("FileQuit", "Tesvora を終了", "Cmd+Q", true),

        title("EditMenu", "編集"),
        item("EditCut", "カット", "Cmd+X"),
        item("EditCopy", "コピー", "Cmd+C"),
        item("EditPaste", "ペースト", "Cmd+V"),
        item("EditClear", "消去"),
        item("selectAllMenu", "すべてを選択", "Cmd+A"),
        member0("dummy", 1),
        item("prefMenu", "環境設定...", "Cmd+,", true),

        title("dicMenu", "辞書"),
        item("newdic", "新規辞書作成...", "Cmd+N"),
        submenu("diceditMenu", "辞書編集"),
        item("dicSelectedEdit", "選択中の辞書", "Cmd+E", false, 2),
        member0("dicEditList", 2),
        member0("dicList", 1),

        title("UntitledMenu0", "ワークスペース"),
        item("doProofread", "校正開始", "Cmd+R"),
        item("UntitledMenu2", "-"),
        item("newWorkspace", "新規ワークスペース", "Cmd+Option+N"),
        item("openWorkspace", "ワークスペースを開く...", "Cmd+Option+O"),
        item("UntitledMenu1", "-"),
        item("addDictionary", "辞書を追加..."),
        item("addFile", "ファイルを追加..."),
        item("addFolder", "フォルダを追加..."),

        title("helpMenu", "Help", true),
        item("About", "Tesvora について..."),
        item("helpManual", "Tesvora マニュアル", "", true),
        item("helpGrep", "正規表現マニュアル", "", true),
        item("helpWizardMenu", "お試し検索パレット", "", true),
    };
    return table;
}

} // namespace tv
