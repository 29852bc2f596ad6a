#include "offers/catalogue_import_command.h"

#include "app/app_state.h"
#include "app/import_run.h"
#include "app/long_operation.h"
#include "common/reference_text.h"
#include "offers/catalogue_import.h"
#include "offers/form_oferti.h"
#include "offers/supplier_catalogue.h"
#include "platform/dialogs.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFileInfo>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTreeWidget>

#include <climits>

namespace {
int g_chunkMs = 50;

// Keeps input away from the two windows while a run goes, except from their
// cancel buttons; other windows (a dialog that opens meanwhile) take input.
// Closing the offers window asks the run to stop instead.
class InputBlock : public QObject
{
public:
    InputBlock(QWidget *offers, QWidget *main)
        : m_offers(offers)
        , m_main(main)
    {
        qApp->installEventFilter(this);
    }
    ~InputBlock() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Close && watched == m_offers) {
            LongOperation::cancelPressed();
            event->ignore();
            return true;
        }
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
            break;
        default:
            return false;
        }
        auto *widget = qobject_cast<QWidget *>(watched);
        if (!widget)
            return false;
        QWidget *window = widget->window();
        if (window != m_offers && window != m_main)
            return false;
        for (QWidget *w = widget; w; w = w->parentWidget())
            if (qobject_cast<QAbstractButton *>(w) && w->objectName() == QLatin1String("BitBtn_Sel_Cancel"))
                return false;
        if (event->type() == QEvent::ShortcutOverride)
            event->accept(); // the key stays with the blocked widget: no shortcut fires
        return true;
    }

private:
    QPointer<QWidget> m_offers, m_main;
};

// Gauges hold ints: large files move them in steps of more than a byte.
qint64 gaugeScale(qint64 size)
{
    return size / INT_MAX + 1;
}

void runOn(TForm_Oferti &form, CatalogueImport::Mode mode, long long supplier, const QString &path,
           const QString &supplierNode)
{
    const bool update = mode == CatalogueImport::Mode::Update;
    QPointer<TForm_Oferti> w(&form);
    QWidget *main = form.parentWidget() ? form.parentWidget()->window() : nullptr;

    LongOperationFlag = update ? 2 : 1;
    form.setCancelTag(0);
    form.Gauge1->setValue(0);
    form.Gauge1->show();
    form.Panel14->setToolTip(QStringLiteral("Прекъсни операцията"));
    form.Panel14->show();
    form.BitBtn_Sel_Cancel->setEnabled(true);
    form.DBGrid_Art->setEnabled(false);
    const qint64 size = QFileInfo(path).size();
    const qint64 scale = gaugeScale(size);
    form.Gauge1->setRange(0, int(size / scale));
    LongOperation::begin(size / scale,
                         update ? QStringLiteral("Актуализация на оферти") : QStringLiteral("Добавяне на оферти"),
                         LongOperation::Cancel::Once);
    CatalogueImport::Result result;
    {
        InputBlock block(&form, main);
        form.showMinimized();
        CatalogueImport::Callbacks callbacks;
        callbacks.between = [&](qint64 done, qint64) {
            if (w)
                w->Gauge1->setValue(int(done / scale));
            return LongOperation::step(done / scale);
        };
        callbacks.stopRequested = [] { return LongOperation::stopRequested(); };
        callbacks.swapping = [&](bool on) {
            if (w)
                w->BitBtn_Sel_Cancel->setEnabled(!on);
            LongOperation::setCancelEnabled(!on);
            if (on)
                QCoreApplication::processEvents(); // shown greyed before the swap holds the lock
        };
        result = CatalogueImport::run(path, mode, supplier, SupplierCatalogue::treeFilePath(), callbacks, g_chunkMs);
    }
    // Every ending puts both windows back.
    const bool closing = LongOperation::closing();
    LongOperation::end();
    LongOperationFlag = -1;
    if (!w)
        return;
    form.setCancelTag(0);
    form.Gauge1->hide();
    form.Panel14->hide();
    form.BitBtn_Sel_Cancel->setEnabled(true);
    form.DBGrid_Art->setEnabled(true);
    if (closing)
        return; // the program ends: nothing more to show
    form.setWindowState(form.windowState() & ~Qt::WindowMinimized);
    form.loadTree();
    if (update)
        for (int i = 0; i < form.TreeView1->topLevelItemCount(); ++i)
            if (ReferenceText::key(form.TreeView1->topLevelItem(i)->text(0)) == supplier)
                form.TreeView1->setCurrentItem(form.TreeView1->topLevelItem(i));
    const QString node = update && !result.newName.isEmpty() ? ReferenceText::make(supplier, result.newName)
                                                              : supplierNode;
    TForm_Oferti::OwnDialog guard(&form);
    Dialogs::message(CatalogueImport::message(result, mode, node), &form);
}

QString chooseCatalogue(TForm_Oferti &form)
{
    TForm_Oferti::OwnDialog guard(&form);
    return Dialogs::openFile(QStringLiteral("Каталог на доставчик"),
                             QStringLiteral("Каталози (*.txt);;Всички файлове (*)"), {}, &form);
}
} // namespace

void CatalogueImportCommand::install()
{
    TForm_Oferti::setImportHooks([](TForm_Oferti &form) { N_Import_CLClick(form); },
                                 [](TForm_Oferti &form) { N_ActualizaciaClick(form); });
}

void CatalogueImportCommand::setChunkMs(int ms)
{
    g_chunkMs = ms;
}

void CatalogueImportCommand::N_Import_CLClick(TForm_Oferti &form)
{
    if (LongOperation::running())
        return;
    const QString path = chooseCatalogue(form);
    if (path.isEmpty())
        return;
    runOn(form, CatalogueImport::Mode::Import, 0, path, {});
}

void CatalogueImportCommand::N_ActualizaciaClick(TForm_Oferti &form)
{
    if (LongOperation::running())
        return;
    QTreeWidgetItem *node = form.TreeView1->currentItem();
    const long long supplier = node && !node->parent() ? ReferenceText::key(node->text(0)) : 0;
    if (supplier <= 0) {
        TForm_Oferti::OwnDialog guard(&form);
        Dialogs::message(QStringLiteral("Необходимо е да изберете Фирма за актуализацията"), &form);
        form.TreeView1->setFocus();
        return;
    }
    const QString text = node->text(0);
    // The file first: a cancelled choice leaves the catalogue as it is.
    const QString path = chooseCatalogue(form);
    if (path.isEmpty())
        return;
    runOn(form, CatalogueImport::Mode::Update, supplier, path, text);
}
