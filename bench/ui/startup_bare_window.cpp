// Start-up benchmark: the bare Qt window Tunelet's start is measured against, a program
// of its own that links Qt's widgets and nothing else: "startup_bare_window bare|bare-zh
// time|memory".
#include <QApplication>
#include <QListView>
#include <QMainWindow>
#include <QMenuBar>
#include <QStringListModel>
#include <cstring>

#include "startup_child.h"

int main(int argc, char **argv) {
    if (argc != 3) {
        return 2;
    }
    // "bare-zh" has Chinese captions, so it pays for the Chinese font as Tunelet does.
    const bool chinese = std::strcmp(argv[1], "bare-zh") == 0;
    QApplication app(argc, argv);
    QMainWindow window;
    window.menuBar()
        ->addMenu(chinese ? QStringLiteral("文件(&F)") : QStringLiteral("File"))
        ->addAction(chinese ? QStringLiteral("打开(&O)") : QStringLiteral("Open"));
    auto *list = new QListView(&window);
    list->setModel(new QStringListModel(list));
    window.setCentralWidget(list);
    return startup::showAndExit(app, window, std::strcmp(argv[2], "memory") == 0);
}
