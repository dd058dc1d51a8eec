#include "mainwin/Main_form.h"
#include "store/AppFolder.h"
#include "store/InstanceLock.h"
#include "store/Notebook.h"
#include "ui/JapaneseFonts.h"
#include "ui/MessageBoxes.h"
#include "ui/QuitSignals.h"
#include "ui/ResponseTimes.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <future>

namespace {

void setUpLook()
{
    JapaneseFonts::install();
    QFont uiFont(QString::fromUtf8(JapaneseFonts::gothic));
    uiFont.setPointSizeF(9.75);
    QApplication::setFont(uiFont);
}

// When there is no folder for the notebook: says why, then ends.
int refuseToStart(int argc, char *argv[], const QString &text)
{
    QApplication app(argc, argv);
    setUpLook();
    MessageBoxes::notify(nullptr, text, QStringLiteral("ユリモカ"), MessageBoxes::Icon::Critical);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    // The notebook folder, the reading of the files and the lock come before
    // the application object, so that they overlap its start.
    QCoreApplication::setApplicationName(QStringLiteral("yurimoka"));
    const AppFolder::Choice place = AppFolder::resolve(
        QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath().section(u'/', 0, -2),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    const QString &folder = place.folder;
    if (folder.isEmpty()) {
        return refuseToStart(
            argc, argv,
            QStringLiteral("句帳を置くフォルダに書き込めないため、【ユリモカ】を起動できません。"));
    }

    Notebook notebook(folder);
    notebook.beginLoading(); // reads while the application and the window are being built
    // Taking the lock writes a small file and waits for the disk: that too is
    // done meanwhile, on a thread of its own (QLockFile asks nothing of the
    // application object). Reading changes nothing, so a second instance that
    // finds the lock taken has lost nothing by having read.
    InstanceLock lock(folder);
    std::future<InstanceLock::Outcome> locking =
        std::async(std::launch::async, [&lock] { return lock.acquire(); });

    QApplication app(argc, argv);
    setUpLook();
    const InstanceLock::Outcome locked = locking.get();
    if (locked == InstanceLock::Outcome::Running) {
        MessageBoxes::notify(nullptr, QStringLiteral("【ユリモカ】はすでに起動されています。"),
                             QStringLiteral("ユリモカ"), MessageBoxes::Icon::None);
        return 0;
    }
    if (locked == InstanceLock::Outcome::OtherComputer) {
        if (!Main_form::openDespiteLock(lock.otherHost()))
            return 0;
        lock.takeOver();
    }
    Main_form form(notebook);
    if (!form.Form_Load())
        return 1;

    // Every file is on disk when the window says so: end at once, with no
    // further window events and without freeing thirty thousand haiku one
    // string at a time.
    QObject::connect(&form, &Main_form::programEnded, [&lock] {
        lock.release();
        std::fflush(nullptr);
        std::_Exit(0);
    });

    // Logging out or being told to stop saves like the 終了 button.
    QuitSignals signalsToQuit;
    QObject::connect(&signalsToQuit, &QuitSignals::quitRequested, &form, &Main_form::Menu_quit_Click);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager &) { form.Menu_quit_Click(); });
    app.setQuitOnLastWindowClosed(false);
    ResponseTimes::installIfAsked();

    form.showAsSaved();
    notebook.removeLeftoverTemporariesLater();
    if (!place.writable) {
        // Said over the window, so that the poet sees their haiku behind it.
        QTimer::singleShot(0, &form, [&form, folder] {
            MessageBoxes::notify(
                &form,
                QStringLiteral("句帳のフォルダ「%1」に書き込めません。\n"
                               "句帳は開きますが、\n"
                               "このフォルダに書き込めるようになるまで、何も保存できません。\n"
                               "フォルダの書き込み権限を確かめて下さい。")
                    .arg(QDir::toNativeSeparators(folder)),
                MessageBoxes::programTitle, MessageBoxes::Icon::Warning);
        });
    }
    return app.exec();
}
