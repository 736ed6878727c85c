#include "trial/core/PatternGuides.h"

#include "platform/core/Text.h"

#include <algorithm>

namespace tv {

namespace {

GuideItem row(std::string_view pattern, std::string_view description, int tabs = 2)
{
    return {std::string(pattern) + std::string(size_t(tabs), '\t') + std::string(description)};
}

GuideItem separator()
{
    return {"", true};
}

std::vector<GuideMenu> buildMenus()
{
    const std::string quote = "\"";
    const std::string tag = "<(" + quote + ".*?" + quote + "|'.*?'|[^'" + quote + "])*?>";
    const std::string mailPart = "[a-zA-Z0-9_¥-¥.]+";
    const std::string mail = mailPart + "@" + mailPart + "¥.[a-zA-Z]+";
    const std::string url = "http" + std::string("s?") + "://" + "[a-zA-Z0-9;/?:" + "@" +
                            "&=¥+$,¥-_¥.!~*'¥(¥)%#]+";
    const GuideItem capitalWord = row("¥b[A-Z]¥w*¥b", "大文字から始まる英単語");

    return {
        {"単一の文字",
         {row(".", "改行をのぞく全ての文字"),
          row("¥n", "ラインフィード(LF)"),
          row("¥r", "キャリッジリターン(CR)"),
          row("¥t", "タブ文字"),
          row("¥f", "フォームフィード"),
          row("¥b", "バックスペース文字(文字クラス内)"),
          row("¥0", "ヌル文字"),
          row("¥nnn", "8進数値nnnで示す文字", 1),
          row("¥xnn", "16進数値nnで示す文字", 1),
          row("¥cX", "コントロール文字(Ctrl+X)"),
          row("¥¥", "¥自体"),
          row("¥.", ".自体"),
          separator(),
          row("¥d", "数字"),
          row("¥D", "数字以外の文字"),
          row("¥w", "英数字または_"),
          row("¥W", "英数字と_以外の文字"),
          row("¥s", "空白文字"),
          row("¥S", "空白文字以外の文字")}},
        {"文字クラス",
         {row("[abc]", "a,b,cのいずれか"),
          row("[^abc]", "a,b,c以外の文字"),
          row("[abc^]", "a,b,cまたは^"),
          row("[a-z]", "a～zのうちの文字"),
          row("[^a-z]", "a～z以外の文字"),
          row("[a-zA-Z]", "a～zまたはA～Zのうちの文字", 1),
          row("[a-z-[ew]]", "a～z、ただしeとwを除く文字", 1),
          row("[a-z-[e-w]]", "a～z、ただしeからwを除く文字", 1),
          row("[a-z-]", "a～zまたは-"),
          row("[[]", "[ ", 3),
          row("[]]", "] ", 3)}},
        {"繰り返し",
         {row("x?", "0個または1個のx"),
          row("x*", "0個以上のx"),
          row("x+", "1個以上のx"),
          row("x{m,n}", "m 個以上n個以下のx", 1)}},
        {"文字の境界",
         {row("^", "行の先頭"),
          row("$", "行の末尾"),
          row("¥b", "単語の境界"),
          row("¥B", "単語の境界以外")}},
        {"グループ",
         {row("(pattern)", "グループ化を行い、後方参照を許可"),
          row("(?:pattern)", "グループ化のみを行い、後方参照は許可しない"),
          row("(?#text)", "コメント", 3)}},
        {"後方参照",
         {row("¥1", "1番目のグループ"),
          row("¥2", "2番目のグループ"),
          row("¥3", "3番目のグループ"),
          row("¥4", "4番目のグループ"),
          row("¥5", "5番目のグループ")}},
        {"前後読み",
         {row("(?=pattern)", "先読み宣言"),
          row("(?!pattern)", "否定の先読み宣言"),
          row("(?<=pattern)", "後読み宣言", 1),
          row("(?<!pattern)", "否定の後読み宣言")}},
        {"置換パターン",
         {row("$`", "検索前のターゲット文字列全体で置換"),
          row("$&", "検索対象の領域全体"),
          row("$'", "一致したテキストに続く検索対象の領域全体で置換"),
          separator(),
          row("$0", "検索対象の領域全体"),
          row("$1", "1番目のグループ"),
          row("$2", "2番目のグループ"),
          row("$3", "3番目のグループ"),
          row("$4", "4番目のグループ"),
          row("$5", "5番目のグループ")}},
        {"HTMLタグ",
         {row(tag, "HTMLタグ"),
          row("<title>(.*?)</title>", "titleタグの要素")}},
        {"Mail・URL",
         {row(mail, "メール"),
          row(url, "URL"),
          row("¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}¥.¥d{1,3}", "IPアドレス")}},
        {"日付・時刻",
         {row("[12]¥d{3}/(0?[1-9]|1[0-2])/(0?[1-9]|[12][0-9]|3[01])", "YYYY/MM/DD"),
          row("([01][0-9]|2[0-3]):[0-5][0-9](:[0-5][0-9])?", "HH:MM:SS")}},
        {"郵便・電話",
         {row("¥d{3}(|-¥d{2}|-¥d{4})", "郵便番号"),
          row("0¥d{1,4}-¥d{1,4}-¥d{4}", "電話番号")}},
        {"数値",
         {row("(0|[-+]?[1-9][0-9]*)(¥.¥d+)?", "数字(小数も可)"),
          row("(0|[-+]?[1-9][0-9]*)", "数字(整数)"),
          row("¥d{1,3}(,¥d{3})*", "数字(カンマ区切り)"),
          row("(100|[1-9]?[0-9](¥.¥d+)?)%", "0〜100%(小数も可)")}},
        {"単語",
         {row("¥b¥w+¥b", "英単語", 3),
          row("¥b[a-zA-Z]+¥b", "英単語(数字、_含まず)"),
          capitalWord}},
        {"ファイル",
         {row("[/¥w¥-]+", "ファイル名(相対パス)"),
          row("(/[¥w¥-]+)+", "ファイル名(絶対パス)"),
          capitalWord}},
        {"改行",
         {row("¥x0A", "改行コード(LF)"),
          row("¥x0D", "改行コード(CR)"),
          row("¥x0D¥x0A", "改行コード(CR+LF)"),
          row("^¥s*$", "空白行")}},
    };
}

} // namespace

const std::vector<GuideMenu>& guideMenus()
{
    static const std::vector<GuideMenu> menus = buildMenus();
    return menus;
}

std::string guidePiece(std::string_view row)
{
    return std::string(row.substr(0, row.find('\t')));
}

std::string guideCaption(std::string_view row)
{
    return ReplaceAllB(row, "&", "&&");
}

std::string nextGroupReference(std::string_view replacement)
{
    // The number is read as a whole number of the framework's width, so a
    // very long one counts as the largest; the next one is counted in 64 bits
    // and cannot overflow.
    int64_t highest = 0;
    for (size_t i = 0; i < replacement.size(); ++i)
        if (replacement[i] == '$')
            highest = std::max<int64_t>(highest, toInt32(Val(replacement.substr(i + 1))));
    return "$" + Str(highest + 1);
}

std::optional<std::string> wildcardInsertion(TrialField focused, std::string_view replacement)
{
    switch (focused) {
    case TrialField::Find:
        return std::string(kWildcardGroup);
    case TrialField::Replace:
        return nextGroupReference(replacement);
    default:
        return std::nullopt;
    }
}

} // namespace tv
