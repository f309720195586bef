// The persisted property set of the plot control and its text form, a human-readable property bag:
//
//   [Trevium 1.0]
//   Enabled=true
//   ...
//   BackColor=0x00000000
//   XLabel="Energy (keV)"
//
// Stock properties and the extent come first, then the control's own properties in their fixed order.
// The parser is pure (text in, values out) and never fails: what it cannot use keeps its default and
// is reported as a warning.
#pragma once

#include "TreviumExport.h"

#include <QString>
#include <QStringList>
#include <QStringView>

namespace trevium {

struct PersistedProperties {
    // Stock set and extent. `font` is QFont::toString(); empty means the framework's default font.
    bool enabled = true;
    QString font;
    qint16 borderStyle = 0;
    qint16 appearance = 1; // vb3D
    qint32 extentX = 0;    // pixels; 0 = not recorded
    qint32 extentY = 0;

    // The control's own properties; the initialisers are the values of a reset control.
    quint32 backColor = 0x00000000;
    quint32 graphColor = 0x0000FF00;
    quint32 gridColor = 0x00808080;
    quint32 axisColor = 0x00C0C0C0;
    quint32 labelColor = 0x00C8FFFF;
    quint32 referenceColor = 0x00808080;
    quint32 alarmColor = 0x000000FF;
    quint32 cursorColor = 0x00C0C0C0;
    qint16 xMin = 0;
    qint16 xMax = 0;
    float yMin = 0.0f;
    float yMax = 0.0f;
    qint32 yScale = 0;
    qint32 alarmLevel = 0;
    qint16 cursorType = 0; // CursorLine
    bool showGrid = true;
    bool showAxes = true;
    bool showFrame = true;
    bool showTicks = true;
    bool showAlarm = false;
    bool showLabels = false;
    bool showROIs = true;
    bool showWaterfall = false;
    bool showCursor = false;
    bool plotFilled = false;
    bool gridOnTop = false;
    bool compareMode = false;
    bool fastDraw = true;
    QString xLabel;
    QString yLabel;

    bool operator==(const PersistedProperties&) const = default;
};

// The values a persisted property can hold. Setters ignore anything else and the loader rejects it,
// so whatever a host can set is saved and loads back unchanged.
// - Colours (OLE_COLOR): 0x00BBGGRR, or a system-colour index with the high byte 0x80.
inline constexpr bool isOleColor(quint32 c) {
    return (c >> 24) == 0x00 || (c >> 24) == 0x80;
}
// - BorderStyle: 0 none, 1 fixed single. Appearance: vbFlat 0, vb3D 1. CursorType: CursorLine 0,
//   CursorShort 1.
inline constexpr qint16 kBorderStyleMax = 1;
inline constexpr qint16 kAppearanceMax = 1;
inline constexpr qint16 kCursorTypeMax = 1;
// - YMin, YMax: finite single-precision numbers.
// - The extent: 0 (not recorded) to kMaxExtent pixels, which is also the control's maximum size.
inline constexpr qint32 kMaxExtent = 32767;
// Other integers and flags take every value of their type, labels and the font any text.

inline constexpr int kPropertyBagVersionMajor = 1;
inline constexpr int kPropertyBagVersionMinor = 0;

struct PropertyBagLoad {
    PersistedProperties properties;
    QStringList warnings; // one line per value or line that could not be used
    bool versionAccepted = false;
};

// The persisted names in exchange order (stock set first).
TREVIUM_EXPORT QStringList persistedPropertyNames();
// Reads a bag. Missing, unknown, mistyped or out-of-range values keep their defaults.
TREVIUM_EXPORT PropertyBagLoad parsePropertyBag(QStringView text);
// Writes all persisted properties with the version header.
TREVIUM_EXPORT QString writePropertyBag(const PersistedProperties& properties);

} // namespace trevium
