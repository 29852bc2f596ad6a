#include "shell/main_menu.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {
using F = MenuItemDef;
constexpr unsigned Sub = F::Submenu;
constexpr unsigned Hid = F::Hidden;
constexpr unsigned Chk = F::Checkable;

// Frozen order: see main_menu.h. Never reorder; new items go last in their menu.
const QList<MenuItemDef> kItems = {
    // Действия: the sales desk
    {"N_Dejstviq", "Действия", nullptr, nullptr, Sub},
    {"N_Prodajba", "Продажба", "N_Dejstviq", "Ins"},
    {"N_Cancel_Prodajba", "Откажи", "N_Dejstviq", "Del"},
    {"Enter1", "Добавяне в списък", "N_Dejstviq", nullptr},
    {"N_Select_All", "Избери всичко", "N_Dejstviq", "Ctrl+S"},
    {"N_Ob6ta_TO", "Свободна отстъпка", "N_Dejstviq", "F11"},
    {"N_Refresh", "Обнови", "N_Dejstviq", "F12"},
    {"N_Show_Gre6ni_Danni", "Покажи всички данни", "N_Dejstviq", nullptr},
    {"N_Dokumenti", "Печат на документи", "N_Dejstviq", "Ctrl+P"},
    {"-", "-", "N_Dejstviq", nullptr, F::Separator},
    {"N39", "Отвори сметка", "N_Dejstviq", nullptr},
    {"N_Kasa", "Паричен калкулатор", "N_Dejstviq", nullptr, Chk},
    {"N5", "Изплащане вноски", "N_Dejstviq", nullptr},
    {"-", "-", "N_Dejstviq", nullptr, F::Separator},
    {"N_Otcheti", "Отчети", "N_Dejstviq", nullptr, Sub},
    {"N_ot4et_bez_Nula", "Дневен отчет без нулиране", "N_Otcheti", nullptr},
    {"N_ot4et_s_Nula", "Дневен отчет с нулиране", "N_Otcheti", nullptr},
    {"N68", "Копие на последен бон", "N_Dejstviq", nullptr},
    {"N70", "Издай служебен бон", "N_Dejstviq", nullptr},
    {"N_Select_Kontrag", "Избор клиенти", "N_Dejstviq", nullptr, Hid},
    {"N_Select_artikuli", "Избор артикули", "N_Dejstviq", nullptr, Hid},
    {"N_dostap", "Достъп", "N_Dejstviq", nullptr, Hid},
    {"-", "-", "N_Dejstviq", nullptr, F::Separator},
    {"N_Izhod", "Изход", "N_Dejstviq", nullptr},

    // Номенклатури: registers and stock documents
    {"N_Nomenklaturi", "Номенклатури", nullptr, nullptr, Sub},
    {"N_Artikuli", "Артикули ...", "N_Nomenklaturi", nullptr},
    {"N_Klienti", "Контрагенти...", "N_Nomenklaturi", "Ctrl+K"},
    {"N45", "Контакти...", "N_Nomenklaturi", nullptr, Hid},
    {"N_Sklad", "Складове...", "N_Nomenklaturi", nullptr},
    {"N_TO", "Отстъпки/Надбавки...", "N_Nomenklaturi", "Ctrl+O"},
    {"N6", "Ценови групи ...", "N_Nomenklaturi", nullptr},
    {"N_Dokumentacia", "Документация...", "N_Nomenklaturi", "Ctrl+D"},
    {"-", "-", "N_Nomenklaturi", nullptr, F::Separator},
    {"N_Dostavka", "Доставки...", "N_Nomenklaturi", nullptr},
    {"N_Revizia", "Ревизия...", "N_Nomenklaturi", nullptr},
    {"N_Transfer", "Трансфер...", "N_Nomenklaturi", nullptr},
    {"N_Brak", "Брак...", "N_Nomenklaturi", nullptr},
    {"N_Projzvodstvo", "Пройзводство...", "N_Nomenklaturi", nullptr},
    {"N_Gar_Prod", "Гаранционни продукти...", "N_Nomenklaturi", nullptr},

    // Справки: reports
    {"N_Spravki", "Справки", nullptr, nullptr, Sub},
    {"N_Operacii", "Операции", "N_Spravki", nullptr, Sub},
    {"N_Osnovni", "Основни", "N_Operacii", nullptr, Sub},
    {"N_Spravka_Prodajba", "Продажби", "N_Osnovni", nullptr},
    {"N_SprDostavka", "Доставки", "N_Osnovni", nullptr},
    {"N_Pomo6ni_Spr", "Помощни", "N_Operacii", nullptr, Sub},
    {"N_Izgotveni_Oferti", "Предстоящи оферти", "N_Pomo6ni_Spr", nullptr},
    {"N_Spr_Nali4nosti_Art", "Наличности артикули", "N_Spravki", nullptr},
    {"N_Spr_Izd_Dok", "Издадени документи", "N_Spravki", nullptr},
    {"N_Garanc_Prod", "Гаранционни продукти", "N_Spravki", nullptr},
    {"N_Spr_Serviz", "Сервизни", "N_Spravki", nullptr, Sub},
    {"N_Spr_Izdadeni_Ser", "Издадени", "N_Spr_Serviz", nullptr},
    {"N_Spr_Anulirani", "Анулирани ", "N_Spravki", nullptr, Sub},
    {"N_Spr_Invalidate_Sales", "Продажби", "N_Spr_Anulirani", nullptr},
    {"-", "-", "N_Spravki", nullptr, F::Separator},
    {"N79", "Собствени справки ...", "N_Spravki", nullptr},

    // Настройки: settings
    {"N_Nastrojki", "Настройки", nullptr, nullptr, Sub},
    {"N_Sistemni_Nastr", "Системни...", "N_Nastrojki", nullptr},
    {"N_Sistemni", "Системни", "N_Nastrojki", nullptr, Sub},
    {"N64", "Начален номер на документ...", "N_Sistemni", nullptr},
    {"N67", "Създай собствени справки ...", "N_Sistemni", nullptr},
    {"N25", "Работни документи ...", "N_Sistemni", nullptr},
    {"-", "-", "N_Nastrojki", nullptr, F::Separator},
    {"N_Valuti", "Валутни курсове ...", "N_Nastrojki", nullptr},
    {"N63", "Отдели за изготвяне на продукция ...", "N_Nastrojki", nullptr},
    {"N_Masa_And_Places", "Дизайн на масите...", "N_Nastrojki", nullptr},
    {"-", "-", "N_Nastrojki", nullptr, F::Separator},
    {"N_Operatori", "Достъп оператори", "N_Nastrojki", nullptr},
    {"N34", "Бързи бутони...", "N_Nastrojki", nullptr},
    {"-", "-", "N_Nastrojki", nullptr, F::Separator},
    {"N_Nastr_SERVICE", "СЕРВИЗ", "N_Nastrojki", nullptr, Sub},
    {"N_Sastoqnie_Remont", "Състояние при сервиз", "N_Nastr_SERVICE", nullptr},
    {"N_Nastr_Fisk_Ser", "ФИСКАЛЕН СЕРВИЗ", "N_Nastrojki", nullptr, Sub},
    {"N_SV_BIM", "N: на свидетелство на БИМ", "N_Nastr_Fisk_Ser", nullptr},

    // Помощни: orders, tasks, offers
    {"N_Pomo6ni", "Помощни", nullptr, nullptr, Sub},
    {"N_Zaqvki_All", "Поръчки...", "N_Pomo6ni", nullptr},
    {"N_Zada4i", "Задачи...", "N_Pomo6ni", "Ctrl+Z"},
    {"N_Oferti", "Оферти...", "N_Pomo6ni", nullptr},

    // Помощници: messages and auxiliary programs
    {"N_Pomo6nici", "Помощници", nullptr, nullptr, Sub},
    {"N_SendMessage", "Изпрати съобщение...", "N_Pomo6nici", nullptr, Chk},
    {"-", "-", "N_Pomo6nici", nullptr, F::Separator},
    {"N_Calc", "Калкулатор", "N_Pomo6nici", nullptr},
    {"N_Notepad", "Бележник", "N_Pomo6nici", nullptr},
    {"Open_Exe", "Отвори програма...", "N_Pomo6nici", nullptr},
    {"-", "-", "N_Pomo6nici", nullptr, F::Separator},
    {"N14", "Архивиране", "N_Pomo6nici", nullptr},

    // База данни
    {"N_Baza_Danni", "База данни", nullptr, nullptr, Sub},
    {"N_Open_DataBase", "Отвори", "N_Baza_Danni", nullptr},
    {"N_Nova_Baza", "Нова база", "N_Baza_Danni", nullptr},
    {"N_Update_DB", "Обновяване на база данни", "N_Baza_Danni", nullptr},
    {"-", "-", "N_Baza_Danni", nullptr, F::Separator},
    {"N_Import_Danni", "Импорт на данни", "N_Baza_Danni", nullptr, Sub},
    {"N_Import_art", "Артикули", "N_Import_Danni", nullptr},
    {"N_Import_Kontragents", "Контрагенти", "N_Import_Danni", nullptr},
    {"N_Imp_Nomenkl_Kontrag", "Номенклатура на контрагент", "N_Import_Danni", nullptr},
    {"N_Import_Garanc_Prod", "Гаранционни продукти", "N_Import_Danni", nullptr},

    // Помощ
    {"N_Pomo6t", "Помощ", nullptr, nullptr, Sub},
    {"N_Help", "Помощ", "N_Pomo6t", nullptr},
    {"N_Send_Reports", "Изпрати рапорт", "N_Pomo6t", nullptr},
    {"-", "-", "N_Pomo6t", nullptr, F::Separator},
    {"N43", "За програмата", "N_Pomo6t", nullptr},

    // Анулиране: hidden, reached from the sales report
    {"N_Anulirane", "Анулиране", nullptr, nullptr, Sub | Hid},
    {"N_Invalidate_Sales", "Продажба", "N_Anulirane", nullptr},
    {"N_Anul_Dokument", "Документ", "N_Anulirane", nullptr},
};

