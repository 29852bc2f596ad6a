#pragma once
#include "common/ini_file.h"
#include "documents/layout_document.h"
#include "documents/layout_file.h"
#include "documents/layout_save.h"
#include "platform/db/database.h"
#include "platform/report/print_target.h"
#include "platform/report/recording_paint_device.h"

#include <memory>

#include <QList>
#include <QPair>
#include <QString>

// Data the document printing tests share: a counterparty 7 (firm in
// "Пловдив", its person 3 in "Варна"), articles 12 (group 5) and 40, a
// euro rate, operators Иван and Мария, and open lines
// 1 (12 by Иван, BGN), 2 (40 by Иван, EUR), 3 (12 by Мария, 5 pieces).
namespace PrintFixture {
inline void fill()
{
    auto run = [](const char *sql, const QVariantList &v = {}) { Db::execute(QString::fromUtf8(sql), v); };
    run("INSERT INTO Valuti (Opisanie, Kurs, Osn) VALUES ('EUR', 1.95583, 'False')");
    run("INSERT INTO Klienti (ID, Ime_Klient, Grad) VALUES (3, 'Петър Петров', 'Варна')");
    run("INSERT INTO Firmi (ID, Ime_Firma, Grad, ID_Mol) VALUES (7, 'Фирма ООД', 'Пловдив', 3)");
    run("INSERT INTO Grupi (ID, Opisanie) VALUES (5, 'Кабели')");
    run("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) VALUES (12, 'Кабел', 5, 2.5, 'BGN')");
    run("INSERT INTO Produkti (ID, Opisanie, Nomer_Grupa, Ed_Cena, Valuta_P) VALUES (40, 'Щепсел', 0, 1, 'EUR')");
    run("INSERT INTO Operators (Ime, Par, Prava) VALUES ('Иван', 'x', ''), ('Мария', 'x', '')");
    const char *line = "INSERT INTO Prodajbi_Vremenni (N_Prodajba, Barkod, Opisanie, Kol, Ed_Cena, Valuta, "
                       "Operator, T_O, Sm_N, Term_N) VALUES (?, ?, ?, ?, ?, ?, ?, 0, 0, 1)";
    run(line, {1, 12, QStringLiteral("Кабел"), 1.0, 2.5, QStringLiteral("BGN"), QStringLiteral("Иван")});
    run(line, {2, 40, QStringLiteral("Щепсел"), 2.0, 1.0, QStringLiteral("EUR"), QStringLiteral("Иван")});
    run(line, {3, 12, QStringLiteral("Кабел"), 5.0, 2.5, QStringLiteral("BGN"), QStringLiteral("Мария")});
}

inline Layout::Element field(const QString &table, const QString &name, int index)
{
    Layout::Element e;
    e.kind = Layout::Kind::DataField;
    e.band = Layout::Band::Detail;
    e.name = QStringLiteral("QRDBText%1").arg(index);
    e.table = table;
    e.field = name;
    e.top = 2;
    e.left = 10 + 150 * (index - 1);
    e.width = 140;
    return e;
}

// A layout of the given data fields ("Table", "Field").
inline Layout::Document layout(const QList<QPair<QString, QString>> &fields)
{
    Layout::Document d;
    d.headerHeight = 40;
    d.detailHeight = 24;
    d.footerHeight = 20;
    int i = 0;
    for (const auto &[t, f] : fields)
        d.elements.append(field(t, f, ++i));
    return d;
}

// Saves a layout and registers its document with the number text and where-used text.
inline bool save(const QString &name, const Layout::Document &d, const QString &number = QStringLiteral("0"),
                 const QString &where = QStringLiteral("МАГАЗИН ,,"))
{
    LayoutSave::Request r;
    r.name = name;
    QString error;
    if (!LayoutSave::save(d, r, &error))
        return false;
    if (d.originalVisible) { // kept by hand in the file, as the designer never writes it
        IniFile ini(LayoutFile::basePath(name) + QStringLiteral(".psc"));
        ini.writeInteger(QStringLiteral("Original"), QStringLiteral("Vis"), 1);
        if (!ini.save())
            return false;
    }
    Db::execute(QStringLiteral("UPDATE Dokumenti SET N_Dok = ?, Kade_se_izpolzva = ? WHERE Opisanie = ?"),
                {number, where, name});
    return true;
}

// Every printout, whatever printer it names, goes to one recording device;
// the printer of each job is noted in order.
struct Recorder {
    RecordingPaintDevice device;
    QStringList printers; // one per job begun

    struct Target : Report::PrintTarget {
        Target(Recorder *r, QString printer)
            : r_(r)
            , printer_(std::move(printer))
        {
        }
        bool prepare(const QString &t) override { return r_->device.prepare(t); }
        bool begin(const QString &t) override
        {
            r_->printers.append(printer_);
            return r_->device.begin(t);
        }
        QPaintDevice *device() override { return &r_->device; }
        bool newPage() override { return r_->device.newPage(); }
        bool end(bool painted) override { return r_->device.end(painted); }
        QString refusedMessage() const override { return r_->device.refusedMessage(); }
        QString errorString() const override { return r_->device.errorString(); }
        Recorder *r_;
        QString printer_;
    };

    Recorder()
    {
        Report::setPrintTargetMaker([this](const QString &printer) { return std::make_unique<Target>(this, printer); });
    }
    ~Recorder() { Report::setPrintTargetMaker(nullptr); }

    // The texts of the sent jobs' first pages, in order.
    QList<QStringList> sentTexts() const
    {
        QList<QStringList> texts;
        for (const RecordingPaintDevice::Job &j : device.jobs())
            if (j.sent && !j.pages.isEmpty())
                texts.append(j.pages.first().lineTexts());
        return texts;
    }
};
} // namespace PrintFixture
