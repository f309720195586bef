// The print preview lives in its own module of the package, libKivoPreview.so, the one part of the
// program that uses the browser engine (Qt WebEngine). The program loads it the first time a preview
// opens, so starting the program, connecting and scanning never map the engine.
//
// The module exports the C entry points below. Both sides are built together from this header; a
// module of another interface version is refused rather than called.
#pragma once

class QString;
class QWidget;
class ReportSource;

namespace preview {

inline constexpr char kModuleFile[] = "libKivoPreview.so";

// Raised whenever an entry's arguments or meaning change.
inline constexpr int kInterfaceVersion = 2;

inline constexpr char kInterfaceVersionEntry[] = "kivoPreviewInterfaceVersion";
inline constexpr char kRunPreviewEntry[] = "kivoPreviewRun";
inline constexpr char kWriteReportPdfEntry[] = "kivoPreviewWriteReportPdf";

extern "C" {
// The interface version the module was built with.
using InterfaceVersionFn = int (*)();

// Shows the print preview of `source` modally over `parent` and returns when the user has closed it.
// Everything the preview needs from the program (values, plot, folders, message boxes) comes through
// `source`. Returns false, before showing anything, with a sentence in *error when the browser engine
// cannot run.
using RunPreviewFn = bool (*)(ReportSource& source, QWidget* parent, QString* error);

// Writes the report file `htmlPath` (with its images beside it) as a vector PDF to `pdfPath`, without
// a window. Needs a QGuiApplication (the offscreen platform is enough) and blocks until done. Returns
// false with a sentence in *error when the page cannot be loaded or the PDF cannot be written.
using WriteReportPdfFn = bool (*)(const QString& htmlPath, const QString& pdfPath, QString* error);
}

} // namespace preview
