// Loading starts before the application object exists, on a second thread.
// Qt takes the first thread that makes a QObject for its main thread; were
// that the loading thread, the application would come up without a main
// event dispatcher and the window would stop answering. beginLoading() must
// claim the main thread for its caller. This needs its own main(), with no
// Qt object of any kind made in advance.

#include "store/Notebook.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

int main(int argc, char *argv[])
{
    // A notebook large enough that the loading thread is still at work when
    // the application object is made; written without Qt.
    char folder[] = "/tmp/yurimoka-background-load-XXXXXX";
    if (!mkdtemp(folder))
        return 2;
    {
        std::ofstream out(std::string(folder) + "/haiku.dat", std::ios::binary);
        for (int i = 1; i <= 100000; ++i)
            out << "2026/01/01\r\nharu\r\nfuruike ya " << i << "\r\n " << i
                << " \r\nc6/01/01 00:00:00\r\nc6/01/01 00:00:00\r\nNO\r\n";
    }

    int failed = 0;
    {
        Notebook nb(QString::fromLocal8Bit(folder));
        nb.beginLoading();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        QCoreApplication app(argc, argv);
        if (!QCoreApplication::eventDispatcher()) {
            std::puts("FAIL: the application has no main event dispatcher");
            ++failed;
        }
        const StartupReport report = nb.startUp(Settings(), QDateTime::currentDateTime());
        if (!report.fatal.isEmpty() || nb.haiku_count() != 100000 ||
            nb.record(100000).poem != QLatin1String("furuike ya 100000")) {
            std::puts("FAIL: the notebook read on the second thread is not the one on disk");
            ++failed;
        }
    }
    std::filesystem::remove_all(folder);
    std::printf("%d passed, %d failed\n", 2 - failed, failed);
    return failed == 0 ? 0 : 1;
}
