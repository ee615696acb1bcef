#include "app/StartupSettings.h"

namespace viz {

UpdateMode PrepareSettingsAtStart(SettingsStore& store) {
    store.RemoveStaleTempFiles();
    if (store.Exists()) {
        store.WriteMakerInfo();
    } else {
        store.WriteFirstRunDefaults();
    }
    // A start that changed nothing has not saved: the user still hears at
    // once when this run's settings cannot be kept.
    store.CheckSavable();
    std::uint32_t autoUpdate = 0;
    if (store.ReadAutoUpdate(autoUpdate) != kSettingsOk) {
        store.WriteAutoUpdate(1);
        return UpdateMode::Unknown;
    }
    return autoUpdate != 0 ? UpdateMode::On : UpdateMode::Off;
}

std::u16string MainWindowTitle(UpdateMode mode) {
    switch (mode) {
        case UpdateMode::On:
            return u"Duvezer [自动更新：已开启]";
        case UpdateMode::Off:
            return u"Duvezer [自动更新：已关闭，可在|升级与配置|选项卡开启]";
        case UpdateMode::Unknown:
            break;
    }
    return u"Duvezer [作者：Ruderu]";
}

}  // namespace viz
