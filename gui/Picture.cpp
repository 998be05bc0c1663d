#include "gui/Picture.h"

#include "gui/Bitmap.h"
#include "platform/StrFormat.h"
#include "platform/TextCase.h"

#include <algorithm>

namespace {

std::unique_ptr<TGraphic> NewBitmap() {
    return std::make_unique<TBitmap>();
}

// Built on first use, so graphic classes may register from their libraries' static
// initialisers whatever order those run in.
std::vector<TFileFormat>& Registry() {
    static std::vector<TFileFormat> formats = {{"bmp", "Bitmaps", NewBitmap}};
    return formats;
}

std::string NormalExtension(const std::string& extension) {
    return platform::LowerAscii(!extension.empty() && extension[0] == '.' ? extension.substr(1)
                                                                          : extension);
}

// The extension of a file name, without its dot; empty when the name has none.
std::string FileExtension(const std::string& fileName) {
    const std::size_t slash = fileName.rfind('/');
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return fileName.substr(dot + 1);
}

} // namespace

TPicture::TPicture() = default;

TPicture::~TPicture() {
    if (FGraphic)
        FGraphic->OnChange = nullptr;
}

void TPicture::SetGraphic(const TGraphic* value) {
    if (value == FGraphic.get() && value)
        return;
    std::unique_ptr<TGraphic> copy;
    if (value) {
        copy = value->NewInstance();
        if (!copy)
            throw EInvalidGraphicOperation(
                Format("A picture can't hold a copy of a %s", value->ClassName()));
        copy->Assign(*value);
    }
    Adopt(std::move(copy));
}

void TPicture::Adopt(std::unique_ptr<TGraphic> graphic) {
    if (FGraphic)
        FGraphic->OnChange = nullptr;
    FGraphic = std::move(graphic);
    if (FGraphic)
        FGraphic->OnChange = [this](TGraphic*) {
            Changed();
        };
    Changed();
}

void TPicture::Changed() {
    if (OnChange)
        OnChange(this);
}

int TPicture::Width() const {
    return FGraphic ? FGraphic->Width() : 0;
}

int TPicture::Height() const {
    return FGraphic ? FGraphic->Height() : 0;
}

TBitmap& TPicture::Bitmap() {
    auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get());
    if (!bitmap) {
        auto fresh = std::make_unique<TBitmap>();
        bitmap = fresh.get();
        Adopt(std::move(fresh));
    }
    return *bitmap;
}

void TPicture::LoadFromFile(const std::string& fileName) {
    const std::string extension = FileExtension(fileName);
    const TGraphicClass graphicClass = FindGraphicClass(extension);
    if (!graphicClass)
        throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", extension.c_str()));
    std::unique_ptr<TGraphic> graphic = graphicClass();
    graphic->LoadFromFile(fileName);
    Adopt(std::move(graphic));
}

void TPicture::SaveToFile(const std::string& fileName) {
    if (!FGraphic)
        throw EInvalidGraphicOperation("An empty picture has nothing to save");
    FGraphic->SaveToFile(fileName);
}

void TPicture::RegisterFileFormat(const std::string& extension, const std::string& description,
                                  TGraphicClass graphicClass) {
    const std::string key = NormalExtension(extension);
    std::vector<TFileFormat>& formats = Registry();
    std::erase_if(formats, [&](const TFileFormat& f) { return f.Extension == key; });
    formats.push_back({key, description, graphicClass});
}

void TPicture::UnregisterGraphicClass(TGraphicClass graphicClass) {
    std::erase_if(Registry(), [&](const TFileFormat& f) { return f.GraphicClass == graphicClass; });
}

std::vector<TFileFormat> TPicture::FileFormats() {
    return Registry();
}

TGraphicClass TPicture::FindGraphicClass(const std::string& extension) {
    const std::string key = NormalExtension(extension);
    for (const TFileFormat& f : Registry())
        if (f.Extension == key)
            return f.GraphicClass;
    return nullptr;
}

std::string TPicture::GraphicFilter() {
    std::vector<TFileFormat> formats = Registry();
    std::sort(formats.begin(), formats.end(),
              [](const TFileFormat& a, const TFileFormat& b) { return a.Extension < b.Extension; });
    // File dialogs match patterns case-sensitively here, and files named on other systems
    // often carry their extension in capitals.
    std::string all, each;
    for (const TFileFormat& f : formats) {
        const std::string patterns = "*." + f.Extension + " *." + platform::UpperAscii(f.Extension);
        all += (all.empty() ? "" : " ") + patterns;
        each += ";;" + f.Description + " (" + patterns + ")";
    }
    return "All pictures (" + all + ")" + each;
}
