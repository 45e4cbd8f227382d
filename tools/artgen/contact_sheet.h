#pragma once
// One PNG that shows every packaged picture as it was written (read back from the files),
// scaled up where small, transparent ones over a checkerboard, the chat button frame by frame,
// and the tile's pictures assembled the way the tile stacks them.

#include <QImage>
#include <QString>

namespace artgen {

// Reads the pictures from `folder` (the generator's output). Throws std::runtime_error when one
// is missing or unreadable.
QImage RenderContactSheet(const QString& folder);

}  // namespace artgen
