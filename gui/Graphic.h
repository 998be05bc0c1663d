// The framework's abstract graphic: something with a size that loads from and saves to a
// byte stream and draws itself onto a canvas. Pictures and image controls hold graphics
// through this class without knowing the format behind them.
#pragma once

#include "gui/Exceptions.h"
#include "platform/Geometry.h"

#include <string>

class TCanvas;
class TStream;

// Raised when a graphic is assigned from or to a class it can't convert.
class EConvertError : public Exception {
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

    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int value) = 0;
    virtual void SetHeight(int value) = 0;
    virtual bool Empty() const = 0;

    // The stored flag; graphics that know their own transparency answer that instead.
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool value) { FTransparent = value; }

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

private:
    bool FTransparent = false;
};
