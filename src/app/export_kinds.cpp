#include "app/export_kinds.h"

QString ExportViewer = QStringLiteral("Notepad.exe");
QString ExportExtension = QStringLiteral(".txt");
QString ExportSeparator = QStringLiteral("|");

const QList<ExportKind> &ExportKinds::all()
{
    static const QList<ExportKind> kinds = {
        {"Текстов файл", "Notepad.exe", ".txt", "|"},
        {"Excel", "Excel.exe", ".xls", "\t"},
        {"Word", "Word.exe", ".rtf", "\t"},
        {"HTML", "", ".html", "\t"},
    };
    return kinds;
}

bool ExportKinds::apply(int index)
{
    if (index < 0 || index >= all().size())
        return false;
    const ExportKind &k = all().at(index);
    ExportViewer = QString::fromUtf8(k.viewer);
    ExportExtension = QString::fromUtf8(k.extension);
    ExportSeparator = QString::fromUtf8(k.separator);
    return true;
}

int ExportKinds::currentIndex()
{
    for (int i = 0; i < all().size(); ++i)
        if (ExportExtension == QString::fromUtf8(all().at(i).extension))
            return i;
    return -1;
}

void ExportKinds::resetToStart()
{
    apply(0);
}
