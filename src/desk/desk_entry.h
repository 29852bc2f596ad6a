#pragma once
#include "desk/desk_search.h"

#include <QObject>

#include <exception>
#include <functional>

#include <optional>

class ShopDesk;
namespace ArticlePick {
struct Picked;
}

// The entry row of the shop desk: the search prefix, the article search and
// its hit list, the extras an article needs (shelf life, serial, series,
// zero price, recipe), the serial choice and the quantity and price keys.
// The found article is DeskArticleID / DeskListPrice (0 while none is
// resolved) and the row kept here.
class DeskEntry : public QObject
{
    Q_OBJECT
public:
    explicit DeskEntry(ShopDesk *desk);
    ~DeskEntry() override;

    QString SearchTable;
    QString SearchField;

    void showPrefixes();        // Space in Edit_Barkod, double-click on Label_Search_In
    void ListBox_PrefixesDblClick();
    void ListBox_PrefixesEscape();
    void GetTableName(QChar letter);
    void Edit_BarkodEnter();
    void Edit_BarkodExit();     // the search
    void PROVERI_ZA_POVTORENIA(const QList<DeskSearch::Hit> &hits);
    void PROVERI_ZA_DOPALNENIA();
    void ListBox_Opisanie_ArtikuliClick();
    void ListBox_Opisanie_ArtikuliDblClick();
    void SpdBtn_Select_SNClick();
    void ListBox_Select_SNDblClick();
    void ListBox_Select_SNEscape();
    bool Edit_Serien_NomerExit(); // false: the serial is missing, the focus stays
    void Edit_Do_NomerExit();
    bool Edit_BrojExit();         // the quantity check
    void Edit_Cena_NulaChange();
    void Edit_Cena_NulaEnter();
    void numpadStar();
    Decimal GET_KURS(long long article);
    void takePick(const ArticlePick::Picked &picked); // article pick mode 2
    void searchArticleNumber(long long article);      // the search by number of a line chosen for editing
    void lineAdded();

    bool searchPending() const { return m_pending; }
    std::optional<DeskSearch::Article> found() const { return m_article; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QChar prefix() const;
    void clearFound();
    // Loads the row (or takes the one the search read), fills the caption, price and currency.
    bool takeArticle(long long id, const std::optional<DeskSearch::Article> &found = std::nullopt);
    void searchFailed(const std::exception &e); // says why, in Bulgarian
    void showArticle(const DeskSearch::Article &a, bool formatted);
    void openRecipes();
    void setSearchLocked(bool locked);
    void readMoreHits(); // the next page of a name search, the list scrolled near its end
    void later(const std::function<void()> &handler); // after the current event

    struct KeyAction {
        QObject *widget;
        int key; // Qt::Key_Return stands for both Enter keys
        std::function<void()> run;
    };
    QList<KeyAction> m_keys;
    ShopDesk *d;
    std::optional<DeskSearch::Article> m_article;
    bool m_pending = false; // Edit_Barkod holds a text not searched yet
    bool m_busy = false;    // a handler is moving the focus or showing a message
    // The name search the hit list shows, while it may have more names.
    struct MoreHits {
        QString text;
        DeskSearch::Hit last;
    };
    std::optional<MoreHits> m_moreHits;
};
