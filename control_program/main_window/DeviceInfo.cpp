// The device information box: the five identification texts, read afresh from the device.
#include "TopLevel.h"

#include "Conversions.h"
#include "DeviceParams.h"
#include "DeviceSequence.h"
#include "Globals.h"
#include "MessageService.h"
#include "Params.h"

#include <QLocale>

namespace {

const QString kTitle = QStringLiteral("Vantoll");

QString dateText(const device::TextParam& param) {
    const QDate date = conv::productionDate(param.raw);
    if (!date.isValid()) {
        const QString invalid = QStringLiteral("(invalid date)");
        return param.text.isEmpty() ? invalid : param.text + u' ' + invalid;
    }
    return QLocale().toString(date, QLocale::LongFormat);
}

} // namespace

void TopLevel::cmdInfo_Click() {
    if (globals::hSCA == 0) {
        showMessage(this, kTitle, tr("Not connected"), MsgIcon::Critical);
        return;
    }
    const DeviceSequence sequence;
    struct Item {
        qint32 id;
        QString caption;
        QString failure;
        QString text;
    };
    Item items[] = {
        {kivo::PARAM_PRODUCT_NAME, tr("Product name:"), tr("Failed to read product name."), {}},
        {kivo::PARAM_MANUFACTURER, tr("Manufacturer:"), tr("Failed to read manufacturer name."), {}},
        {kivo::PARAM_SERIAL_NUMBER, tr("Serial number:"), tr("Failed to read serial number."), {}},
        {kivo::PARAM_FW_VERSION, tr("Firmware version:"), tr("Failed to read firmware version."), {}},
        {kivo::PARAM_PRODUCTION_DATE, tr("Production date:"), tr("Failed to read production date."), {}},
    };
    for (Item& item : items) {
        device::TextParam param;
        if (!device::readText(globals::hSCA, item.id, param)) {
            showMessage(this, kTitle, item.failure, MsgIcon::Critical);
            item.text = tr("Unknown");
        } else {
            item.text = item.id == kivo::PARAM_PRODUCTION_DATE ? dateText(param) : param.text;
        }
    }
    QStringList lines;
    for (const Item& item : items)
        lines << item.caption + u'\t' + item.text;
    showMessage(this, kTitle, lines.join(QStringLiteral("\r\n")), MsgIcon::Information);
}
