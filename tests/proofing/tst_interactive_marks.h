#pragma once
// What a test reads of the confirmation window's text box: the runs of text
// marked red and underlined, in order, a break inside a run as "\n".

#include <QColor>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QPlainTextEdit>

namespace tv::test {

inline QStringList markedRuns(QPlainTextEdit* box)
{
    QStringList runs;
    QString run;
    bool open = false;
    bool breakPending = false; // a run reached the end of a block
    for (QTextBlock b = box->document()->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const bool marked = f.foreground().color() == QColor(255, 0, 0) && f.fontUnderline();
            if (marked) {
                if (breakPending)
                    run += QLatin1Char('\n');
                run += it.fragment().text();
                open = true;
            } else if (open) {
                runs << run;
                run.clear();
                open = false;
            }
            breakPending = false;
        }
        breakPending = open;
    }
    if (open)
        runs << run;
    return runs;
}

} // namespace tv::test
