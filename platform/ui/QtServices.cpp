#include "platform/ui/QtServices.h"

#include "platform/core/Dispatch.h"
#include "platform/core/FileTypes.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QMimeData>
#include <QUrl>

namespace tv {

namespace {

QString filterFor(const std::string& typeName)
{
    const FileType* t = FileTypes::byName(typeName);
    if (!t || t == &FileTypes::pAny() || t->Extensions.empty())
        return {};
    QStringList patterns;
    for (const std::string& e : t->extensionList())
        patterns << QStringLiteral("*.") + QString::fromStdString(e);
    return QString::fromStdString(t->Name) + QStringLiteral(" (") + patterns.join(QLatin1Char(' '))
        + QStringLiteral(")");
}

FolderItem itemFor(const QString& path)
{
    if (path.isEmpty())
        return {};
    return FolderItem::fromPath(QFile::encodeName(path).toStdString());
}

} // namespace

void QtServices::openMessageBox(const std::string& text, std::function<void()> closed)
{
    openInformativeMessageBox(text, std::string(), std::move(closed));
}

void QtServices::openInformativeMessageBox(const std::string& text, const std::string& informativeText,
                                           std::function<void()> closed)
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, QStringLiteral("Tesvora"),
        QString::fromStdString(text), QMessageBox::Ok, QApplication::activeWindow());
    if (!informativeText.empty())
        box->setInformativeText(QString::fromStdString(informativeText));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::ApplicationModal);
    QObject::connect(box, &QDialog::finished, box, [closed](int) {
        if (closed)
            guarded(closed);
    });
    box->open();
}

void QtServices::beep()
{
    QApplication::beep();
}

FolderItem QtServices::getOpenFolderItem(const std::string& typeName)
{
    return itemFor(QFileDialog::getOpenFileName(QApplication::activeWindow(), QString(), QString(),
        filterFor(typeName)));
}

FolderItem QtServices::selectFolder(const std::string& prompt)
{
    return itemFor(QFileDialog::getExistingDirectory(QApplication::activeWindow(),
        QString::fromStdString(prompt)));
}

FolderItem QtServices::getSaveFolderItem(const std::string& typeName, const std::string& defaultName)
{
    return itemFor(QFileDialog::getSaveFileName(QApplication::activeWindow(), QString(),
        QString::fromStdString(defaultName), filterFor(typeName)));
}

bool QtServices::clipboardHasText()
{
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasText();
}

std::string QtServices::clipboardText()
{
    return QApplication::clipboard()->text().toStdString();
}

void QtServices::setClipboardText(const std::string& text)
{
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

void QtServices::showURL(const std::string& url)
{
    QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

} // namespace tv
