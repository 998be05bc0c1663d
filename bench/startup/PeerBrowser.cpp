// The start-up benchmark's third peer: the viewer's first screen built from stock Qt 6
// widgets, as the shortest plain Qt program showing the same thing would build it. It shows
// what the screen itself costs, whoever draws it: the menus, a folder tree from the root
// down to FOLDER (each level's sub-folders, hidden ones too, an expand arrow where a folder
// has sub-folders of its own, FOLDER selected and scrolled to), a four-column list of
// FOLDER's "*.jib" files (name, size, type and date, sorted by name), the two splitters, and
// the preview pane's caption in the viewer's fonts. Usage: jibbench-peer-browser FOLDER
#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenuBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>

namespace {

QFont Tahoma(int pixels, bool bold) {
    QFont font("Tahoma");
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

void AddMenus(QMainWindow& window) {
    QMenu* file = window.menuBar()->addMenu("&File");
    file->addAction("E&xit", &window, &QWidget::close);
    QMenu* view = window.menuBar()->addMenu("&View");
    view->addAction("&Details");
    view->addAction("&Thumbnails");
    view->addSeparator();
    view->addMenu("Thumbnail &Size");
    QMenu* help = window.menuBar()->addMenu("&Help");
    help->addAction("Get Support...");
    help->addAction("Buy Lumenpix...");
    help->addSeparator();
    help->addAction("&About...");
}

bool HasSubFolder(const QString& path) {
    return QDirIterator(path, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden).hasNext();
}

// Each folder from the root down to `target`, its sub-folders listed and the way down
// expanded; returns the item of `target`.
QTreeWidgetItem* FillTree(QTreeWidget& tree, const QString& target) {
    const QIcon folderIcon = tree.style()->standardIcon(QStyle::SP_DirIcon);
    auto* item = new QTreeWidgetItem(&tree, {"/"});
    item->setIcon(0, folderIcon);
    QString path = "/";
    const QStringList steps = QDir::cleanPath(target).split('/', Qt::SkipEmptyParts);
    for (const QString& step : steps) {
        QTreeWidgetItem* next = nullptr;
        const QStringList names = QDir(path).entryList(
            QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name | QDir::IgnoreCase);
        for (const QString& name : names) {
            auto* child = new QTreeWidgetItem(item, {name});
            child->setIcon(0, folderIcon);
            if (name == step)
                next = child;
            else if (HasSubFolder(path + name))
                child->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        }
        item->setExpanded(true);
        if (next == nullptr)
            break;
        item = next;
        path += step + '/';
    }
    return item;
}

QTreeWidget* MakeList(const QString& folder) {
    auto* list = new QTreeWidget;
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels({"Name", "Size", "Type", "Modified"});
    const int widths[] = {210, 70, 140, 140};
    for (int column = 0; column < 4; ++column)
        list->header()->resizeSection(column, widths[column]);
    list->header()->setSortIndicator(0, Qt::AscendingOrder);
    list->header()->setSortIndicatorShown(true);
    const QIcon fileIcon = list->style()->standardIcon(QStyle::SP_FileIcon);
    const QFileInfoList files =
        QDir(folder).entryInfoList({"*.jib"}, QDir::Files | QDir::Hidden, QDir::Name);
    QList<QTreeWidgetItem*> items;
    for (const QFileInfo& file : files) {
        auto* item = new QTreeWidgetItem(
            {file.fileName(), QLocale().toString((file.size() + 1023) / 1024) + "KB", "JIB File",
             file.lastModified().toString("M/d/yyyy h:mm AP")});
        item->setIcon(0, fileIcon);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    list->addTopLevelItems(items);
    return list;
}

QLabel* MakeCaption() {
    auto* caption = new QLabel("Preview Not Available");
    caption->setAlignment(Qt::AlignCenter);
    caption->setFont(Tahoma(16, true));
    QPalette palette = caption->palette();
    palette.setColor(QPalette::Window, palette.color(QPalette::Base));
    palette.setColor(QPalette::WindowText, QColor(0xC0, 0xC0, 0xC0));
    caption->setPalette(palette);
    caption->setAutoFillBackground(true);
    return caption;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QMainWindow window;
    window.setWindowTitle("Quillbrew Free JIB Viewer");
    window.setFont(Tahoma(11, false));
    AddMenus(window);

    auto* tree = new QTreeWidget;
    tree->setHeaderHidden(true);
    tree->setUniformRowHeights(true);
    tree->setIndentation(19);
    QTreeWidgetItem* current = FillTree(*tree, folder);

    auto* browser = new QSplitter(Qt::Vertical);
    browser->addWidget(tree);
    browser->addWidget(MakeList(folder));
    browser->setSizes({250, 350});
    auto* outer = new QSplitter(Qt::Horizontal);
    outer->addWidget(browser);
    outer->addWidget(MakeCaption());
    outer->setSizes({300, 500});
    window.setCentralWidget(outer);
    window.resize(800, 600 + window.menuBar()->sizeHint().height());
    window.show();
    tree->setCurrentItem(current);
    tree->scrollToItem(current);
    return QApplication::exec();
}
