#include "shell/filechoice.h"

#include "datastore/prompt.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHash>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QStandardPaths>

namespace FileChoice {
namespace {

QHash<Kind, QString> &lastFolders()
{
    static QHash<Kind, QString> folders;
    return folders;
}

// The type and date columns of the file list, which QFileSystemModel words
// after the desktop's locale.
class ChineseFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        const auto *files = qobject_cast<const QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || !files || (index.column() != 2 && index.column() != 3))
            return QIdentityProxyModel::data(index, role);
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == 3)
            return QLocale(QLocale::Chinese, QLocale::China)
                .toString(info.lastModified(), QStringLiteral("yyyy-MM-dd HH:mm"));
        if (info.isDir())
            return QStringLiteral("文件夹");
        return info.suffix().isEmpty() ? QStringLiteral("文件")
                                       : QStringLiteral("%1 文件").arg(info.suffix().toUpper());
    }
};

} // namespace

QString startFolder(Kind kind)
{
    const QString last = lastFolders().value(kind);
    if (!last.isEmpty() && QFileInfo(last).isDir())
        return last;
    QString folder = QStandardPaths::writableLocation(
        kind == Kind::Image ? QStandardPaths::PicturesLocation : QStandardPaths::DocumentsLocation);
    // A fresh account may not have the folder yet; a dialog pointed at a
    // folder that is not there opens wherever the program was started.
    if (folder.isEmpty() || !QDir().mkpath(folder) || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    return folder;
}

void remember(Kind kind, const QString &file)
{
    if (!file.isEmpty())
        lastFolders()[kind] = QFileInfo(file).absolutePath();
}

QString saveFile(Kind kind, const QString &title, const QString &name, const QString &filter)
{
    const QVariant file = Prompt::choose(
        Prompt::Kind::SaveFile, title, QStringList{QDir(startFolder(kind)).filePath(name), filter});
    if (!file.isValid() || file.toString().isEmpty())
        return {};
    remember(kind, file.toString());
    return file.toString();
}

void speakChinese(QFileDialog *dialog)
{
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setProxyModel(new ChineseFileColumns(dialog));
}

} // namespace FileChoice
