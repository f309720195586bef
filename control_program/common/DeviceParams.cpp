#include "DeviceParams.h"

#include "DeviceLink.h"
#include "Globals.h"
#include "Params.h"

#include <array>

namespace device {

bool readText(qint32 id, TextParam& out) {
    // 32 characters plus a terminator the device never writes; cleared before every read so a
    // shorter text cannot pick up the tail of an earlier one.
    std::array<char, kivo::TEXT_PARAM_SIZE + 1> buffer{};
    if (kivo::DeviceLink::instance().GetParam(globals::hSCA, id, buffer.data(), kivo::TEXT_PARAM_SIZE) != 0)
        return false;
    out.raw = QString::fromLocal8Bit(buffer.data(), kivo::TEXT_PARAM_SIZE);
    out.text = StripNulls(out.raw);
    return true;
}

bool readNumber(qint32 id, qint32& out) {
    qint32 value = 0;
    if (kivo::DeviceLink::instance().GetParam(globals::hSCA, id, &value, kivo::NUMBER_PARAM_SIZE) != 0)
        return false;
    out = value;
    return true;
}

bool readLevelCount(qint32& out) {
    std::array<qint32, 3> info{};
    if (kivo::DeviceLink::instance().GetParam(globals::hSCA, kivo::PARAM_LEVEL_INFO, info.data(),
                                              kivo::LEVEL_INFO_PARAM_SIZE) != 0)
        return false;
    out = info[0];
    return true;
}

bool writeNumber(qint32 id, qint32 value) {
    return kivo::DeviceLink::instance().SetParam(globals::hSCA, id, value) == 0;
}

} // namespace device