bool isSeparator(const MenuItemDef &d)
{
    return d.flags & MenuItemDef::Separator;
}
} // namespace

const QList<MenuItemDef> &MainMenu::items()
{
    return kItems;
}

QString MainMenu::caption(const QString &name)
{
    for (const MenuItemDef &d : kItems)
        if (!isSeparator(d) && name == QLatin1String(d.name))
            return QString::fromUtf8(d.caption);
    return {};
}

void MainMenuActions::build(QMainWindow *window, QMenuBar *bar)
{
    m_nodes.clear();
    m_byName.clear();
    Node root;
    root.number = 0;
    m_nodes.append(root);

    // Numbering is depth first over the parent links, children in table order.
    QHash<QString, QList<const MenuItemDef *>> childrenOf;
    QList<const MenuItemDef *> top;
    for (const MenuItemDef &d : kItems) {
        if (d.parent)
            childrenOf[QString::fromLatin1(d.parent)].append(&d);
        else
            top.append(&d);
    }

    std::function<void(const MenuItemDef *, int, QMenu *, bool)> add =
        [&](const MenuItemDef *d, int parent, QMenu *into, bool parentHidden) {
            const bool hidden = parentHidden || (d->flags & MenuItemDef::Hidden);
            if (isSeparator(*d)) {
                if (into && !hidden)
                    into->addSeparator();
                return;
            }
            Node n;
            n.number = int(m_nodes.size());
            n.parent = parent;
            n.def = d;
            const QString name = QString::fromLatin1(d->name);
            const QString text = QString::fromUtf8(d->caption);
            if (d->flags & MenuItemDef::Submenu) {
                n.menu = new QMenu(text, window);
                n.menu->setObjectName(name);
                n.action = n.menu->menuAction();
            } else {
                n.action = new QAction(text, window);
                n.action->setCheckable(d->flags & MenuItemDef::Checkable);
            }
            n.action->setObjectName(name);
            if (d->shortcut)
                n.designShortcut = QKeySequence::fromString(QString::fromLatin1(d->shortcut),
                                                            QKeySequence::PortableText);
            n.action->setShortcut(n.designShortcut);
            // On the window itself, so shortcuts of hidden items work as well.
            if (!n.menu)
                window->addAction(n.action);
            if (!(d->flags & MenuItemDef::Hidden)) {
                if (into)
                    into->addAction(n.action);
                else if (bar)
                    bar->addAction(n.action);
            }
            const int number = n.number;
            QMenu *menu = n.menu;
            m_nodes.append(n);
            m_byName.insert(name, number);
            if (parent >= 0)
                m_nodes[parent].children.append(number);
            for (const MenuItemDef *c : childrenOf.value(name))
                add(c, number, menu, hidden);
        };
    for (const MenuItemDef *d : top)
        add(d, 0, nullptr, false);
}

