// Who the program is to the desktop: its command name, version, desktop id and icon.
#pragma once

#include <string>

class QIcon;

// The command the program installs as ("bin/jibview").
inline constexpr const char* kProgramCommand = "jibview";
// The id of its desktop entry, AppStream component and icon (packaging/).
extern const char* const kDesktopId;
// The project's version ("1.0").
extern const char* const kProgramVersion;

// The icon in every size the hicolor theme is given (packaging/icons), compiled in, so a
// copy run from its build folder shows it too.
QIcon ProgramIcon();

// Names the running application after the program: its name, version, desktop entry (so
// a Wayland compositor matches the window to the menu entry) and the icon every window
// without one of its own shows.
void ApplyProgramIdentity();

// Makes the program's compiled-in resources (logo, icons) available; they sit in a static
// library, whose resources are not registered by themselves. Safe to call many times.
void RegisterProgramResources();
