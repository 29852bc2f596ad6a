#pragma once
// The fiscal-service tab on a page of its own, for the window tests.
#include "app/mode_tab.h"
#include "fiscal_service/fiscal_tab.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace fiscaltest {
struct Tab {
    ModeTab page{QStringLiteral("TabSheet_Fisk_Ser"), QStringLiteral("ФИСКАЛЕН СЕРВИЗ")};
    FiscalTab *t;
    Tab()
    {
        t = new FiscalTab(&page);
        page.setHandler(std::unique_ptr<ModeTabHandler>(t));
        page.resize(1200, 900);
        page.show();
    }
    void lookup(const QString &number)
    {
        t->Edit_ID_EKA->setText(number);
        QTest::keyClick(t->Edit_ID_EKA, Qt::Key_Return);
    }
    QString label(const char *name) const
    {
        auto *l = page.findChild<QLabel *>(QString::fromLatin1(name));
        return l ? l->text() : QStringLiteral("<none>");
    }
    QPushButton *button(const char *name) const { return page.findChild<QPushButton *>(QString::fromLatin1(name)); }
    // The fiscal-centre documents listed, in list order.
    QStringList documents() const
    {
        QStringList names;
        for (int i = 0; i < t->ChkListBox_Pokaj_Dokum_FC->count(); ++i)
            names << t->ChkListBox_Pokaj_Dokum_FC->item(i)->text();
        return names;
    }
};
} // namespace fiscaltest