QAction *MainMenuActions::action(const QString &name) const
{
    const int n = numberOf(name);
    return n > 0 ? m_nodes.at(n).action : nullptr;
}

QMenu *MainMenuActions::menu(const QString &name) const
{
    const int n = numberOf(name);
    return n > 0 ? m_nodes.at(n).menu : nullptr;
}

void MainMenuActions::resetRights()
{
    for (Node &n : m_nodes)
        n.allowed = true;
}

void MainMenuActions::resetShortcuts()
{
    for (Node &n : m_nodes)
        if (n.action)
            n.action->setShortcut(n.designShortcut);
}

bool MainMenuActions::effectiveAllowed(int number) const
{
    for (int n = number; n > 0; n = m_nodes.at(n).parent)
        if (!m_nodes.at(n).allowed)
            return false;
    return true;
}

void MainMenuActions::applyStates(const std::function<bool(const QString &)> &hasOpener)
{
    for (int i = 1; i < m_nodes.size(); ++i) {
        const Node &n = m_nodes.at(i);
        const bool usable = n.menu || (hasOpener && hasOpener(QString::fromLatin1(n.def->name)));
        n.action->setEnabled(usable && effectiveAllowed(i));
    }
}

int MainMenuActions::nodeWithShortcut(const QKeySequence &key, int except) const
{
    if (key.isEmpty())
        return -1;
    for (int i = 1; i < m_nodes.size(); ++i)
        if (i != except && m_nodes.at(i).action->shortcut() == key)
            return i;
    return -1;
}
