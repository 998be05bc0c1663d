// The framework's abstract graphic: something with a size that loads from and saves to a
// byte stream and draws itself onto a canvas. Pictures and image controls hold graphics
// through this class without knowing the format behind them.
#pragma once

#include "gui/Exceptions.h"
#include "platform/Geometry.h"

#include <functional>
#include <memory>
#include <string>

class QMimeData;
class TCanvas;
class TStream;

namespace gdi {
class TPalette;
}

// Raised when a graphic is assigned from or to a class it can't convert.
class EConvertError : public Exception {
public:
    using Exception::Exception;
};

// Raised for graphic data that can't be read: a damaged file, an unknown file extension, a
// clipboard without a picture.
class EInvalidGraphic : public Exception {
public:
    using Exception::Exception;
};

// Raised when a graphic is asked for something its class can't do.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

class TGraphic {
public:
    TGraphic() = default;
    virtual ~TGraphic() = default;
    TGraphic(const TGraphic&) = delete;
    TGraphic& operator=(const TGraphic&) = delete;

    // The class's name as users and error texts know it ("TPngGraphic").
    virtual const char* ClassName() const { return "TGraphic"; }
    // A new, empty graphic of exactly this class; null for classes that can't be copied.
    // Pictures take their copies through it.
    virtual std::unique_ptr<TGraphic> NewInstance() const { return nullptr; }

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() const = 0;

    // The stored flag; graphics that know their own transparency answer that instead.
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value) { FTransparent = value; }

    // The graphic's colours as a palette, owned by the graphic; null when it has none.
    virtual gdi::TPalette* Palette() const { return nullptr; }
    virtual void SetPalette(const gdi::TPalette* /*value*/) {}

    // Draws the graphic into `rect` of `canvas`.
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;

    // Copies `source` into this graphic. The default asks the source to assign itself to
    // this one, and raises EConvertError when neither side knows the other.
    virtual void Assign(const TGraphic& source);
    // Copies this graphic into `dest`; the default raises EConvertError.
    virtual void AssignTo(TGraphic& dest) const;

    virtual void LoadFromStream(TStream& stream) = 0;
    virtual void SaveToStream(TStream& stream) = 0;
    // Open the file (raising the stream errors when it can't be), then go through the
    // stream operations; the file is closed on every exit.
    virtual void LoadFromFile(const std::string& fileName);
    virtual void SaveToFile(const std::string& fileName);

    // Reads the picture the clipboard data holds; the default raises EInvalidGraphic.
    virtual void LoadFromClipboardFormat(const QMimeData& data);
    // Puts the graphic into clipboard data; the default raises EInvalidGraphicOperation.
    virtual void SaveToClipboardFormat(QMimeData& data);

    // Raised after the graphic's content changed (a load, an assignment, a pixel set).
    std::function<void(TGraphic* sender)> OnChange;

protected:
    void Changed() {
        if (OnChange)
            OnChange(this);
    }

private:
    bool FTransparent = false;
};
