#include "offers/form_add_red_zaqvka.h"

#include "app/app_state.h"
#include "catalogue/article_pick.h"
#include "catalogue/form_artikuli.h"
#include "common/dates.h"
#include "common/money.h"
#include "counterparties/counterparty_pick.h"
#include "counterparties/form_kontrakents.h"
#include "offers/new_order.h"
#include "platform/db/database.h"
#include "platform/db/list_model.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/grid_selection.h"
#include "platform/named.h"
#include "platform/long_texts.h"

#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QPointer<TForm_Add_Red_Zaqvka> Form_Add_Red_Zaqvka;

// The lines of the new order: the number red and centred; the date,
// requester and supplier are read by name, never shown.
class OrderLinesModel : public SqlListModel
{
public:
    static constexpr int Shown = 7;
    using SqlListModel::SqlListModel;

    int columnCount(const QModelIndex &parent = {}) const override
    {
        return qMin(SqlListModel::columnCount(parent), Shown);
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (index.isValid() && index.column() == 0) {
            if (role == Qt::ForegroundRole)
                return QColor(255, 0, 0);
            if (role == Qt::TextAlignmentRole)
                return int(Qt::AlignCenter);
        }
        return SqlListModel::data(index, role);
    }
};

namespace {
const QString kQuantity = QStringLiteral("1.0000");
const QString kPrice = QStringLiteral("0.0000");

struct FreeText {
    QCheckBox *box;
    QLabel *label;
    QLabel *name;
    QLineEdit *edit;
};
} // namespace

TForm_Add_Red_Zaqvka::TForm_Add_Red_Zaqvka(QWidget *parent)
    : QDialog(parent)
    , m_lines(new OrderLinesModel(this))
{
    setObjectName(QStringLiteral("Form_Add_Red_Zaqvka"));
    setWindowTitle(QStringLiteral("Нова Поръчка"));
    setWindowFlag(Qt::Tool);
    static const QList<std::pair<const char *, const char *>> titles = {
        {"ID", "N"},          {"Art_ID", "Арт. N"},       {"Kat_N", "Ном. N"}, {"Opisanie", "Описание"},
        {"Kol", "Кол."},      {"Dost_Cena", "Дост.цена"}, {"Valuta", "Валута"}};
    for (const auto &[field, title] : titles)
        m_lines->setHeaderTitle(QString::fromLatin1(field), QString::fromUtf8(title));
    buildLayout();

    CounterpartyPick::registerTarget(7, [this](const CounterpartyPick::Picked &p) {
        Label_Zaqvitel_Name->setText(p.referenceText());
    });
    CounterpartyPick::registerTarget(8, [this](const CounterpartyPick::Picked &p) {
        Label_Dostav4ik_Name->setText(p.referenceText());
    });
    ArticlePick::registerTarget(7, [this](const ArticlePick::Picked &p) {
        Label_Artikul_Name->setText(p.referenceText());
        m_article = p.id();
    });
}

TForm_Add_Red_Zaqvka::~TForm_Add_Red_Zaqvka()
{
    CounterpartyPick::unregisterTarget(7);
    CounterpartyPick::unregisterTarget(8);
    ArticlePick::unregisterTarget(7);
}

SqlListModel *TForm_Add_Red_Zaqvka::lines() const
{
    return m_lines;
}

