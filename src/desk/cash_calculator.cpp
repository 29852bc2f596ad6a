#include "desk/cash_calculator.h"

#include "app/app_state.h"
#include "common/money.h"
#include "desk/cash_count.h"
#include "desk/text_viewer.h"
#include "platform/dialogs.h"
#include "platform/exception_log.h"
#include "platform/named.h"

#include <QDate>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

CashCalculator::CashCalculator(QWidget *parent)
    : QGroupBox(QStringLiteral("КАСА"), parent)
{
    setObjectName(QStringLiteral("GroupBox_Kasa"));
    static const char *const names[13] = {"SpEdit_1st",  "SpEdit_2st",  "SpEdit_5st",  "SpEdit_10st", "SpEdit_20st",
                                          "SpEdit_50st", "SpEdit_1lv",  "SpEdit_2lv",  "SpEdit_5lv",  "SpEdit_10lv",
                                          "SpEdit_20lv", "SpEdit_50lv", "SpEdit_100lv"};
    static const char *const captions[13] = {"1 ст.", "2 ст.", "5 ст.",  "10 ст.", "20 ст.", "50 ст.", "1 лв.",
                                             "2 лв.", "5 лв.", "10 лв.", "20 лв.", "50 лв.", "100 лв."};
    // Coins and banknotes two to a row each, so the desk keeps the main
    // window within an 800-pixel screen while the calculator shows.
    auto *grid = new QGridLayout(this);
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("Монети"), this), 0, 0, 1, 4);
    grid->addWidget(new QLabel(QStringLiteral("Банкноти"), this), 0, 4, 1, 4);
    for (int i = 0; i < 13; ++i) {
        SpEdit[i] = named(new QSpinBox(this), names[i]);
        SpEdit[i]->setRange(0, 999999999);
        SpEdit[i]->installEventFilter(this);
        const int k = i < 6 ? i : i - 6;
        const int col = (i < 6 ? 0 : 4) + 2 * (k % 2), row = 1 + k / 2;
        grid->addWidget(new QLabel(QString::fromUtf8(captions[i]), this), row, col);
        grid->addWidget(SpEdit[i], row, col + 1);
    }
    Label_Oborot = named(new QLabel(QStringLiteral("0.00"), this), "Label_Oborot");
    Label_Nali4no = named(new QLabel(QStringLiteral("0.00"), this), "Label_Nali4no");
    Label_Razlika = named(new QLabel(QStringLiteral("0.00"), this), "Label_Razlika");
    grid->addWidget(new QLabel(QStringLiteral("ОБОРОТ   :"), this), 5, 0);
    grid->addWidget(Label_Oborot, 5, 1);
    grid->addWidget(new QLabel(QStringLiteral("НАЛИЧНО:"), this), 5, 2);
    grid->addWidget(Label_Nali4no, 5, 3);
    grid->addWidget(new QLabel(QStringLiteral("РАЗЛИКА :"), this), 5, 4);
    grid->addWidget(Label_Razlika, 5, 5);
    SpdBtn_Iz4isli = namedButton(QStringLiteral("SpdBtn_Iz4isli"), QStringLiteral("Изчисли"), this);
    SpeedButton1 = namedButton(QStringLiteral("SpeedButton1"), QStringLiteral("Печат"), this);
    grid->addWidget(SpdBtn_Iz4isli, 5, 6);
    grid->addWidget(SpeedButton1, 5, 7);
    connect(SpdBtn_Iz4isli, &QPushButton::clicked, this, &CashCalculator::SpdBtn_Iz4isliClick);
    connect(SpeedButton1, &QPushButton::clicked, this, &CashCalculator::SpeedButton1Click);
    hide();
}

void CashCalculator::SpdBtn_KasaClick(bool down)
{
    setVisible(down);
    if (!down)
        return;
    Decimal turnover;
    try {
        turnover = CashCount::turnover(QDate::currentDate()).rounded(2);
    } catch (const std::exception &e) {
        ExceptionLog::write(e);
        Dialogs::message(QStringLiteral("Оборотът не може да бъде прочетен:\n") + QString::fromUtf8(e.what()), this);
    }
    Label_Oborot->setText(Money::format42(turnover));
    for (QSpinBox *s : SpEdit)
        s->setValue(0);
    SpEdit[0]->setFocus();
}

void CashCalculator::SpdBtn_Iz4isliClick()
{
    QList<long long> counts;
    for (QSpinBox *s : SpEdit) {
        s->interpretText();
        counts << s->value();
    }
    const Decimal turnover = Decimal::parse(Label_Oborot->text()).value_or(Decimal());
    try {
        const Decimal cash = CashCount::counted(counts);
        Label_Nali4no->setText(Money::format42(cash));
        Label_Razlika->setText(Money::format42(cash - turnover));
    } catch (const DecimalOverflow &e) {
        Dialogs::message(QString::fromUtf8(e.what()), this);
    }
}

void CashCalculator::SpeedButton1Click()
{
    SpdBtn_Iz4isliClick();
    QStringList texts;
    QList<long long> counts;
    for (QSpinBox *s : SpEdit) {
        texts << QString::number(s->value());
        counts << s->value();
    }
    QStringList lines;
    try {
        lines = CashCount::accountLines(Label_Oborot->text(), Label_Nali4no->text(),
                                        QStringLiteral("Оператор: ") + AppState::instance().currentOperator(), texts,
                                        counts);
    } catch (const DecimalOverflow &) {
        return; // told by the count above
    }
    QString error;
    if (!TextViewer::show(QStringLiteral("Account.tmp"), lines, this, &error))
        Dialogs::message(QStringLiteral("Отчетът не може да бъде записан във файл.\n") + error, this);
}

bool CashCalculator::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            SpdBtn_Iz4isliClick();
            return true;
        }
    }
    return QGroupBox::eventFilter(watched, event);
}
