#include "wizard/AboutTexts.h"

namespace wizard {

QString OwnershipLine(int year, const QString& copyright) {
    return QStringLiteral("Copyright \u00A9 %1 %2. All rights reserved.").arg(year).arg(copyright);
}

QString LegalNotice() {
    return QStringLiteral(
        "This program is protected by copyright law and international treaties. Copying, changing or "
        "passing on this program, or any part of it, without the owner's written permission is not allowed.");
}

}  // namespace wizard
