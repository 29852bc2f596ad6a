#pragma once
#include <QWidget>

#include <memory>

class QVBoxLayout;

// What a working mode does on its tab. The sales desk, the service and the
// fiscal-service modules implement it and install it on their tab.
class ModeTabHandler
{
public:
    virtual ~ModeTabHandler() = default;
    // The tab became the active working mode (before the operator logs in again).
    virtual void tabActivated() {}
    // An operator logged in while this tab is active: reload its lists
    // (the buttons that share menu actions follow the rights by themselves).
    virtual void afterLogin() {}
};

// One page of PageControl1 (TabSheet_Magazin, TabSheet_Servis, TabSheet_Fisk_Ser).
class ModeTab : public QWidget
{
    Q_OBJECT
public:
    ModeTab(const QString &name, const QString &caption, QWidget *parent = nullptr);
    ~ModeTab() override;

    QString caption() const { return m_caption; }
    // The area the working mode fills with its own controls.
    QVBoxLayout *content() const { return m_content; }

    void setHandler(std::unique_ptr<ModeTabHandler> handler);
    ModeTabHandler *handler() const { return m_handler.get(); }

    void tabActivated();
    void afterLogin();

private:
    QString m_caption;
    QVBoxLayout *m_content;
    std::unique_ptr<ModeTabHandler> m_handler;
};
