#pragma once
class QWidget;

// How the supplier warranty card is reached: the menu, the delivery's
// "Серийни номера" and the warranty-product import.
namespace WarrantyWindows {
void openCard(QWidget *parent); // a new card window, shown modally
// "Гаранционни продукти" of "Импорт на данни": the chosen file fills a new
// card, which is then shown; a faulty file shows no card.
void N_Import_Garanc_ProdClick(QWidget *parent);
// Registers the card with the delivery window.
void install();
} // namespace WarrantyWindows
