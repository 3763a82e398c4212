// SPDX-License-Identifier: GPL-3.0-or-later
#include "script.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSet>

namespace qm {

QString uuidText(const QUuid &id)
{
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> parseCanonicalUuid(const QString &text)
{
    static const QRegularExpression pattern(QStringLiteral(
        "^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$"));
    if (!pattern.match(text).hasMatch())
        return std::nullopt;
    const QUuid id = QUuid::fromString(text);
    if (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000"))
        return std::nullopt;
    return id;
}

QJsonObject Script::toJson() const
{
    QJsonObject o;
    o.insert(QStringLiteral("id"), uuidText(id));
    o.insert(QStringLiteral("title"), title);
    o.insert(QStringLiteral("text"), text);
    return o;
}

std::optional<Script> Script::fromJson(const QJsonValue &value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const QJsonValue id = o.value(QStringLiteral("id"));
    const QJsonValue title = o.value(QStringLiteral("title"));
    const QJsonValue text = o.value(QStringLiteral("text"));
    if (!id.isString() || !title.isString() || !text.isString())
        return std::nullopt;
    const auto uuid = parseCanonicalUuid(id.toString());
    if (!uuid)
        return std::nullopt;
    return Script(title.toString(), text.toString(), *uuid);
}

bool operator==(const Script &a, const Script &b)
{
    if (a.id != b.id)
        return false;
    auto same = [](const QString &x, const QString &y) {
        return x == y
            || x.normalized(QString::NormalizationForm_D)
            == y.normalized(QString::NormalizationForm_D);
    };
    return same(a.title, b.title) && same(a.text, b.text);
}

QByteArray encodeScripts(const QList<Script> &scripts)
{
    QJsonArray array;
    for (const Script &s : scripts)
        array.append(s.toJson());
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<Script>> decodeScripts(const QByteArray &bytes)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !doc.isArray())
        return std::nullopt;
    QList<Script> out;
    const QJsonArray array = doc.array();
    out.reserve(array.size());
    QSet<QUuid> ids;
    for (const QJsonValue &v : array) {
        auto script = Script::fromJson(v);
        if (!script)
            return std::nullopt;
        // Deleting a script removes every script with its id, so two scripts sharing one
        // (copied by hand, or the same id once in each case) must not stay that way: the
        // later one gets an id of its own and keeps its title and text.
        while (ids.contains(script->id))
            script->id = QUuid::createUuid();
        ids.insert(script->id);
        out.append(std::move(*script));
    }
    return out;
}

} // namespace qm
