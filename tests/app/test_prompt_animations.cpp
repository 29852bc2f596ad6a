#include "harness/test_registry.h"
#include "harness/test_support.h"

#include "platform/script.h"
#include "app/form_animate.h"
#include "app/form_animations.h"
#include "app/help_actions.h"
#include "common/program_folder.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {
void copyMedia(const TestProgram &program, const QStringList &names)
{
    QDir().mkpath(program.file(QStringLiteral("Video")));
    for (const QString &name : names)
        QVERIFY(QFile::copy(QStringLiteral(VENTAROS_SOURCE_DIR "/Video/") + name,
                            program.file(QStringLiteral("Video/") + name)));
}
} // namespace

class TestPromptAnimations : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void cleanup()
    {
        ProgramFolder::setDeliveryFolders({});
        delete Form_Animations;
        delete Form_Animate;
        VideoFrameCounter = 0;
        PlatformScript::setModalHandler({});
    }

    void searchIndicatorWithoutClipShowsNothing()
    {
        TestProgram program(false);
        HelpActions::Action_SearchExecute();
        QVERIFY(!Form_Animations);
        HelpActions::Action_Stop_SearchExecute(); // nothing to stop
        QVERIFY(!HelpActions::N_HelpClick());
        QVERIFY(PlatformScript::texts(QStringLiteral("openFile.shell")).isEmpty());
    }

    void searchIndicatorPlaysStopsAndIsReused()
    {
        TestProgram program(false);
        copyMedia(program, {QStringLiteral("Search.gif")});
        HelpActions::Action_SearchExecute();
        QVERIFY(Form_Animations);
        TForm_Animations *first = Form_Animations;
        QVERIFY(first->isVisible());
        QVERIFY(first->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(first->movie()->state(), QMovie::Running);
        const int frames = first->movie()->frameCount();
        QVERIFY(frames > 2);

        HelpActions::Action_Stop_SearchExecute();
        QCOMPARE(first->movie()->state(), QMovie::NotRunning);
        QCOMPARE(first->movie()->currentFrameNumber(), frames - 2);
        QVERIFY(first->isVisible()); // stays until the user closes it

        HelpActions::Action_SearchExecute();
        QCOMPARE(Form_Animations.data(), first);
        QCOMPARE(first->movie()->state(), QMovie::Running);
        QVERIFY(first->movie()->currentFrameNumber() < frames - 2);
    }

    void videoHelpStepsFrameByFrame()
    {
        TestProgram program(false);
        copyMedia(program, {QStringLiteral("1.gif")});
        int frames = 0;
        QList<int> shown;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Animate *>(d);
            f->show();
            frames = f->movie()->frameCount();
            // Playing on show; pause toggles the caption.
            bool ok = f->movie()->state() == QMovie::Running;
            QTest::mouseClick(f->BitBtn_Pause, Qt::LeftButton);
            ok = ok && f->movie()->state() == QMovie::Paused && f->BitBtn_Pause->text() == QStringLiteral("Старт");
            QTest::keyClick(f, Qt::Key_Escape); // Esc presses the pause button
            ok = ok && f->movie()->state() == QMovie::Running && f->BitBtn_Pause->text() == QStringLiteral("Стоп");
            if (!ok)
                return -1;
            for (int i = 0; i < frames; ++i) {
                f->SpdBtn_Rigth->click();
                shown.append(f->movie()->currentFrameNumber());
            }
            // At the last frame the button only disables itself.
            f->SpdBtn_Rigth->click();
            shown.append(VideoFrameCounter);
            shown.append(f->SpdBtn_Rigth->isEnabled() ? 1 : 0);
            f->SpdBtn_Left->click();
            shown.append(f->movie()->currentFrameNumber());
            QTest::mouseClick(f->BitBtn_Cancel, Qt::LeftButton);
            return f->result();
        });
        HelpActions::Action_Edit_ArtExecute();
        QCOMPARE(frames, 5);
        QCOMPARE(shown, QList<int>({0, 1, 2, 3, 4, 5, 0, 3}));
        QCOMPARE(Form_Animate->windowTitle(), QStringLiteral("ВИДЕО ПОМОЩ"));
        QVERIFY(!Form_Animate->isVisible());
        QCOMPARE(VideoFrameCounter, 4); // kept for the next showing

        // Down at frame 1, "Предишен" only disables itself.
        VideoFrameCounter = 1;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Animate *>(d);
            f->SpdBtn_Left->click();
            return f->SpdBtn_Left->isEnabled() ? 1 : 0;
        });
        HelpActions::Action_Edit_ArtExecute();
        QCOMPARE(VideoFrameCounter, 1);
        QVERIFY(!Form_Animate->SpdBtn_Left->isEnabled());
    }

    void missingHelpClipIsNamed()
    {
        TestProgram program(false);
        QString text;
        bool buttons = true;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Animate *>(d);
            text = f->Animate1->text();
            buttons = f->BitBtn_Pause->isEnabled() || f->SpdBtn_Rigth->isEnabled();
            f->BitBtn_PauseClick(); // harmless without a clip
            f->SpdBtn_RigthClick();
            return 0;
        });
        HelpActions::Action_Add_KontragExecute();
        QVERIFY(text.contains(QStringLiteral("2.gif")));
        QVERIFY(!buttons);
    }

    // A program folder without Video/ (a new one, the first start) takes the
    // clips delivered beside the executable; one of its own wins; the missing
    // clip is named; the help document and the search clip stay silent.
    void mediaComeFromTheProgramFolderElseBesideTheExecutable()
    {
        TestProgram program(false);
        QTemporaryDir exe;
        ProgramFolder::setDeliveryFolders({exe.path()});
        const QString delivered = QDir(exe.path()).filePath(QStringLiteral("Video"));
        QDir().mkpath(delivered);
        for (const char *name : {"2.gif", "R_P.rtf"})
            QVERIFY(QFile::copy(QStringLiteral(VENTAROS_SOURCE_DIR "/Video/") + QLatin1String(name),
                                QDir(delivered).filePath(QLatin1String(name))));

        QString text;
        bool playing = false;
        PlatformScript::setModalHandler([&](QDialog *d) {
            auto *f = qobject_cast<TForm_Animate *>(d);
            text = f->Animate1->text();
            playing = f->Animate1->movie() != nullptr;
            return 0;
        });
        HelpActions::Action_Add_KontragExecute();
        QVERIFY(playing);
        QCOMPARE(HelpActions::clipFile(QStringLiteral("2")), QDir(delivered).filePath(QStringLiteral("2.gif")));

        // the program folder's own copy first
        copyMedia(program, {QStringLiteral("2.gif")});
        QCOMPARE(HelpActions::clipFile(QStringLiteral("2")), program.file(QStringLiteral("Video/2.gif")));

        // neither has clip 1: the window names it where it belongs
        HelpActions::Action_Edit_ArtExecute();
        QVERIFY(text.contains(program.file(QStringLiteral("Video/1.gif"))));

        // the help document is found beside the executable too
        QVERIFY(HelpActions::N_HelpClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")),
                 QStringList{QDir(delivered).filePath(QStringLiteral("R_P.rtf"))});
        // and without it anywhere nothing happens, as with the search clip
        QVERIFY(QFile::remove(QDir(delivered).filePath(QStringLiteral("R_P.rtf"))));
        PlatformScript::clearEvents();
        QVERIFY(!HelpActions::N_HelpClick());
        HelpActions::Action_SearchExecute();
        QVERIFY(!Form_Animations);
        QVERIFY(PlatformScript::events().isEmpty());
    }

    void helpDocumentOpensWithItsProgram()
    {
        TestProgram program(false);
        copyMedia(program, {QStringLiteral("R_P.rtf")});
        QVERIFY(HelpActions::N_HelpClick());
        QCOMPARE(PlatformScript::texts(QStringLiteral("openFile.shell")),
                 QStringList{program.file(QStringLiteral("Video/R_P.rtf"))});
    }
};
VTEST(TestPromptAnimations)

#include "test_prompt_animations.moc"
