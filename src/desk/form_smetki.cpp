#include "desk/form_smetki.h"

#include "platform/dialogs.h"
#include "platform/named.h"

#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
QPointer<TForm_Smetki> g_form;
constexpr int SeatSize = 15;

TForm_Smetki *form(QWidget *owner)
{
    if (!g_form)
        g_form = new TForm_Smetki(owner);
    return g_form;
}
} // namespace

TableShape::TableShape(bool round, QWidget *parent)
    : QWidget(parent)
    , m_round(round)
{
}

void TableShape::setPen(const QColor &colour, int width)
{
    m_pen = colour;
    m_width = width;
    update();
}

void TableShape::setNumber(const QString &text, int pointSize)
{
    m_text = text;
    m_pointSize = pointSize;
    update();
}

void TableShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(m_pen, m_width));
    p.setBrush(cross ? QBrush(Qt::black, Qt::DiagCrossPattern) : QBrush(Qt::white));
    const QRect r = rect().adjusted(m_width, m_width, -m_width, -m_width);
    if (m_round)
        p.drawEllipse(r);
    else
        p.drawRect(r);
    if (!m_text.isEmpty()) {
        QFont f = font();
        f.setBold(true);
        f.setPointSize(m_pointSize);
        p.setFont(f);
        p.setPen(Qt::black);
        p.drawText(rect(), Qt::AlignCenter, m_text);
    }
}

void TableShape::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        Q_EMIT clicked();
}

TForm_Smetki::TForm_Smetki(QWidget *parent)
    : QDialog(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("Form_Smetki"));
    setWindowTitle(QStringLiteral("Активни сметки"));
    Panel2 = named(new QWidget(this), "Panel2");
    Panel2->setMinimumSize(500, 400);
    Panel2->setAutoFillBackground(true);
    Panel2->installEventFilter(this);

    Panel6 = named(new QWidget(this), "Panel6");
    auto *kind = new QGroupBox(QStringLiteral("Вид маса"), Panel6);
    Shape_Rectangle = named(new TableShape(false, kind), "Shape_Rectangle");
    Shape_Circle = named(new TableShape(true, kind), "Shape_Circle");
    Shape_Place = named(new TableShape(true, kind), "Shape_Place");
    Shape_Place->cross = true;
    Shape_Rectangle->setFixedSize(40, 30);
    Shape_Circle->setFixedSize(34, 34);
    Shape_Place->setFixedSize(SeatSize, SeatSize);
    auto *tools = new QHBoxLayout(kind);
    for (TableShape *s : {Shape_Rectangle, Shape_Circle, Shape_Place})
        tools->addWidget(s);
    SpinEdit_Width = named(new QSpinBox(Panel6), "SpinEdit_Width");
    SpinEdit_Heigth = named(new QSpinBox(Panel6), "SpinEdit_Heigth");
    for (QSpinBox *s : {SpinEdit_Width, SpinEdit_Heigth}) {
        s->setRange(10, 400);
        s->setValue(60);
    }
    Edit_Object_Name = namedEdit(QStringLiteral("Edit_Object_Name"), Panel6);
    Edit_Object_Name->setText(QStringLiteral("Обект 1"));
    Edit_Object_Name->setEnabled(false);
    auto *toolForm = new QFormLayout(Panel6);
    toolForm->addRow(kind);
    toolForm->addRow(QStringLiteral("Ширина"), SpinEdit_Width);
    toolForm->addRow(QStringLiteral("Височина"), SpinEdit_Heigth);
    toolForm->addRow(Edit_Object_Name);
    for (const char *caption : {"ЗАПИС", "Изчисти всичко", "Изтрии маркираното"}) {
        auto *b = new QPushButton(QString::fromUtf8(caption), Panel6);
        b->setEnabled(false); // the plan is kept for this run only
        toolForm->addRow(b);
    }

    auto *right = new QFormLayout;
    auto *scheme = new QComboBox(this);
    scheme->addItem(QStringLiteral("Стандарт"));
    right->addRow(QStringLiteral("Схема"), scheme);
    ComboBox_Masa = named(new QComboBox(this), "ComboBox_Masa");
    ComboBox_Place = named(new QComboBox(this), "ComboBox_Place");
    right->addRow(QStringLiteral("Маса"), ComboBox_Masa);
    right->addRow(QStringLiteral("Място"), ComboBox_Place);
    right->addRow(QStringLiteral("СМЕТКА ОБЩО"), new QLabel(QStringLiteral("0.0000"), this));

    Panel3 = named(new QWidget(this), "Panel3");
    BitBtn_Select = namedButton(QStringLiteral("BitBtn_Select"), QStringLiteral("ИЗБЕРИ"), Panel3);
    BitBtn_Cancel = namedButton(QStringLiteral("BitBtn_Cancel"), QStringLiteral("ОТКАЖИ"), Panel3);
    auto *bottom = new QHBoxLayout(Panel3);
    bottom->addStretch();
    bottom->addWidget(BitBtn_Select);
    bottom->addWidget(BitBtn_Cancel);

    auto *middle = new QHBoxLayout;
    middle->addWidget(Panel6);
    middle->addWidget(Panel2, 1);
    middle->addLayout(right);
    auto *frame = new QVBoxLayout(this);
    frame->addLayout(middle, 1);
    frame->addWidget(Panel3);

    connect(Shape_Rectangle, &TableShape::clicked, this, [this] { toolClicked(RectangleTable); });
    connect(Shape_Circle, &TableShape::clicked, this, [this] { toolClicked(CircleTable); });
    connect(Shape_Place, &TableShape::clicked, this, [this] { toolClicked(Place); });
    connect(ComboBox_Masa, &QComboBox::activated, this, &TForm_Smetki::ComboBox_MasaChange);
    connect(ComboBox_Place, &QComboBox::activated, this, &TForm_Smetki::ComboBox_PlaceChange);
    connect(BitBtn_Select, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn_Cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TForm_Smetki::SpdBtn_SmetkaClick(QWidget *owner)
{
    TForm_Smetki *f = form(owner);
    f->BillsFormMode = 2;
    f->ShapeTool = Picking;
    Dialogs::exec(f);
}

void TForm_Smetki::N_Masa_And_PlacesClick(QWidget *owner)
{
    TForm_Smetki *f = form(owner);
    f->BillsFormMode = 1;
    Dialogs::exec(f);
}

void TForm_Smetki::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    const bool design = BillsFormMode == 1;
    Panel6->setVisible(design);
    Panel3->setVisible(!design);
    if (design && ShapeTool <= NoTool) {
        ShapeTool = NoTool;
        toolClicked(RectangleTable);
    }
}

