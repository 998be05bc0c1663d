// The style's own icons for a desktop without an icon theme, read one size at a time.
//
// Qt's common style builds each of these icons by decoding every image it ships for it,
// 16, 32 and 128 pixels, open and closed; the tree and the list draw one of those sizes.
// Without an icon theme that decoding was most of what the viewer did at start-up beyond
// what any window with a list does, so for the styles known to take these icons from
// Qt's image files unchanged, only the file of the size drawn is read: the same pixels the
// style's icon gives at that size.
#pragma once

#include <QPixmap>
#include <QStyle>

// The pixmap `QApplication::style()->standardIcon(icon).pixmap(size, size)` gives, read
// from the style's image file of that size alone; a null pixmap where that cannot be
// promised (another style, another device pixel ratio, an icon or size not known to come
// from one file), for the caller to ask the style.
QPixmap StyleIconFilePixmap(QStyle::StandardPixmap icon, int size);
