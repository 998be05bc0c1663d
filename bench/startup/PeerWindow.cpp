// The start-up benchmark's peers: what a plain Qt 6 program of the viewer's kind costs to
// start. With a folder argument: a main window of the viewer's size with the viewer's menus
// and a list of the folder's "*.jib" names, read with QDir; without: an empty QMainWindow.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QMainWindow>
#include <QMenuBar>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QMainWindow window;
    window.setWindowTitle("Quillbrew Free JIB Viewer");
    window.resize(800, 600);
    if (argc > 1) {
        QMenu* file = window.menuBar()->addMenu("&File");
        file->addAction("E&xit", &window, &QWidget::close);
        QMenu* help = window.menuBar()->addMenu("&Help");
        help->addAction("Get Support...");
        help->addAction("Buy Lumenpix...");
        help->addSeparator();
        help->addAction("&About...");
        auto* list = new QListWidget(&window);
        const QDir folder(QString::fromLocal8Bit(argv[1]));
        list->addItems(folder.entryList({"*.jib"}, QDir::Files, QDir::Name));
        window.setCentralWidget(list);
    }
    window.show();
    return QApplication::exec();
}
