#include "gui/Clipboard.h"

#include "gui/Graphic.h"

#include <memory>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}

void TClipboard::Assign(TGraphic& graphic) {
    auto data = std::make_unique<QMimeData>();
    graphic.SaveToClipboardFormat(*data);
    // The clipboard takes ownership of the data.
    QGuiApplication::clipboard()->setMimeData(data.release());
}

void TClipboard::AssignTo(TGraphic& graphic) const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data)
        throw EInvalidGraphic("Unsupported clipboard format");
    graphic.LoadFromClipboardFormat(*data);
}

bool TClipboard::HasPicture() const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasImage();
}
