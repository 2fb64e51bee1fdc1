#include "ExplorerSettings.h"

#include "engine/settings/Settings.h"
#include "engine/settings/SettingsStore.h"

namespace {

const QString kParams = QStringLiteral("Params");

int readWholeNumber(const SettingsStore &store, const char *key, int defaultValue)
{
    bool ok = false;
    const int value = store.GetSetting(kAppName, kParams, QLatin1String(key)).trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void writeWholeNumber(SettingsStore &store, const char *key, int value)
{
    store.SaveSetting(kAppName, kParams, QLatin1String(key), QString::number(value));
}

} // namespace

ExplorerLayoutValues ReadExplorerLayout(const SettingsStore &store)
{
    const ExplorerLayoutValues defaults;
    ExplorerLayoutValues v;
    v.width = readWholeNumber(store, "X1", defaults.width);
    v.height = readWholeNumber(store, "X2", defaults.height);
    v.vbar = readWholeNumber(store, "X3", defaults.vbar);
    v.hbar = readWholeNumber(store, "X4", defaults.hbar);
    return v;
}

void SaveExplorerLayout(SettingsStore &store, int width, int height, int vbar, int hbar)
{
    writeWholeNumber(store, "X1", width);
    writeWholeNumber(store, "X2", height);
    writeWholeNumber(store, "X3", vbar);
    writeWholeNumber(store, "X4", hbar);
    store.commit();
}
