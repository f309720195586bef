// Feeds arbitrary bytes to the property-bag parser. Besides not crashing, whatever it reads must
// survive a write and a second read unchanged.
#include "PropertyBag.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const trevium::PropertyBagLoad first = trevium::parsePropertyBag(text);
    const QString written = trevium::writePropertyBag(first.properties);
    const trevium::PropertyBagLoad second = trevium::parsePropertyBag(written);
    if (!second.warnings.isEmpty() || !(second.properties == first.properties))
        std::abort();
    return 0;
}
