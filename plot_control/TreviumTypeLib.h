// Identity of the Trevium module in one place: type library metadata, program identifiers and the
// fixed GUIDs of the library, its classes, interfaces and enumerations. Hosts bind by DISPID and
// program identifier; the GUIDs are ours and never change once published.
#pragma once

namespace trevium::typelib {

// Type library.
inline constexpr char kLibraryName[] = "TreviumCtl";
inline constexpr int kVersionMajor = 1;
inline constexpr int kVersionMinor = 0;
inline constexpr unsigned kLocale = 0x409;
inline constexpr char kLibraryHelp[] = "Veltrano Trevium";
inline constexpr char kHelpFile[] = "Trevium.hlp";
inline constexpr char kLibraryGuid[] = "{6F1C2A40-3B7E-4D19-9A52-0C8E1F7B2D01}";

// The control.
inline constexpr char kControlCoclass[] = "Trevium";
inline constexpr char kControlHelp[] = "Trevium Control";
inline constexpr char kControlDispatchHelp[] = "Dispatch interface for Trevium Control";
inline constexpr char kControlEventsHelp[] = "Event interface for Trevium Control";
inline constexpr char kControlTypeName[] = "TreviumCtl.Trevium";
inline constexpr char kControlProgId[] = "Trevium.TreviumCtrl.1";
inline constexpr char kControlClsid[] = "{6F1C2A41-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kDTreviumIid[] = "{6F1C2A42-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kDTreviumEventsIid[] = "{6F1C2A43-3B7E-4D19-9A52-0C8E1F7B2D01}";

// Property page.
inline constexpr char kPropPageProgId[] = "Trevium.TreviumPropPage.1";
inline constexpr char kPropPageClsid[] = "{6F1C2A44-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kPropPageCaption[] = "General";

// ROI item, collection and enumerator.
inline constexpr char kRoiInfoProgId[] = "Trevium.ROIinfo.1";
inline constexpr char kRoiInfoIndependentProgId[] = "Trevium.ROIinfo";
inline constexpr char kRoiInfoClsid[] = "{6F1C2A45-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kIRoiInfoIid[] = "{6F1C2A46-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kRoiCollectionProgId[] = "Trevium.ROIcollection.1";
inline constexpr char kRoiCollectionHelp[] = "ROIcollection Class";
inline constexpr char kIRoiCollectionHelp[] = "_ROIcollection Interface";
inline constexpr char kRoiCollectionClsid[] = "{6F1C2A47-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kIRoiCollectionIid[] = "{6F1C2A48-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kEnumHelp[] = "TreviumEnumVARIANT Class";
inline constexpr char kEnumClsid[] = "{6F1C2A49-3B7E-4D19-9A52-0C8E1F7B2D01}";

// Calibration, waterfall, zoom box.
inline constexpr char kCalibrationProgId[] = "Trevium.Calibration.1";
inline constexpr char kCalibrationHelp[] = "Calibration Class";
inline constexpr char kICalibrationHelp[] = "ICalibration Interface";
inline constexpr char kCalibrationClsid[] = "{6F1C2A4A-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kICalibrationIid[] = "{6F1C2A4B-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kWaterfallProgId[] = "Trevium.Waterfall.1";
inline constexpr char kWaterfallHelp[] = "Waterfall Class";
inline constexpr char kIWaterfallHelp[] = "IWaterfall Interface";
inline constexpr char kWaterfallClsid[] = "{6F1C2A4C-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kIWaterfallIid[] = "{6F1C2A4D-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kZoomBoxProgId[] = "Trevium.ZoomBox.1";
inline constexpr char kZoomBoxHelp[] = "ZoomBox Class";
inline constexpr char kZoomBoxClsid[] = "{6F1C2A4E-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kIZoomBoxIid[] = "{6F1C2A4F-3B7E-4D19-9A52-0C8E1F7B2D01}";

// Enumerations.
inline constexpr char kAppearanceEnumGuid[] = "{6F1C2A50-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kScaleTypeGuid[] = "{6F1C2A51-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kGraphTypeGuid[] = "{6F1C2A52-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kRollModesGuid[] = "{6F1C2A53-3B7E-4D19-9A52-0C8E1F7B2D01}";
inline constexpr char kCursorTypeGuid[] = "{6F1C2A54-3B7E-4D19-9A52-0C8E1F7B2D01}";

// About box.
inline constexpr char kAboutTitle[] = "About Trevium Control";
inline constexpr char kAboutVersionLine[] = "Trevium Control, Version 1.0";
inline constexpr char kAboutMakerLine[] = "Veltrano Instruments";

} // namespace trevium::typelib
