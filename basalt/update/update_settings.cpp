#include "basalt/update/update_settings.h"

#include <QVariant>

namespace basalt {

void resetSettings(QSettings& store) {
    for (const auto& key :
         {vexa_key::currentUpdateInfo, vexa_key::nextUpdateCheck, vexa_key::nextUpdateCheckPeriod,
          vexa_key::remoteFileModDate, vexa_key::ignoreVersionInfo, vexa_key::updateAvailable}) {
        store.remove(key);
    }
}

void ignoreCurrentUpdate(QSettings& store) {
    const QVariant current = store.value(vexa_key::currentUpdateInfo);
    if (current.metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    store.setValue(vexa_key::ignoreVersionInfo, current);
    store.remove(vexa_key::currentUpdateInfo);
    store.remove(vexa_key::updateAvailable);
}

void undoIgnoreUpdate(QSettings& store) {
    const QVariant ignored = store.value(vexa_key::ignoreVersionInfo);
    if (ignored.metaType().id() != QMetaType::QVariantMap) {
        return;
    }
    store.setValue(vexa_key::currentUpdateInfo, ignored);
    store.setValue(vexa_key::updateAvailable, true);
}

void setCheckFrequency(QSettings& store, double seconds, const QDateTime& now) {
    store.setValue(vexa_key::nextUpdateCheckPeriod, seconds);
    if (seconds == 0) {
        store.remove(vexa_key::nextUpdateCheck);
    } else {
        store.setValue(vexa_key::nextUpdateCheck,
                       now.addMSecs(static_cast<qint64>(seconds * 1000.0)));
    }
}

}  // namespace basalt
