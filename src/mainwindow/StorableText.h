#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace session {
class UserSession;
}

// A text typed for the vault, as stored: nothing when the vault cannot
// store one of its characters, and then cannotStore ("%1" the character,
// what in front: the field) was shown.
std::optional<QByteArray> storableText(const session::UserSession& session, const QString& text,
                                       const QString& cannotStore, const QString& what = QString());
// The same check for stored bytes read from a file (a category name).
bool storableBytes(const session::UserSession& session, const QByteArray& bytes,
                   const QString& cannotStore, const QString& what = QString());
