#include "desk/desk_entry.h"

#include "app/app_state.h"
#include "desk/desk_money.h"
#include "catalogue/article_pick.h"
#include "catalogue/article_record.h"
#include "catalogue/form_projzvodstvo.h"
#include "catalogue/stock_writer.h"
#include "common/dates.h"
#include "common/money.h"
#include "common/settings.h"
#include "desk/desk_lines.h"
#include "desk/desk_state.h"
#include "desk/shop_desk.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

namespace {
// A focus change the user made (not a dialog or another window taking it).
bool userLeft(QEvent *event)
{
    const auto reason = static_cast<QFocusEvent *>(event)->reason();
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

// Sets the flag for the scope: the handler's own focus moves and messages
// must not run the focus handlers again.
class Busy
{
public:
    explicit Busy(bool &flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~Busy() { m_flag = m_was; }

private:
    bool &m_flag;
    bool m_was;
};

QString priceText(Decimal price)
{
    return Money::formatWidth(price, 4, PriceDecimals);
}
// Names that all fit the list's width are laid out by one item's size, not
// each one shaped and measured. A name that may not fit is measured, and one
// that does not has every name measured, so the list scrolls sideways to it
// instead of cutting it short.
void addHits(QListWidget *list, const QList<DeskSearch::Hit> &hits, int width)
{
    const QFontMetrics fm(list->font());
    const int room = width - 2 * list->frameWidth() - list->verticalScrollBar()->sizeHint().width()
                     - 2 * fm.averageCharWidth();
    for (const DeskSearch::Hit &h : hits) {
        if (list->uniformItemSizes() && h.name.size() * fm.maxWidth() > room && fm.horizontalAdvance(h.name) > room)
            list->setUniformItemSizes(false);
        auto *item = new QListWidgetItem(h.name);
        item->setData(Qt::UserRole, h.id); // the pick takes this article, not a namesake
        list->addItem(item);
    }
}
} // namespace

DeskEntry::DeskEntry(ShopDesk *desk)
    : QObject(desk)
    , d(desk)
{
    for (QObject *o : {static_cast<QObject *>(d->Edit_Barkod), static_cast<QObject *>(d->Label_Search_In),
                       static_cast<QObject *>(d->ListBox_Prefixes), static_cast<QObject *>(d->ListBox_Opisanie_Artikuli),
                       static_cast<QObject *>(d->ListBox_Select_SN), static_cast<QObject *>(d->Edit_Serien_Nomer),
                       static_cast<QObject *>(d->Edit_Do_Nomer), static_cast<QObject *>(d->c.Edit_Broj),
                       static_cast<QObject *>(d->Edit_Cena_Nula)})
        o->installEventFilter(this);
    connect(d->Edit_Barkod, &QLineEdit::textEdited, this, [this] { m_pending = true; });
    connect(d->Edit_Cena_Nula, &QLineEdit::textEdited, this, &DeskEntry::Edit_Cena_NulaChange);
    connect(d->ListBox_Prefixes, &QListWidget::itemDoubleClicked, this, &DeskEntry::ListBox_PrefixesDblClick);
    connect(d->ListBox_Opisanie_Artikuli, &QListWidget::itemClicked, this, &DeskEntry::ListBox_Opisanie_ArtikuliClick);
    connect(d->ListBox_Opisanie_Artikuli, &QListWidget::itemDoubleClicked, this,
            &DeskEntry::ListBox_Opisanie_ArtikuliDblClick);
    connect(d->ListBox_Select_SN, &QListWidget::itemDoubleClicked, this, &DeskEntry::ListBox_Select_SNDblClick);
    QScrollBar *hitsBar = d->ListBox_Opisanie_Artikuli->verticalScrollBar();
    connect(hitsBar, &QScrollBar::valueChanged, this, [this, hitsBar](int value) {
        if (value >= hitsBar->maximum() - hitsBar->pageStep())
            readMoreHits();
    });
    connect(d->SpdBtn_Select_SN, &QToolButton::clicked, this, &DeskEntry::SpdBtn_Select_SNClick);

    m_keys = {
        {d->Edit_Barkod, Qt::Key_Space, [this] { showPrefixes(); }},
        {d->Edit_Barkod, Qt::Key_Return, [this] { Edit_BarkodEnter(); }},
        {d->ListBox_Prefixes, Qt::Key_Return, [this] { ListBox_PrefixesDblClick(); }},
        {d->ListBox_Prefixes, Qt::Key_Escape, [this] { ListBox_PrefixesEscape(); }},
        {d->ListBox_Opisanie_Artikuli, Qt::Key_Return, [this] { ListBox_Opisanie_ArtikuliDblClick(); }},
        {d->ListBox_Select_SN, Qt::Key_Escape, [this] { ListBox_Select_SNEscape(); }},
        {d->Edit_Serien_Nomer, Qt::Key_Return,
         [this] {
             if (Edit_Serien_NomerExit()) {
                 Busy busy(m_busy);
                 d->Edit_Do_Nomer->setFocus();
             }
         }},
        {d->Edit_Do_Nomer, Qt::Key_Return, [this] { Edit_Do_NomerExit(); }},
        {d->c.Edit_Broj, Qt::Key_Return,
         [this] {
             if (Edit_BrojExit()) {
                 Busy busy(m_busy);
                 d->Edit_Cena_Nula->setFocus();
             }
         }},
        {d->Edit_Cena_Nula, Qt::Key_Return, [this] { Edit_Cena_NulaEnter(); }},
    };
    ArticlePick::registerTarget(2, [this](const ArticlePick::Picked &p) { takePick(p); });
    TForm_Projzvodstvo::setSaleWriter([this](const QString &base, const QList<TForm_Projzvodstvo::SaleLine> &lines) -> QString {
        QList<DeskLines::ElementLine> elements;
        for (const auto &l : lines)
            elements << DeskLines::ElementLine{l.article, l.Opisanie, l.Mqrka, l.Valuta, Decimal::fromDouble(l.quantity),
                                               l.serial, l.warranty, l.Dan_Grup, l.Prigotvq_Se};
        try {
            DeskLines::insertElementLines(elements, d->operatorName(), CurrentBill, AppState::instance().terminal(),
                                          d->counterpartyKey());
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
            return QStringLiteral("Елементите не бяха добавени в продажбата:\n") + QString::fromUtf8(e.what());
        }
        d->c.Edit_Broj->setText(base);
        d->Calculate_SUM();
        return QString();
    });
}

DeskEntry::~DeskEntry()
{
    ArticlePick::unregisterTarget(2);
    TForm_Projzvodstvo::setSaleWriter({});
}

QChar DeskEntry::prefix() const
{
    const QString text = d->Label_Search_In->text();
    return text.isEmpty() ? QChar() : text.at(0);
}

void DeskEntry::clearFound()
{
    m_article.reset();
    DeskArticleID = 0;
    DeskListPrice = 0;
}

// ---- the prefix

void DeskEntry::showPrefixes()
{
    d->ListBox_Prefixes->setCurrentRow(0);
    d->ListBox_Prefixes->show();
    d->ListBox_Prefixes->raise();
    d->ListBox_Prefixes->setFocus();
}

void DeskEntry::ListBox_PrefixesDblClick()
{
    if (QListWidgetItem *item = d->ListBox_Prefixes->currentItem()) {
        d->Label_Search_In->setText(item->text().left(2));
        d->Label_Search_In->setToolTip(item->text());
    }
    d->ListBox_Prefixes->hide();
    d->Edit_Barkod->setFocus();
}

void DeskEntry::ListBox_PrefixesEscape()
{
    d->ListBox_Prefixes->hide();
    d->Edit_Barkod->clear();
    m_pending = false;
    d->Edit_Barkod->setFocus();
}

void DeskEntry::GetTableName(QChar letter)
{
    QString table, field;
    if (DeskSearch::tableFor(letter, &table, &field)) {
        SearchTable = table;
        SearchField = field;
    }
}

// ---- the search

void DeskEntry::Edit_BarkodEnter()
{
    // Enter goes on to the quantity; the search, when there is one to run,
    // moves the focus itself (hit list, serial, price).
    const bool search = m_pending;
    if (search)
        Edit_BarkodExit();
    if (!search || (QApplication::focusWidget() == d->Edit_Barkod && !d->Edit_Barkod->text().isEmpty())) {
        Busy busy(m_busy);
        d->c.Edit_Broj->setFocus();
    }
}

void DeskEntry::Edit_BarkodExit()
{
    const QString text = d->Edit_Barkod->text();
    if (text.isEmpty())
        return;
    Busy busy(m_busy);
    m_pending = false;
    clearFound(); // a new search: no article until it resolves one
    d->ListBox_Opisanie_Artikuli->hide();
    m_moreHits.reset();
    setSearchLocked(false);
    GetTableName(prefix());
    std::optional<QList<DeskSearch::Hit>> hits;
    try {
        hits = DeskSearch::find(prefix(), text);
    } catch (const std::exception &e) {
        searchFailed(e);
        return;
    }
    if (!hits)
        return; // not searchable by this prefix: silently nothing
    if (hits->isEmpty()) {
        Dialogs::message(QStringLiteral("Не са открити данни"), d->c.DeskArea);
        d->Edit_Barkod->clear();
        d->Edit_Barkod->setFocus();
        return;
    }
    PROVERI_ZA_POVTORENIA(*hits);
    // Only now: the list refilled and shown scrolls on its own.
    if (prefix() == QLatin1Char('i') && hits->size() == DeskSearch::PageHits)
        m_moreHits = MoreHits{text, hits->last()};
    if (hits->size() != 1 || !takeArticle(hits->first().id, hits->first().article))
        return;
    PROVERI_ZA_DOPALNENIA();
    showArticle(*m_article, true);
}

void DeskEntry::PROVERI_ZA_POVTORENIA(const QList<DeskSearch::Hit> &hits)
{
    if (hits.size() > 1) {
        QListWidget *list = d->ListBox_Opisanie_Artikuli;
        list->clear();
        list->setUniformItemSizes(true);
        addHits(list, hits, d->DBGrid1->width()); // as wide as the bill it covers
        setSearchLocked(true);
        if (QWidget *panel = d->c.DeskArea->window()->findChild<QWidget *>(QStringLiteral("Panel7")))
            panel->hide();
        d->showHitList();
        list->setCurrentRow(0);
        list->setFocus();
        return;
    }
    d->c.Edit_Broj->setEnabled(true);
    d->c.Edit_Broj->setText(QStringLiteral("1"));
    d->c.Edit_Broj->setFocus();
}

void DeskEntry::readMoreHits()
{
    if (!m_moreHits || !d->ListBox_Opisanie_Artikuli->isVisible())
        return;
    std::optional<QList<DeskSearch::Hit>> hits;
    try {
        hits = DeskSearch::find(QLatin1Char('i'), m_moreHits->text, m_moreHits->last);
    } catch (const std::exception &e) {
        m_moreHits.reset(); // said once; the names listed stay
        searchFailed(e);
        return;
    }
    if (!hits || hits->size() < DeskSearch::PageHits)
        m_moreHits.reset();
    else
        m_moreHits->last = hits->last();
    addHits(d->ListBox_Opisanie_Artikuli, hits.value_or(QList<DeskSearch::Hit>{}), d->ListBox_Opisanie_Artikuli->width());
}

// The typed text stays for the next try.
void DeskEntry::searchFailed(const std::exception &e)
{
    ExceptionLog::write(e);
    Dialogs::message(QStringLiteral("Търсенето не беше извършено:\n") + QString::fromUtf8(e.what()), d->c.DeskArea);
}

bool DeskEntry::takeArticle(long long id, const std::optional<DeskSearch::Article> &found)
{
    try {
        m_article = found ? found : DeskSearch::article(id);
    } catch (const std::exception &e) {
        searchFailed(e);
        m_article.reset();
    }
    if (!m_article) {
        clearFound();
        return false;
    }
    DeskArticleID = m_article->id;
    return true;
}

void DeskEntry::showArticle(const DeskSearch::Article &a, bool formatted)
{
    d->Ime_na_produkt->setText(QStringLiteral("[") + a.group + QStringLiteral("] ") + QString::number(a.id)
                               + QLatin1Char(':') + a.Opisanie);
    d->Label_Edini4na_Cena->setText(a.Valuta_P);
    if (m_article && m_article->id == a.id)
        DeskListPrice = a.Ed_Cena;
    d->Edit_Cena_Nula->setText(formatted ? priceText(a.Ed_Cena) : a.Ed_Cena.toString());
    if (a.Ed_Cena.isZero())
        d->Edit_Cena_Nula->selectAll();
}

void DeskEntry::setSearchLocked(bool locked)
{
    for (QPushButton *b : {d->c.Button_Insert_in_List, d->c.Button_Prodajba})
        if (b)
            b->setEnabled(!locked);
}

void DeskEntry::ListBox_Opisanie_ArtikuliClick()
{
    QListWidgetItem *item = d->ListBox_Opisanie_Artikuli->currentItem();
    if (!item)
        return;
    try {
        if (const auto a = DeskSearch::article(item->data(Qt::UserRole).toLongLong()))
            showArticle(*a, false); // shown only: the article is taken by a double-click or Enter
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
    }
}

void DeskEntry::ListBox_Opisanie_ArtikuliDblClick()
{
    QListWidgetItem *item = d->ListBox_Opisanie_Artikuli->currentItem();
    if (!item)
        return;
    Busy busy(m_busy);
    if (!takeArticle(item->data(Qt::UserRole).toLongLong()))
        return;
    PROVERI_ZA_DOPALNENIA();
    showArticle(*m_article, false);
    d->CheckListBox_Dokumenti_kam_Magazin->show();
    d->ListBox_Opisanie_Artikuli->hide();
    setSearchLocked(false);
    d->c.Edit_Broj->setText(QStringLiteral("1"));
    d->c.Edit_Broj->setEnabled(true);
    if (!d->Edit_Serien_Nomer->isVisible())
        d->c.Edit_Broj->setFocus();
}

// ---- the extras of an article

void DeskEntry::PROVERI_ZA_DOPALNENIA()
{
    if (!m_article)
        return;
    const DeskSearch::Article a = *m_article;
    d->Edit_Serien_Nomer->clear();
    d->Edit_Do_Nomer->clear();
    const bool shelfLife = Settings::readBool(Keys::Tuning_14);
    if (shelfLife)
        d->Edit_Do_Nomer->setText(ArticleRecord::shelfLifeText(a.Trajnost));
    if (a.Garancionen) {
        QList<QSqlRecord> serials;
        try {
            serials = DeskSearch::serials(a.id);
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
        if (prefix() == QLatin1Char('s')) {
            const QString typed = d->Edit_Barkod->text();
            d->SpdBtn_Select_SN->hide();
            d->Edit_Serien_Nomer->setText(typed);
            if (!shelfLife) {
                for (const QSqlRecord &r : serials)
                    if (r.value(0).toString().compare(typed, Qt::CaseInsensitive) == 0) {
                        d->Edit_Do_Nomer->setText(Dates::isoToShort(r.value(1).toString()));
                        break;
                    }
            }
        } else if (serials.size() == 1) {
            d->SpdBtn_Select_SN->hide();
            d->Edit_Serien_Nomer->setText(serials.first().value(0).toString());
            if (!shelfLife)
                d->Edit_Do_Nomer->setText(Dates::isoToShort(serials.first().value(1).toString()));
        } else {
            d->ListBox_Select_SN->clear();
            for (const QSqlRecord &r : serials)
                d->ListBox_Select_SN->addItem(r.value(0).toString());
            d->SpdBtn_Select_SN->setVisible(!serials.isEmpty());
        }
        d->Label14->setText(QStringLiteral("Сериен номер"));
        d->Label14->show();
        d->Edit_Serien_Nomer->show();
        d->Edit_Do_Nomer->show();
        d->Edit_Serien_Nomer->setFocus();
    } else if (a.Poredica) {
        d->Label14->setText(QStringLiteral("Поредица"));
        d->Label14->show();
        d->Edit_Serien_Nomer->show();
        d->Edit_Do_Nomer->clear();
        d->Edit_Do_Nomer->show();
        d->Edit_Serien_Nomer->setFocus();
    } else {
        // A shelf-life text stays in the hidden edit and goes with the line.
        for (QWidget *w : {static_cast<QWidget *>(d->Edit_Serien_Nomer), static_cast<QWidget *>(d->Edit_Do_Nomer),
                           static_cast<QWidget *>(d->Label14), static_cast<QWidget *>(d->SpdBtn_Select_SN)})
            w->hide();
    }
    if (a.Ed_Cena.isZero()) {
        d->Edit_Cena_Nula->setFocus();
        Dialogs::message(QStringLiteral("Избраният артикул е с нулева цена!\nНеобходимо е да въведете цена"),
                         d->c.DeskArea);
    }
    openRecipes();
}

void DeskEntry::openRecipes()
{
    if (!m_article->hasRecipes)
        return;
    TForm_Projzvodstvo *window = recipeWindow();
    try {
        window->loadForSale(m_article->id, QString::number(m_article->id) + QLatin1Char(':') + m_article->Opisanie);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Рецептите на артикула не могат да бъдат заредени:\n")
                             + QString::fromUtf8(e.what()),
                         d->c.DeskArea);
        return;
    }
    Dialogs::exec(window);
}

// ---- the serial choice

void DeskEntry::SpdBtn_Select_SNClick()
{
    d->ListBox_Select_SN->show();
    d->ListBox_Select_SN->raise();
    d->ListBox_Select_SN->setFocus();
}

void DeskEntry::ListBox_Select_SNDblClick()
{
    QListWidgetItem *item = d->ListBox_Select_SN->currentItem();
    if (!item)
        return;
    Busy busy(m_busy);
    d->Edit_Serien_Nomer->setText(item->text());
    d->ListBox_Select_SN->hide();
    d->SpdBtn_Select_SN->hide();
    if (!Settings::readBool(Keys::Tuning_14) && m_article) {
        try {
            d->Edit_Do_Nomer->setText(DeskSearch::serialDate(m_article->id, item->text()));
        } catch (const std::exception &e) {
            ExceptionLog::write(e);
        }
    }
    d->Edit_Do_Nomer->setFocus();
}

void DeskEntry::ListBox_Select_SNEscape()
{
    d->ListBox_Select_SN->hide();
    d->SpdBtn_Select_SN->hide();
    d->Edit_Serien_Nomer->show();
    d->Edit_Serien_Nomer->setFocus();
}

bool DeskEntry::Edit_Serien_NomerExit()
{
    Busy busy(m_busy);
    if (d->Edit_Serien_Nomer->text().isEmpty()) {
        Dialogs::message(QStringLiteral("Необходим е сериен номер\nза въвеждане в гаранционна карта"), d->c.DeskArea);
        d->Edit_Serien_Nomer->setFocus();
        return false;
    }
    d->Edit_Serien_Nomer->hide();
    d->Label14->hide();
    d->SpdBtn_Select_SN->hide();
    return true;
}

void DeskEntry::Edit_Do_NomerExit()
{
    Busy busy(m_busy);
    d->Edit_Do_Nomer->hide();
    d->c.Edit_Broj->setFocus();
}

// ---- quantity and price

bool DeskEntry::Edit_BrojExit()
{
    Busy busy(m_busy);
    QLineEdit *edit = d->c.Edit_Broj;
    const QString text = edit->text().trimmed();
    auto refuse = [edit, this](const QString &message) {
        Dialogs::message(message, d->c.DeskArea);
        edit->clear();
        edit->setFocus();
        return false;
    };
    if (text.isEmpty() || text == QLatin1String("0"))
        return refuse(QStringLiteral("Въведена е нулева стойност"));
    if (!Decimal::parse(text))
        return refuse(QStringLiteral("Грешно въведена (или нулева) стойност"));
    QString why;
    const auto quantity = StockQuantity::parseSigned(text, &why);
    if (!quantity)
        return refuse(why);
    if (quantity->isZero())
        return refuse(QStringLiteral("Грешно въведена (или нулева) стойност"));
    const Decimal price = Decimal::parse(d->Edit_Cena_Nula->text()).value_or(Decimal());
    d->Label_Cena_Ob6to->setText(Money::formatWidth(*quantity * price, 4, 4));
    return true;
}

void DeskEntry::Edit_Cena_NulaChange()
{
    const auto price = Decimal::parse(d->Edit_Cena_Nula->text());
    if (price && price->isNegative()) {
        Dialogs::message(QStringLiteral("Не се допуска отрицателна цена"), d->c.DeskArea);
        d->Edit_Cena_Nula->setText(priceText(DeskListPrice));
    }
}

void DeskEntry::Edit_Cena_NulaEnter()
{
    if (Edit_BrojExit())
        d->Button_Insert_in_ListClick();
}

void DeskEntry::numpadStar()
{
    QString text = d->Edit_Barkod->text();
    text.chop(1); // the "*" itself
    d->c.Edit_Broj->setText(text);
    d->Edit_Barkod->clear();
    m_pending = false;
}

Decimal DeskEntry::GET_KURS(long long article)
{
    try {
        return DeskSearch::GET_KURS(article);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        return Decimal();
    }
}

void DeskEntry::later(const std::function<void()> &handler)
{
    QTimer::singleShot(0, this, handler);
}

void DeskEntry::takePick(const ArticlePick::Picked &picked)
{
    const QString search = d->Label_Search_In->text();
    QString text;
    if (search == QLatin1String("a."))
        text = picked.current.value(QStringLiteral("ID")).toString();
    else if (search == QLatin1String("n."))
        text = picked.current.value(QStringLiteral("Nomenkl_N")).toString();
    if (search == QLatin1String("a.") || search == QLatin1String("n.")) {
        d->Edit_Barkod->setText(text);
        m_pending = true;
        // The search runs when the catalogue has closed, as leaving the edit would run it.
        later([this] {
            if (m_pending)
                Edit_BarkodExit();
        });
    }
    d->c.Edit_Broj->setFocus();
}

void DeskEntry::searchArticleNumber(long long article)
{
    d->Label_Search_In->setText(QStringLiteral("a."));
    d->Edit_Barkod->setText(QString::number(article));
    Edit_BarkodExit();
}

void DeskEntry::lineAdded()
{
    for (QWidget *w : {static_cast<QWidget *>(d->Edit_Serien_Nomer), static_cast<QWidget *>(d->Edit_Do_Nomer),
                       static_cast<QWidget *>(d->Label14), static_cast<QWidget *>(d->SpdBtn_Select_SN),
                       static_cast<QWidget *>(d->ListBox_Select_SN)})
        w->hide();
    m_pending = false;
}

// ---- keys and focus

bool DeskEntry::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        for (const KeyAction &k : m_keys) {
            if (watched == k.widget && (key == k.key || (k.key == Qt::Key_Return && key == Qt::Key_Enter))) {
                k.run();
                return true;
            }
        }
        if (watched == d->Edit_Serien_Nomer && d->ListBox_Select_SN->count() > 0)
            d->SpdBtn_Select_SN->setVisible(d->Edit_Serien_Nomer->isVisible());
    } else if (type == QEvent::KeyRelease) {
        const auto *k = static_cast<QKeyEvent *>(event);
        if (watched == d->Edit_Barkod && k->key() == Qt::Key_Asterisk && (k->modifiers() & Qt::KeypadModifier))
            numpadStar();
    } else if (type == QEvent::MouseButtonDblClick && watched == d->Label_Search_In) {
        showPrefixes();
    } else if (type == QEvent::FocusOut && !m_busy && userLeft(event)) {
        // Run once the focus has settled: a handler that moves it or shows a
        // message inside the focus change would have its move undone.
        QWidget *to = QApplication::focusWidget();
        if (watched == d->Edit_Barkod && to != d->ListBox_Prefixes && m_pending)
            later([this] {
                if (m_pending)
                    Edit_BarkodExit();
            });
        else if (watched == d->Edit_Serien_Nomer && d->Edit_Serien_Nomer->isVisible() && to != d->ListBox_Select_SN
                 && to != d->SpdBtn_Select_SN)
            later([this] {
                if (d->Edit_Serien_Nomer->isVisible())
                    Edit_Serien_NomerExit();
            });
        else if (watched == d->Edit_Do_Nomer && d->Edit_Do_Nomer->isVisible())
            later([this] {
                if (d->Edit_Do_Nomer->isVisible())
                    Edit_Do_NomerExit();
            });
        else if (watched == d->c.Edit_Broj)
            later([this] { Edit_BrojExit(); });
    }
    return QObject::eventFilter(watched, event);
}
