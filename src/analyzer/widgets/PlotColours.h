#pragma once
// The analyzer's colours, shared by its views and their saved pictures.

#include <QColor>

namespace quorvel {

inline const QColor kInPhaseColour{0, 90, 200};
inline const QColor kQuadratureColour{220, 60, 20};
inline const QColor kSpectrumColour{0, 110, 60};
inline const QColor kAnnotationFill{255, 190, 0, 50};
inline const QColor kAnnotationEdge{200, 140, 0};
inline const QColor kCursorColour{200, 0, 160};
inline const QColor kIdealPointColour{0, 0, 0};

// The spectrogram's and the eye's scale: share 0 (lowest) to 1 (highest), dark blue through
// cyan and yellow to white, brighter for more.
QRgb heatColour(double share);

}  // namespace quorvel
