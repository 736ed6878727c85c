#include "platform/ui/QtServices.h"

#include "platform/core/Dispatch.h"
#include "platform/core/FileTypes.h"
#include "platform/core/Thread.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QEventLoop>
#include <QFileDialog>
#include <QMessageBox>
#include <QFileSystemModel>
#include <QMimeData>
#include <QPointer>
#include <QSortFilterProxyModel>
#include <QUrl>

#include <memory>

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

// A file dialog, opened without a nested event loop of its own: a pass's
// worker waits for the answer by letting the event loop run, as it does for
// a message box; the main side waits in a loop that ends with the dialog.
// The chosen path, or empty when the dialog was cancelled.
QString runFileDialog(QFileDialog::AcceptMode accept, QFileDialog::FileMode mode, const QString& caption,
                      const QString& proposed, const QString& filter, const std::string& typeName = {})
{
    struct Answer {
        bool done = false;
        QString path;
    };
    auto answer = std::make_shared<Answer>();
    QPointer<QFileDialog> dialog = new QFileDialog(QApplication::activeWindow(), caption, QString(), filter);
    dialog->setAcceptMode(accept);
    dialog->setFileMode(mode);
    if (mode == QFileDialog::Directory)
        dialog->setOption(QFileDialog::ShowDirsOnly);
    if (!proposed.isEmpty())
        dialog->selectFile(proposed);
    if (isTypedDocument(typeName)) {
        // Qt's own dialog, which takes a filter of ours.
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setProxyModel(new TypeFilter(typeName, dialog));
    }
    dialog->setWindowModality(Qt::ApplicationModal);
    QObject::connect(dialog, &QDialog::finished, dialog, [answer, dialog](int result) {
        if (result == QDialog::Accepted && dialog)
            answer->path = dialog->selectedFiles().value(0);
        answer->done = true;
    });
    // Closed by any other way (the program quitting): no answer.
    QObject::connect(dialog, &QObject::destroyed, [answer] { answer->done = true; });
    dialog->open();
    if (onWorker()) {
        while (!answer->done)
            doEvents(50);
    } else {
        QEventLoop loop;
        QObject::connect(dialog, &QDialog::finished, &loop, &QEventLoop::quit);
        QObject::connect(dialog, &QObject::destroyed, &loop, &QEventLoop::quit);
        if (!answer->done)
            loop.exec();
    }
    if (dialog)
        dialog->deleteLater();
    return answer->path;
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
    // A type with codes of its own is offered by its filter, which knows
    // files by their codes as well as by their extensions.
    const bool typed = isTypedDocument(typeName);
    return itemFor(runFileDialog(QFileDialog::AcceptOpen, QFileDialog::ExistingFile, QString(), QString(),
        typed ? QString() : filterFor(typeName), typed ? typeName : std::string()));
}

FolderItem QtServices::selectFolder(const std::string& prompt)
{
    return itemFor(runFileDialog(QFileDialog::AcceptOpen, QFileDialog::Directory,
        QString::fromStdString(prompt), QString(), QString()));
}

FolderItem QtServices::getSaveFolderItem(const std::string& typeName, const std::string& defaultName)
{
    return itemFor(runFileDialog(QFileDialog::AcceptSave, QFileDialog::AnyFile, QString(),
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
