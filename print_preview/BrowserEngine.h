// Whether the browser engine can run here. Qt WebEngine ends the whole program when its helper
// process is missing, so the preview asks first and says so instead.
#pragma once

#include <QString>

namespace preview {

// The helper process the engine would start, found as the engine looks for it: $QTWEBENGINEPROCESS_PATH
// when set, else Qt's library executables folder, then the program's folder. Empty when it is missing.
QString BrowserHelperProcess();

// True when the engine can start; otherwise false with a sentence for the user in *error.
bool BrowserEngineAvailable(QString* error);

} // namespace preview
