// Feeds arbitrary bytes to the spectrum-file readers (N42, SPE, CSV, chosen by the contents as for a
// real file). Besides not crashing, whatever they read must be writable in all three formats and read
// back with the same counts, and must rebin onto a scan's channels with its total kept.
#include "Rebin.h"
#include "SpectrumFile.h"

#include <cstdint>
#include <cstdlib>

namespace {

qint64 total(const QList<qint32>& counts) {
    qint64 sum = 0;
    for (qint32 c : counts)
        sum += c;
    return sum;
}

spectrum::ScanRecord scanLayout() {
    spectrum::ScanRecord scan;
    scan.channels = 128;
    scan.counts.fill(0, 129);
    return scan;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const spectrum::ReadResult first = spectrum::parse(bytes, QStringLiteral("fuzz"));
    if (!first.ok())
        return 0;
    if (!spectrum::validate(first.record).isEmpty())
        std::abort();
    for (spectrum::Format format : {spectrum::Format::N42, spectrum::Format::Spe, spectrum::Format::Csv}) {
        const spectrum::ReadResult again =
            spectrum::parse(spectrum::serialize(first.record, format), QStringLiteral("again"));
        if (!again.ok() || again.record.counts != first.record.counts)
            std::abort();
    }
    static const spectrum::ScanRecord scan = scanLayout();
    const QList<qint32> placed = spectrum::rebinOnto(first.record, scan);
    if (placed.size() != scan.counts.size() ||
        (total(first.record.counts) < 2147483647 && total(placed) != total(first.record.counts)))
        std::abort();
    return 0;
}
