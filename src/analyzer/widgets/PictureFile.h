#pragma once
// A plot saved as a picture: PNG by its pixels, SVG by the same painting as vectors. The file is
// whole under its name or absent, as every file of this program.

#include <QSize>
#include <QString>
#include <optional>

namespace quorvel {

class PlotView;

// Saves view at size [pixels] to path, as SVG when the name ends in .svg, otherwise PNG. Nothing
// on success, otherwise the reason, naming the file.
std::optional<QString> savePicture(PlotView& view, const QString& path, QSize size);

}  // namespace quorvel
