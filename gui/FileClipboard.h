// The file clipboard of copy, cut and paste on the desktop's clipboard, so files copied in
// the viewer paste in a file manager and the other way round. Files travel as a uri-list
// (every program), GNOME's "x-special/gnome-copied-files" (which alone tells the file
// managers of GNOME, Xfce, Cinnamon and MATE that a cut should move) and KDE's cut mark;
// their paths as plain text for a terminal or a text field.
#pragma once

#include "platform/shellns/FileVerbs.h"

class QMimeData;

// The clipboard data of `content`, and the content of clipboard data that another
// program (or this one) put there: empty paths when it holds no local files.
void FileClipboardToMimeData(const platform::shellns::FileClipboardContent& content,
                             QMimeData& data);
platform::shellns::FileClipboardContent FileClipboardFromMimeData(const QMimeData& data);

// Puts the namespace's copy, cut and paste on the desktop's clipboard (the Qt application
// installs it).
void InstallDesktopFileClipboard();
