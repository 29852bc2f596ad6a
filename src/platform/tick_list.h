#pragma once
#include <QString>
#include <QStringList>

class QListWidget;
class QListWidgetItem;

// Lists whose items carry tick boxes. A click on an item, on its box or on
// its name, toggles its tick once; Space toggles the current item.
namespace TickList {
void install(QListWidget *list);
// An unticked (or ticked) item at the end of the list.
QListWidgetItem *addItem(QListWidget *list, const QString &text, bool ticked = false);
void setAll(QListWidget *list, bool ticked);
QStringList tickedTexts(const QListWidget *list); // in list order
} // namespace TickList
