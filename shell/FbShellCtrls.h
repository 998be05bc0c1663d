// The folder browser's controls in one include: the folder tree and the file list.
#pragma once

#include "shell/FbShellList.h"
#include "shell/FbShellTree.h"