TableShape *TForm_Smetki::toolShape(int tool) const
{
    switch (tool) {
    case RectangleTable: return Shape_Rectangle;
    case CircleTable: return Shape_Circle;
    case Place: return Shape_Place;
    default: return nullptr;
    }
}

int TForm_Smetki::placeCounter() const
{
    return m_nextPlace.value(ComboBox_Masa->currentData().toInt(), 1);
}

void TForm_Smetki::toolClicked(int tool)
{
    if (ShapeTool > NoTool && ShapeTool != tool)
        return; // another tool is active
    if (ShapeTool == tool) {
        toolShape(tool)->setPen(Qt::black, 1);
        toolShape(tool)->setToolTip(QString());
        ShapeTool = NoTool;
        BillsFormMode = 0;
        return;
    }
    ShapeTool = tool;
    BillsFormMode = 1;
    for (int t : {RectangleTable, CircleTable, Place})
        toolShape(t)->setPen(t == tool ? Qt::red : Qt::black, 1);
    toolShape(tool)->setToolTip(QStringLiteral("Кликнете за да откажете"));
    Edit_Object_Name->setText(tool == Place ? QStringLiteral("Място ") + QString::number(placeCounter())
                                            : QStringLiteral("Маса ") + QString::number(TableCounter));
}

bool TForm_Smetki::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Panel2 && BillsFormMode == 1 && ShapeTool > NoTool) {
        if (event->type() == QEvent::MouseButtonPress) {
            ShapeAnchor = static_cast<QMouseEvent *>(event)->position().toPoint();
        } else if (event->type() == QEvent::MouseButtonRelease) {
            CREATE_SHAPE();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TForm_Smetki::CREATE_SHAPE()
{
    if (ShapeTool == Place) {
        const int table = ComboBox_Masa->currentData().toInt();
        if (table <= 0)
            return; // a place belongs to a table
        const int n = placeCounter();
        auto *s = new TableShape(true, Panel2);
        s->cross = true;
        s->setObjectName(QStringLiteral("Place%1_%2").arg(table).arg(n));
        s->setGeometry(ShapeAnchor.x() - SeatSize / 2, ShapeAnchor.y() - SeatSize / 2, SeatSize, SeatSize);
        s->setPen(Qt::red, 1);
        s->setNumber(QString::number(n), 6);
        s->show();
        ComboBox_Place->addItem(QString::number(n) + QStringLiteral(":Място"), QVariant::fromValue<QObject *>(s));
        ComboBox_Place->setCurrentIndex(ComboBox_Place->count() - 1);
        m_nextPlace[table] = n + 1;
        connect(s, &TableShape::clicked, this, [this, s] {
            ComboBox_Place->setCurrentIndex(ComboBox_Place->findData(QVariant::fromValue<QObject *>(s)));
            ComboBox_PlaceChange();
        });
        Edit_Object_Name->setText(QStringLiteral("Място ") + QString::number(n + 1));
        return;
    }
    const int n = TableCounter++;
    auto *s = new TableShape(ShapeTool == CircleTable, Panel2);
    s->setObjectName(QStringLiteral("Shape_Masa%1").arg(n));
    s->setGeometry(ShapeAnchor.x(), ShapeAnchor.y(), SpinEdit_Width->value(), SpinEdit_Heigth->value());
    s->setNumber(QString::number(n), 12);
    s->show();
    ComboBox_Masa->addItem(QString::number(n) + QStringLiteral(":Маса"), n);
    ComboBox_Masa->setCurrentIndex(ComboBox_Masa->count() - 1);
    ComboBox_MasaChange();
    connect(s, &TableShape::clicked, this, [this, n] {
        ComboBox_Masa->setCurrentIndex(ComboBox_Masa->findData(n));
        ComboBox_MasaChange();
    });
    Edit_Object_Name->setText(QStringLiteral("Маса ") + QString::number(TableCounter));
}

void TForm_Smetki::ComboBox_MasaChange()
{
    const int chosen = ComboBox_Masa->currentData().toInt();
    for (auto *s : Panel2->findChildren<TableShape *>(Qt::FindDirectChildrenOnly))
        if (s->objectName().startsWith(QLatin1String("Shape_Masa")))
            s->setPen(s->objectName() == QStringLiteral("Shape_Masa%1").arg(chosen) ? Qt::red : Qt::black,
                      s->objectName() == QStringLiteral("Shape_Masa%1").arg(chosen) ? 2 : 1);
}

void TForm_Smetki::ComboBox_PlaceChange()
{
    auto *chosen = qobject_cast<TableShape *>(ComboBox_Place->currentData().value<QObject *>());
    for (auto *s : Panel2->findChildren<TableShape *>(Qt::FindDirectChildrenOnly))
        if (s->objectName().startsWith(QLatin1String("Place")))
            s->setPen(s == chosen ? Qt::green : Qt::red, s == chosen ? 2 : 1);
}
