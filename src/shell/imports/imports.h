#pragma once
class QWidget;

// The commands of the menu "Импорт на данни" (the warranty products are
// imported by the warranty-card window).
namespace Imports {
void N_Import_artClick(QWidget *owner);
void N_Import_KontragentsClick(QWidget *owner);
void N_Imp_Nomenkl_KontragClick(QWidget *owner);
} // namespace Imports
