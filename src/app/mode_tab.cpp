#include "app/mode_tab.h"

#include <QVBoxLayout>

ModeTab::ModeTab(const QString &name, const QString &caption, QWidget *parent)
    : QWidget(parent)
    , m_caption(caption)
    , m_content(new QVBoxLayout(this))
{
    setObjectName(name);
}

ModeTab::~ModeTab() = default;

void ModeTab::setHandler(std::unique_ptr<ModeTabHandler> handler)
{
    m_handler = std::move(handler);
}

void ModeTab::tabActivated()
{
    if (m_handler)
        m_handler->tabActivated();
}

void ModeTab::afterLogin()
{
    if (m_handler)
        m_handler->afterLogin();
}
