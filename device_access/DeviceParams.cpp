#include "DeviceParams.h"

#include "DeviceLink.h"
#include "Params.h"

#include <array>

namespace device {

QString StripNulls(const QString& str) {
    const qsizetype nul = str.indexOf(QChar(u'\0'));
    return nul < 0 ? str : str.left(nul);
}

bool readText(qint32 handle, qint32 id, TextParam& out) {
    // 32 characters plus a terminator the device never writes; cleared before every read so a
    // shorter text cannot pick up the tail of an earlier one.
    std::array<char, kivo::TEXT_PARAM_SIZE + 1> buffer{};
    if (kivo::DeviceLink::instance().GetParam(handle, id, buffer.data(), kivo::TEXT_PARAM_SIZE) != 0)
        return false;
    out.raw = QString::fromLocal8Bit(buffer.data(), kivo::TEXT_PARAM_SIZE);
    out.text = StripNulls(out.raw);
    return true;
}

bool readNumber(qint32 handle, qint32 id, qint32& out) {
    qint32 value = 0;
    if (kivo::DeviceLink::instance().GetParam(handle, id, &value, kivo::NUMBER_PARAM_SIZE) != 0)
        return false;
    out = value;
    return true;
}

bool readLevelCount(qint32 handle, qint32& out) {
    std::array<qint32, 3> info{};
    if (kivo::DeviceLink::instance().GetParam(handle, kivo::PARAM_LEVEL_INFO, info.data(),
                                              kivo::LEVEL_INFO_PARAM_SIZE) != 0)
        return false;
    out = info[0];
    return true;
}

bool writeNumber(qint32 handle, qint32 id, qint32 value) {
    return kivo::DeviceLink::instance().SetParam(handle, id, value) == 0;
}

} // namespace device
