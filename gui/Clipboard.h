// The system clipboard as the framework's graphics use it: a graphic puts itself there in
// the formats it knows, and reads itself back from what is there.
#pragma once

class TGraphic;

class TClipboard {
public:
    // Replaces the clipboard's content with `graphic`.
    void Assign(TGraphic& graphic);
    // Loads `graphic` from the clipboard's content; raises EInvalidGraphic when it holds
    // nothing the graphic can read.
    void AssignTo(TGraphic& graphic) const;
    // True when the clipboard holds a picture.
    bool HasPicture() const;
};

TClipboard& Clipboard();
