#pragma once
// One PNG that shows every packaged picture as it was written (read back from the files),
// scaled up where small, transparent ones over a checkerboard, the chat button frame by frame,
// and the real tile and details window grabbed with a stand-in deal photo.

#include <QImage>
#include <QString>

namespace artgen {

// Reads the pictures from `folder` (the generator's output). Throws std::runtime_error when one
// is missing or unreadable.
QImage RenderContactSheet(const QString& folder);

}  // namespace artgen
