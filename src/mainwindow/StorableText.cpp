#include "mainwindow/StorableText.h"

#include "platform/Ui.h"
#include "session/UserSession.h"

namespace {

void showCannotStore(const QString& text, QChar bad, const QString& what) {
    const QString code =
        QStringLiteral("U+%1").arg(uint(bad.unicode()), 4, 16, QLatin1Char('0')).toUpper();
    const QString character =
        bad.isPrint() ? QStringLiteral("\"%1\" (%2)").arg(QString(bad), code) : code;
    QString message = text;
    message.replace(QLatin1String("%1"), character);
    if (!what.isEmpty()) {
        message = what + QLatin1Char(' ') + message;
    }
    platform::ui().showMessage(message);
}

}  // namespace

std::optional<QByteArray> storableText(const session::UserSession& session, const QString& text,
                                       const QString& cannotStore, const QString& what) {
    if (const std::optional<QChar> bad = session.unstorable(text)) {
        showCannotStore(cannotStore, *bad, what);
        return std::nullopt;
    }
    return session.stored(text);
}

bool storableBytes(const session::UserSession& session, const QByteArray& bytes,
                   const QString& cannotStore, const QString& what) {
    if (const std::optional<QChar> bad = session.unstorableStored(bytes)) {
        showCannotStore(cannotStore, *bad, what);
        return false;
    }
    return true;
}
