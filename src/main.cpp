#include "mainwin/Main_form.h"
#include "store/AppFolder.h"
#include "store/InstanceLock.h"
#include "store/Notebook.h"
#include "ui/JapaneseFonts.h"
#include "ui/MessageBoxes.h"
#include "ui/QuitSignals.h"

#include <QApplication>
#include <QSessionManager>
#include <QStandardPaths>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("yurimoka"));
    JapaneseFonts::install();
    QFont uiFont(QString::fromUtf8(JapaneseFonts::gothic));
    uiFont.setPointSizeF(9.75);
    QApplication::setFont(uiFont);

    const QString folder = AppFolder::resolve(
        QCoreApplication::applicationDirPath(),
        QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (folder.isEmpty()) {
        MessageBoxes::notify(nullptr, QStringLiteral("句帳を置くフォルダに書き込めないため、【ユリモカ】を起動できません。"),
                             QStringLiteral("ユリモカ"), MessageBoxes::Icon::Critical);
        return 1;
    }

    InstanceLock lock(folder);
    if (!lock.acquire()) {
        MessageBoxes::notify(nullptr, QStringLiteral("【ユリモカ】はすでに起動されています。"),
                             QStringLiteral("ユリモカ"));
        return 0;
    }

    Notebook notebook(folder);
    notebook.beginLoading(); // reads while the window is being built
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

    form.showAsSaved();
    return app.exec();
}
