#pragma once

#include <QIcon>

namespace kx {

enum class ToolIcon { kNew, kOpen, kSave, kCut, kCopy, kPaste, kPrint, kAbout };

// The toolbar picture of a command: the desktop theme's icon where there is
// one, otherwise a small drawing of our own, so every button shows a picture.
QIcon Tool_Icon(ToolIcon which);

}  // namespace kx