void TForm_Add_Red_Zaqvka::buildLayout()
{
    auto pickLabel = [this](const char *name, const QString &caption) {
        auto *l = named(new QLabel(caption, this), name);
        QFont f = l->font();
        f.setBold(true);
        f.setUnderline(true);
        l->setFont(f);
        l->setCursor(Qt::PointingHandCursor);
        l->installEventFilter(this);
        return l;
    };
    auto nameLabel = [this](const char *name, const QString &text, const QColor &colour) {
        auto *l = named(new ElidedLabel(text, this), name);
        l->setFrameShape(QFrame::Panel);
        l->setFrameShadow(QFrame::Sunken);
        l->setMinimumWidth(320);
        l->setTextFormat(Qt::PlainText);
        if (colour.isValid()) {
            QPalette p = l->palette();
            p.setColor(QPalette::WindowText, colour);
            l->setPalette(p);
        }
        return l;
    };
    Label_Zaqvitel = pickLabel("Label_Zaqvitel", QStringLiteral("Заявител:"));
    Label_Zaqvitel_Name = nameLabel("Label_Zaqvitel_Name", NewOrder::noRequester(), QColor());
    Label_Dostav4ik = pickLabel("Label_Dostav4ik", QStringLiteral("Доставчик"));
    Label_Dostav4ik_Name = nameLabel("Label_Dostav4ik_Name", NewOrder::noSupplier(), QColor(255, 0, 0));
    Label_Artikul = pickLabel("Label_Artikul", QStringLiteral("Артикул:"));
    Label_Artikul_Name = nameLabel("Label_Artikul_Name", NewOrder::noArticle(), QColor(0, 0, 255));
    ChkBox_Free_Zaqvitel = named(new QCheckBox(QStringLiteral("Свободен текст"), this), "ChkBox_Free_Zaqvitel");
    ChkBox_Free_Dostav4ik = named(new QCheckBox(QStringLiteral("Свободен текст"), this), "ChkBox_Free_Dostav4ik");
    ChkBox_Free_Artikul = named(new QCheckBox(QStringLiteral("Свободен текст"), this), "ChkBox_Free_Artikul");
    Edit_Free_Zaqvitel = namedEdit(QStringLiteral("Edit_Free_Zaqvitel"), this);
    Edit_Free_Dostav4ik = namedEdit(QStringLiteral("Edit_Free_Dostav4ik"), this);
    Edit_Free_Artikul = namedEdit(QStringLiteral("Edit_Free_Artikul"), this);
    for (QCheckBox *box : {ChkBox_Free_Zaqvitel, ChkBox_Free_Dostav4ik, ChkBox_Free_Artikul})
        connect(box, &QCheckBox::clicked, this, [this, box] { ChkBox_FreeClick(box); });
    for (QLineEdit *e : {Edit_Free_Zaqvitel, Edit_Free_Dostav4ik, Edit_Free_Artikul})
        e->hide();

    DateTimePicker_Data = named(new QDateEdit(QDate::currentDate(), this), "DateTimePicker_Data");
    DateTimePicker_Data->setCalendarPopup(true);
    DateTimePicker_Data->setDisplayFormat(QLatin1String(Dates::ShortFormat));
    DateTimePicker_Data->setMinimumWidth(120);
    Edit_Kol = namedEdit(QStringLiteral("Edit_Kol"), this);
    Edit_Kol->setText(kQuantity);
    Edit_Dost_Cena = namedEdit(QStringLiteral("Edit_Dost_Cena"), this);
    Edit_Dost_Cena->setText(kPrice);
    ComboBox_Valuta = named(new QComboBox(this), "ComboBox_Valuta");
    ComboBox_Valuta->addItem(QStringLiteral("Лева"));
    ComboBox_Valuta->setMinimumWidth(100);

    Button_Add = named(new QPushButton(QStringLiteral("Добави"), this), "Button_Add");
    Button_Add->setDefault(true);
    Button_Delete = namedButton(QStringLiteral("Button_Delete"), QStringLiteral("Изтрии"), this);
    Button_Redakt = namedButton(QStringLiteral("Button_Redakt"), QStringLiteral("Редактирай"), this);
    Button_Redakt->setEnabled(false);
    Button_Save = namedButton(QStringLiteral("Button_Save"), QStringLiteral("Запис"), this);
    Button_Save->setEnabled(false);
    Button_Cancel = namedButton(QStringLiteral("Button_Cancel"), QStringLiteral("Отказ"), this);
    connect(Button_Add, &QPushButton::clicked, this, &TForm_Add_Red_Zaqvka::Button_AddClick);
    connect(Button_Delete, &QPushButton::clicked, this, &TForm_Add_Red_Zaqvka::Button_DeleteClick);
    connect(Button_Redakt, &QPushButton::clicked, this, &TForm_Add_Red_Zaqvka::Button_RedaktClick);
    connect(Button_Save, &QPushButton::clicked, this, &TForm_Add_Red_Zaqvka::Button_SaveClick);
    connect(Button_Cancel, &QPushButton::clicked, this, &QDialog::reject);
    setMode(Adding);

    DBGrid1 = named(new QTableView(this), "DBGrid1");
    GridSelection::setupList(DBGrid1, m_lines);
    DBGrid1->verticalHeader()->setDefaultSectionSize(22);

    auto *g = new QGridLayout;
    int row = 0;
    for (const FreeText &f : {FreeText{ChkBox_Free_Zaqvitel, Label_Zaqvitel, Label_Zaqvitel_Name, Edit_Free_Zaqvitel},
                              FreeText{ChkBox_Free_Dostav4ik, Label_Dostav4ik, Label_Dostav4ik_Name, Edit_Free_Dostav4ik},
                              FreeText{ChkBox_Free_Artikul, Label_Artikul, Label_Artikul_Name, Edit_Free_Artikul}}) {
        g->addWidget(f.label, row, 0);
        g->addWidget(f.name, row, 1, 1, 3);
        g->addWidget(f.box, row, 4);
        g->addWidget(f.edit, row + 1, 1, 1, 3);
        row += 2;
    }
    g->addWidget(new QLabel(QStringLiteral("Дата"), this), row, 0);
    g->addWidget(new QLabel(QStringLiteral("Количество:"), this), row, 1);
    g->addWidget(new QLabel(QStringLiteral("Доставна цена"), this), row, 2);
    g->addWidget(new QLabel(QStringLiteral("Валута"), this), row, 3);
    ++row;
    g->addWidget(DateTimePicker_Data, row, 0);
    g->addWidget(Edit_Kol, row, 1);
    g->addWidget(Edit_Dost_Cena, row, 2);
    g->addWidget(ComboBox_Valuta, row, 3);
    g->setColumnStretch(1, 1);

    auto *lineButtons = new QHBoxLayout;
    for (QPushButton *b : {Button_Add, Button_Delete, Button_Redakt})
        lineButtons->addWidget(b);
    lineButtons->addStretch(1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(Button_Save);
    bottom->addWidget(Button_Cancel);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(g);
    layout->addLayout(lineButtons);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    resize(620, 560);
}

void TForm_Add_Red_Zaqvka::say(const QString &text)
{
    Dialogs::message(text, this);
}

void TForm_Add_Red_Zaqvka::setMode(int mode)
{
    m_mode = mode;
    Button_Add->setProperty("tag", mode);
    Button_Delete->setProperty("tag", mode);
    Button_Add->setText(mode == Changing ? QStringLiteral("Приеми") : QStringLiteral("Добави"));
    Button_Delete->setText(mode == Changing ? QStringLiteral("Откажи") : QStringLiteral("Изтрии"));
}

// ---- showing and the line controls ---------------------------------------------------------------------

void TForm_Add_Red_Zaqvka::FormShow()
{
    setMode(Adding);
    m_changing = 0;
    resetLine();
    // Every showing starts with no lines, whatever an interrupted run left.
    try {
        NewOrder::createTable();
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        say(QStringLiteral("Работната таблица на поръчката не може да бъде създадена:\n") + e.message());
    }
    reloadLines();
    try {
        QStringList currencies;
        for (const QSqlRecord &r : Db::rows(QStringLiteral("SELECT Opisanie FROM Valuti")))
            currencies << r.value(0).toString();
        if (!currencies.isEmpty()) {
            ComboBox_Valuta->clear();
            ComboBox_Valuta->addItems(currencies);
            ComboBox_Valuta->setCurrentIndex(0);
        }
    } catch (const DbError &e) {
        ExceptionLog::write(e);
    }
}

void TForm_Add_Red_Zaqvka::resetLine()
{
    for (QCheckBox *box : {ChkBox_Free_Zaqvitel, ChkBox_Free_Dostav4ik, ChkBox_Free_Artikul}) {
        box->setChecked(false);
        ChkBox_FreeClick(box);
    }
    Label_Zaqvitel_Name->setText(NewOrder::noRequester());
    Label_Dostav4ik_Name->setText(NewOrder::noSupplier());
    Label_Artikul_Name->setText(NewOrder::noArticle());
    m_article = 0;
    Edit_Kol->setText(kQuantity);
    Edit_Dost_Cena->setText(kPrice);
    DateTimePicker_Data->setDate(QDate::currentDate());
}

void TForm_Add_Red_Zaqvka::reloadLines()
{
    const bool first = DBGrid1->horizontalHeader()->count() == 0;
    try {
        m_lines->setQuery(NewOrder::listSql());
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        m_lines->clear();
    }
    if (first && m_lines->columnCount() > 0) {
        const int widths[] = {40, 50, 50, 120, 40, 60, 60};
        for (int c = 0; c < m_lines->columnCount(); ++c)
            DBGrid1->setColumnWidth(c, widths[c]);
    }
    const bool any = m_lines->rowCount() > 0;
    Button_Redakt->setEnabled(any && m_mode == Adding);
    Button_Save->setEnabled(any);
}

void TForm_Add_Red_Zaqvka::ChkBox_FreeClick(QCheckBox *box)
{
    const FreeText all[] = {{ChkBox_Free_Zaqvitel, Label_Zaqvitel, Label_Zaqvitel_Name, Edit_Free_Zaqvitel},
                            {ChkBox_Free_Dostav4ik, Label_Dostav4ik, Label_Dostav4ik_Name, Edit_Free_Dostav4ik},
                            {ChkBox_Free_Artikul, Label_Artikul, Label_Artikul_Name, Edit_Free_Artikul}};
    for (const FreeText &f : all) {
        if (f.box != box)
            continue;
        const bool free = box->isChecked();
        f.label->setEnabled(!free);
        f.name->setEnabled(!free);
        f.edit->setVisible(free);
        if (free) {
            f.edit->clear();
            f.edit->setFocus();
        }
    }
}

void TForm_Add_Red_Zaqvka::Label_ZaqvitelClick()
{
    CounterpartyPickMode = 7;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Add_Red_Zaqvka::Label_Dostav4ikClick()
{
    CounterpartyPickMode = 8;
    TForm_Kontrakents::N_KlientiClick(this);
}

void TForm_Add_Red_Zaqvka::Label_ArtikulClick()
{
    ArticlePickMode = 7;
    TForm_Artikuli::N_ArtikuliClick(this);
}

// ---- the lines ------------------------------------------------------------------------------------

void TForm_Add_Red_Zaqvka::Button_AddClick()
{
    OrderList::Line line;
    // A number shown rounded and left as it was keeps its stored value.
    auto number = [this](QLineEdit *edit, const Kept &kept, double *value) {
        if (m_mode == Changing && edit->text() == kept.shown) {
            *value = kept.value;
            return true;
        }
        return Numbers::parse(edit->text(), value);
    };
    if (!number(Edit_Kol, m_keptKol, &line.quantity)) {
        say(QStringLiteral("Количеството не е число: ") + Edit_Kol->text());
        Edit_Kol->setFocus();
        return;
    }
    if (!number(Edit_Dost_Cena, m_keptPrice, &line.price)) {
        say(QStringLiteral("Доставната цена не е число: ") + Edit_Dost_Cena->text());
        Edit_Dost_Cena->setFocus();
        return;
    }
    line.date = DateTimePicker_Data->date();
    line.requester = ChkBox_Free_Zaqvitel->isChecked() ? Edit_Free_Zaqvitel->text() : Label_Zaqvitel_Name->text();
    line.supplier = ChkBox_Free_Dostav4ik->isChecked() ? Edit_Free_Dostav4ik->text() : Label_Dostav4ik_Name->text();
    if (ChkBox_Free_Artikul->isChecked()) {
        line.description = Edit_Free_Artikul->text();
        line.article = 0;
    } else {
        line.description = Label_Artikul_Name->text();
        line.article = m_article;
    }
    line.currency = ComboBox_Valuta->currentText();
    try {
        if (m_mode == Changing)
            NewOrder::change(m_changing, line);
        else
            NewOrder::add(line);
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        say(QStringLiteral("Редът не е записан:\n") + e.message());
        return; // what was typed stays
    }
    if (m_mode == Changing) {
        setMode(Adding);
        m_changing = 0;
    }
    reloadLines();
    resetLine();
}

void TForm_Add_Red_Zaqvka::Button_DeleteClick()
{
    if (m_mode == Changing) {
        setMode(Adding);
        m_changing = 0;
        resetLine();
    } else {
        QList<long long> ids;
        for (int row : GridSelection::markedRows(DBGrid1))
            ids << m_lines->value(row, QStringLiteral("ID")).toLongLong();
        try {
            NewOrder::remove(ids);
        } catch (const DbError &e) {
            ExceptionLog::write(e);
            say(QStringLiteral("Редовете не са изтрити:\n") + e.message());
        }
    }
    reloadLines();
}

void TForm_Add_Red_Zaqvka::Button_RedaktClick()
{
    const QModelIndex current = DBGrid1->currentIndex();
    if (!current.isValid())
        return;
    const QSqlRecord row = m_lines->record(current.row());
    m_changing = row.value(QStringLiteral("ID")).toLongLong();
    DateTimePicker_Data->setDate(Dates::fromIso(row.value(QStringLiteral("Data")).toString()));
    auto show = [](QLineEdit *edit, Kept &kept, double value) {
        kept = {Money::formatWidth(value, 4, PriceDecimals), value};
        edit->setText(kept.shown);
    };
    show(Edit_Kol, m_keptKol, row.value(QStringLiteral("Kol")).toDouble());
    show(Edit_Dost_Cena, m_keptPrice, row.value(QStringLiteral("Dost_Cena")).toDouble());
    Label_Zaqvitel_Name->setText(row.value(QStringLiteral("Klient_Ime")).toString());
    Label_Dostav4ik_Name->setText(row.value(QStringLiteral("Dost_Ime")).toString());
    const QString description = row.value(QStringLiteral("Opisanie")).toString();
    const long long article = row.value(QStringLiteral("Art_ID")).toLongLong();
    if (NewOrder::isPicked(description, article)) {
        Label_Artikul_Name->setText(description);
        m_article = article;
    } else {
        ChkBox_Free_Artikul->setChecked(true);
        ChkBox_FreeClick(ChkBox_Free_Artikul);
        Edit_Free_Artikul->setText(description);
        m_article = 0;
    }
    Button_Redakt->setEnabled(false);
    setMode(Changing);
}

void TForm_Add_Red_Zaqvka::Button_SaveClick()
{
    try {
        NewOrder::save();
    } catch (const DbError &e) {
        ExceptionLog::write(e);
        say(QStringLiteral("Поръчката не е записана:\n") + e.message());
        return; // the lines stay for another try
    }
    Q_EMIT saved();
    accept();
}

void TForm_Add_Red_Zaqvka::done(int result)
{
    try {
        NewOrder::dropTable();
    } catch (const DbError &e) {
        ExceptionLog::write(e); // the next showing empties what is left
    }
    m_lines->clear();
    QDialog::done(result);
}

bool TForm_Add_Red_Zaqvka::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        auto *label = qobject_cast<QLabel *>(watched);
        if (label && label->isEnabled()) {
            if (label == Label_Zaqvitel)
                Label_ZaqvitelClick();
            else if (label == Label_Dostav4ik)
                Label_Dostav4ikClick();
            else if (label == Label_Artikul)
                Label_ArtikulClick();
        }
    }
    return QDialog::eventFilter(watched, event);
}
