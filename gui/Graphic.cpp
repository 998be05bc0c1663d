#include "gui/Graphic.h"

#include "gui/Stream.h"
#include "platform/StrFormat.h"

void TGraphic::Assign(const TGraphic& source) {
    source.AssignTo(*this);
}

void TGraphic::AssignTo(TGraphic& dest) const {
    throw EConvertError(Format("Cannot assign a %s to a %s", ClassName(), dest.ClassName()));
}

void TGraphic::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, TFileStream::fmOpenRead);
    LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& fileName) {
    TFileStream stream(fileName, TFileStream::fmCreate);
    SaveToStream(stream);
}

void TGraphic::LoadFromClipboardFormat(const QMimeData& /*data*/) {
    throw EInvalidGraphic("Unsupported clipboard format");
}

void TGraphic::SaveToClipboardFormat(QMimeData& /*data*/) {
    throw EInvalidGraphicOperation(Format("A %s can't be put on the clipboard", ClassName()));
}
