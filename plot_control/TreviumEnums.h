// The enumerations of the TreviumCtl type library. Values are part of the automation contract.
// Enum-typed properties are held as 16-bit signed integers, hence the underlying type.
#pragma once

#include "TreviumExport.h"

#include <QObject>

namespace TreviumCtl {
Q_NAMESPACE_EXPORT(TREVIUM_EXPORT)

// "Appearance types"
enum AppearanceEnum : qint16 { vbFlat = 0, vb3D = 1 };
Q_ENUM_NS(AppearanceEnum)

// "Scale types"
enum ScaleType : qint16 { LogScale = 0, LinScale = 1, SqrtScale = 2 };
Q_ENUM_NS(ScaleType)

// "Plot modes" (there is no value 0)
enum GraphType : qint16 { PlotPoints = 1, PlotLines = 2, PlotHistogram = 3 };
Q_ENUM_NS(GraphType)

// "Roll modes"
enum RollModes : qint16 { RollNone = 0, RollLeft = 1, RollRight = 2 };
Q_ENUM_NS(RollModes)

// "Cursor Types"
enum CursorType : qint16 { CursorLine = 0, CursorShort = 1 };
Q_ENUM_NS(CursorType)

} // namespace TreviumCtl
