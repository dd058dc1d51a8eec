// The yardstick for start-up: a bare Qt window with what the main window
// has at its core (a menu bar, a table, a text box), and nothing of the
// notebook. It quits when its window is closed.
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle(QStringLiteral("ユリモカ bare"));
    window.menuBar()->addMenu(QStringLiteral("ﾌｧｲﾙ(&F)"))->addAction(QStringLiteral("終了(&Q)"));
    auto *client = new QWidget(&window);
    auto *layout = new QVBoxLayout(client);
    auto *table = new QTableView(client);
    auto *model = new QStandardItemModel(1, 3, table);
    table->setModel(model);
    layout->addWidget(table);
    layout->addWidget(new QPlainTextEdit(client));
    window.setCentralWidget(client);
    window.resize(628, 440);
    window.show();
    return app.exec();
}
