// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUuid>

#include <optional>

namespace qm {

// One stored script. The id never changes once the script exists.
struct Script {
    QUuid id;
    QString title;
    QString text;

    Script()
        : id(QUuid::createUuid())
    {
    }
    Script(QString title_, QString text_, QUuid id_ = QUuid::createUuid())
        : id(id_)
        , title(std::move(title_))
        , text(std::move(text_))
    {
    }

    QJsonObject toJson() const;
    // Strict: all three keys with the right types and a canonical UUID, or nothing.
    static std::optional<Script> fromJson(const QJsonValue &value);

    // Texts compare by canonical equivalence, so precomposed and decomposed accents are equal.
    friend bool operator==(const Script &a, const Script &b);
};

// The canonical upper-case 36-character form used in the files.
QString uuidText(const QUuid &id);
// Parses exactly the canonical 8-4-4-4-12 form (either case); anything else gives nothing.
std::optional<QUuid> parseCanonicalUuid(const QString &text);

// scripts.json: a compact JSON array of scripts, in list order.
QByteArray encodeScripts(const QList<Script> &scripts);
// Fails as a whole when the bytes are not a JSON array or any element is not a valid script.
// A script whose id an earlier one already has is given a fresh id.
std::optional<QList<Script>> decodeScripts(const QByteArray &bytes);

} // namespace qm
