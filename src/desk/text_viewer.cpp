#include "desk/text_viewer.h"

#include "common/program_folder.h"
#include "common/text_file.h"

#include <QDir>

namespace TextViewer {
namespace {
std::function<void(const QString &, QWidget *)> g_viewer;
}

void setViewer(std::function<void(const QString &, QWidget *)> viewer)
{
    g_viewer = std::move(viewer);
}

QString path(const QString &fileName)
{
    return QDir(ProgramFolder::tempFolder()).filePath(fileName);
}

bool show(const QString &fileName, const QStringList &lines, QWidget *parent, QString *error)
{
    const QString file = path(fileName);
    if (!TextFile::writeAtomic(file, lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n", error))
        return false;
    if (g_viewer)
        g_viewer(file, parent);
    return true;
}
} // namespace TextViewer
