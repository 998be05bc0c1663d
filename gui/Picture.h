// The framework's picture: holds one graphic of any registered class, keeps its own copy
// of whatever it is given, and picks the class for a file by its extension. Graphic
// classes register themselves with the extension and description their files go by.
#pragma once

#include "gui/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

// Makes a new, empty graphic of one class.
using TGraphicClass = std::unique_ptr<TGraphic> (*)();

struct TFileFormat {
    // Lower case, without the dot ("png").
    std::string Extension;
    std::string Description;
    TGraphicClass GraphicClass = nullptr;
};

class TPicture {
public:
    TPicture();
    ~TPicture();
    TPicture(const TPicture&) = delete;
    TPicture& operator=(const TPicture&) = delete;

    // Null while the picture is empty.
    TGraphic* Graphic() const { return FGraphic.get(); }
    // Takes a copy of `value`: a new graphic of the same class assigned from it, so the
    // caller may destroy its own at once. Null empties the picture. When the copy fails
    // the picture keeps what it held.
    void SetGraphic(const TGraphic* value);
    void Assign(const TPicture& source) { SetGraphic(source.Graphic()); }

    // The graphic's size; 0 while empty.
    int Width() const;
    int Height() const;

    // The graphic as a bitmap; a picture holding anything else is emptied into a new,
    // empty bitmap first.
    TBitmap& Bitmap();

    // Loads a file with the class registered for its extension (ignoring case). Raises
    // EInvalidGraphic for an unknown extension and whatever the load raises; on failure
    // the picture keeps what it held.
    void LoadFromFile(const std::string& fileName);
    // Raises EInvalidGraphicOperation while empty.
    void SaveToFile(const std::string& fileName);

    // Raised after the picture's graphic was replaced or changed itself.
    std::function<void(TPicture* sender)> OnChange;

    // The registry of graphic classes by file extension. A later registration of an
    // extension replaces the earlier one.
    static void RegisterFileFormat(const std::string& extension, const std::string& description,
                                   TGraphicClass graphicClass);
    static void UnregisterGraphicClass(TGraphicClass graphicClass);
    static std::vector<TFileFormat> FileFormats();
    // Null when no class is registered for `extension` (with or without its dot).
    static TGraphicClass FindGraphicClass(const std::string& extension);
    // A file-dialog filter naming every registered format, all of them first:
    // "All pictures (*.bmp *.BMP *.png *.PNG);;Bitmaps (*.bmp *.BMP);;...".
    static std::string GraphicFilter();

    // Holds `graphic` itself rather than a copy of it: for a caller that made the graphic
    // only to show it (a decoded preview), a copy would be work for nothing.
    void Adopt(std::unique_ptr<TGraphic> graphic);

private:
    void Changed();

    std::unique_ptr<TGraphic> FGraphic;
};
