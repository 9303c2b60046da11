#include "shell/systemsettings.h"

#include "datastore/mdatabase.h"
#include "datastore/transaction.h"

#include <utility>

namespace SystemSettingsWriter {

bool save(const SystemSettings &s)
{
    const auto flag = [](bool on) {
        return on ? QStringLiteral("1") : QStringLiteral("0");
    };
    const std::pair<QString, QString> values[] = {
        {QStringLiteral("AutoInMoney"), flag(s.autoInMoney)},
        {QStringLiteral("AutoOutAmount"), flag(s.autoOutAmount)},
        {QStringLiteral("AutoInContainer"), flag(s.autoInContainer)},
        {QStringLiteral("SearchAddress"), flag(s.searchAddress)},
        {QStringLiteral("AutoDataRefresh"), flag(s.autoDataRefresh)},
        {QStringLiteral("ModemIndex"), QString::number(s.modemIndex)},
        {QStringLiteral("AreaCode"), s.areaCode},
        {QStringLiteral("NumberLen"), s.numberLen},
    };
    mDatabase::Transaction tx;
    if (!tx)
        return false;
    for (const auto &[name, value] : values) {
        if (!mDatabase::SetSysValue(name, value))
            return false; // rolled back
    }
    return tx.commit();
}

} // namespace SystemSettingsWriter
