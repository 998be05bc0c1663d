// The preview's own folder for extracted thumbnails, inside the private temporary folder.
#pragma once

#include <string>

// The engine matches member names without regard to case and writes each match under
// its stored name ("PREVIEW.PNG", "Preview.png"), so no fixed file name could say what to
// remove: each run extracts into this folder and empties it afterwards, however the run
// ended. The folder itself is kept for the next run and removed with the object: making
// and removing a folder for every preview costs a journalled directory block each time,
// which on a file system mounted with online discard waits for the disk (milliseconds
// per preview, several times the rest of the run).
class TPreviewFolder {
public:
    TPreviewFolder() = default;
    ~TPreviewFolder();
    TPreviewFolder(const TPreviewFolder&) = delete;
    TPreviewFolder& operator=(const TPreviewFolder&) = delete;

    // The folder for a run inside `parent` (which ends with "/"), made when there is
    // none there or the one made before is gone; ends with "/". Empty when none can be
    // made.
    const std::string& Prepare(const std::string& parent);
    // Removes everything inside the folder, keeping it.
    void Empty() const;

private:
    void Remove();

    std::string FPath;
};
