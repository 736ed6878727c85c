#include "platform/ui/QtServices.h"

#include "platform/core/Dispatch.h"
#include "platform/core/FileTypes.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QFileSystemModel>
#include <QMimeData>
#include <QSortFilterProxyModel>
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

// Shows the folders and the files of one declared type, by their stored type
// code as well as by their extension: a workspace file named without ".work"
// is offered too.
class TypeFilter : public QSortFilterProxyModel {
public:
    TypeFilter(std::string typeName, QObject* parent) : QSortFilterProxyModel(parent), typeName_(std::move(typeName)) {}

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
        if (!files)
            return true;
        const QModelIndex index = files->index(row, 0, parent);
        if (files->isDir(index))
            return true;
        bool accepted = false;
        guarded([&] { accepted = FileTypes::accepts(typeName_, itemFor(files->filePath(index))); });
        return accepted;
    }

private:
    std::string typeName_;
};

// A declared type with codes of its own (not "special/any" or a folder).
bool isTypedDocument(const std::string& typeName)
{
    const FileType* t = FileTypes::byName(typeName);
    return t && t != &FileTypes::pAny() && t != &FileTypes::pFolder() && !t->MacType.empty();
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
    if (isTypedDocument(typeName)) {
        QFileDialog dialog(QApplication::activeWindow());
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setProxyModel(new TypeFilter(typeName, &dialog));
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return {};
        return itemFor(dialog.selectedFiles().front());
    }
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
