#pragma once
#include <QDialog>
#include <QMap>
#include <QPoint>

class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class TableShape;

// "Активни сметки": a plan of tables and places drawn by the user. The plan
// lives in this window for the run; it is neither stored nor tied to bills.
class TForm_Smetki : public QDialog
{
    Q_OBJECT
public:
    explicit TForm_Smetki(QWidget *parent = nullptr);

    enum Tool { NoTool = 0, RectangleTable = 1, CircleTable = 2, Place = 3, Picking = -1 };

    QWidget *Panel2; // the drawing area
    QWidget *Panel6; // the tools
    TableShape *Shape_Rectangle;
    TableShape *Shape_Circle;
    TableShape *Shape_Place;
    QSpinBox *SpinEdit_Width;
    QSpinBox *SpinEdit_Heigth;
    QLineEdit *Edit_Object_Name;
    QComboBox *ComboBox_Masa;
    QComboBox *ComboBox_Place;
    QWidget *Panel3;
    QPushButton *BitBtn_Select;
    QPushButton *BitBtn_Cancel;

    static void SpdBtn_SmetkaClick(QWidget *owner);      // pick a bill
    static void N_Masa_And_PlacesClick(QWidget *owner);  // design

    int BillsFormMode = 0; // 1 design (a tool active), 2 pick
    int ShapeTool = NoTool;
    int TableCounter = 1;
    QPoint ShapeAnchor;

    void toolClicked(int tool);
    void CREATE_SHAPE();
    void ComboBox_MasaChange();
    void ComboBox_PlaceChange();
    int placeCounter() const; // the next place of the table chosen

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TableShape *toolShape(int tool) const;
    QMap<int, int> m_nextPlace; // table number -> next place number
};

// A table or place drawn on the plan (and the tool shapes).
class TableShape : public QWidget
{
    Q_OBJECT
public:
    TableShape(bool round, QWidget *parent);
    void setPen(const QColor &colour, int width);
    void setNumber(const QString &text, int pointSize);
    bool round() const { return m_round; }
    QColor penColour() const { return m_pen; }
    int penWidth() const { return m_width; }
    bool cross = false; // a place's diagonal-cross brush

Q_SIGNALS:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_round;
    QColor m_pen = Qt::black;
    int m_width = 1;
    QString m_text;
    int m_pointSize = 12;
};
