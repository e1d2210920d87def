#include "VersionText.h"

#include "platform/core/ProgramIdentity.h"

namespace tk {

QString versionText(int major, int minor, int revision, const QLocale& locale) {
    const double value =
        static_cast<double>(major) + static_cast<double>(minor) / 10.0 + revision / 100.0;
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    return plain.toString(value, 'g', 15);
}

QString programVersionText() {
    return versionText(identity::kVersionMajor, identity::kVersionMinor, identity::kVersionRevision,
                       QLocale::system());
}

} // namespace tk
