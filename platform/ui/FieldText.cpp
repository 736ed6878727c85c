#include "platform/ui/FieldText.h"

#include <QPlainTextEdit>
#include <QTextDocument>
#include <QVariant>

namespace tv {

namespace {

const char* const kProposal = "tvProposal";
const char* const kShown = "tvProposalShown";

// What the document holds, breaks included, before any plain reading.
QString rawText(const QPlainTextEdit* field)
{
    return field->document()->toRawText();
}

} // namespace

void setFieldText(QPlainTextEdit* field, const std::string& text)
{
    if (!field)
        return;
    field->setPlainText(QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())));
    field->setProperty(kProposal, QByteArray(text.data(), static_cast<qsizetype>(text.size())));
    field->setProperty(kShown, rawText(field));
}

std::string fieldText(const QPlainTextEdit* field)
{
    if (!field)
        return {};
    const QString raw = rawText(field);
    const QVariant shown = field->property(kShown);
    if (shown.isValid() && shown.toString() == raw) {
        const QByteArray proposal = field->property(kProposal).toByteArray();
        return std::string(proposal.constData(), static_cast<size_t>(proposal.size()));
    }
    QString text = raw;
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\r'));
    return text.toStdString();
}

bool fieldShows(const QPlainTextEdit* field, const std::string& text)
{
    if (!field)
        return false;
    const QVariant shown = field->property(kShown);
    if (shown.isValid() && shown.toString() == rawText(field)) {
        const QByteArray proposal = field->property(kProposal).toByteArray();
        return proposal == QByteArray(text.data(), static_cast<qsizetype>(text.size()));
    }
    return fieldText(field) == text;
}

} // namespace tv
