#include "app/help_actions.h"

#include "common/program_folder.h"
#include "platform/db/transaction.h"
#include "platform/dialogs.h"
#include "app/form_animate.h"
#include "app/form_animations.h"
#include "app/list_export.h"
#include "app/window_owner.h"

#include <QApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>

namespace {
// Lets the new window paint once; never while a write transaction is open.
void paintOnce()
{
    if (!WriteTransaction::anyOpen())
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
} // namespace

// Each medium is looked for on its own: a program folder may hold some of
// them and leave the rest to the copies delivered beside the executable.
QString HelpActions::clipFile(const QString &keyword)
{
    return ProgramFolder::programFile(QStringLiteral("Video/") + keyword + QStringLiteral(".gif"));
}

QString HelpActions::helpDocument()
{
    return ProgramFolder::programFile(QStringLiteral("Video/R_P.rtf"));
}

void HelpActions::Action_SearchExecute()
{
    const QString clip = clipFile(QStringLiteral("Search"));
    if (!QFileInfo::exists(clip))
        return;
    if (!Form_Animations)
        Form_Animations = new TForm_Animations(WindowOwner::mainWindow());
    if (!Form_Animations->play(clip))
        return;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        Form_Animations->move(area.right() + 1 - (Form_Animations->width() + 20),
                              area.bottom() + 1 - (Form_Animations->height() + 100));
    }
    Form_Animations->show();
    paintOnce();
}

void HelpActions::Action_Stop_SearchExecute()
{
    if (Form_Animations)
        Form_Animations->stopNearEnd();
}

void HelpActions::showVideoHelp(const QString &keyword)
{
    if (!Form_Animate)
        Form_Animate = new TForm_Animate(WindowOwner::mainWindow());
    Form_Animate->setClip(clipFile(keyword));
    Form_Animate->startClip();
    paintOnce();
    Dialogs::exec(Form_Animate);
}

void HelpActions::Action_Edit_ArtExecute()
{
    showVideoHelp(QStringLiteral("1"));
}

void HelpActions::Action_Add_KontragExecute()
{
    showVideoHelp(QStringLiteral("2"));
}

bool HelpActions::N_HelpClick()
{
    const QString document = helpDocument();
    if (!QFileInfo::exists(document))
        return false;
    return SHELLEXECUTE_OPENFILE(document);
}
