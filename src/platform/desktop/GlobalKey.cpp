#include "platform/desktop/GlobalKey.h"

namespace tk {

QString GlobalKey::displayText(const QKeySequence& key) {
    if (key.isEmpty() || key[0].key() == Qt::Key_unknown)
        return {};
    return QKeySequence(key[0]).toString(QKeySequence::NativeText);
}

} // namespace tk
