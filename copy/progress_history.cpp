// SPDX-License-Identifier: GPL-3.0-or-later
#include "copy/progress_history.h"

#include "files/file_name.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>

#include <cmath>
#include <utility>

namespace copycheck {

namespace {

// A history is a line a session: beyond this it is no history of ours.
constexpr qint64 kMaxHistoryBytes = qint64(64) << 20;

// One JSON value as text.
QByteArray json(const QJsonValue &value)
{
    const QByteArray inArray = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return inArray.mid(1, inArray.size() - 2);
}

// The fields in the order a person reads them, which a QJsonObject (sorted by key) loses.
QByteArray toJsonLine(const HistoryEntry &entry)
{
    QJsonArray confusions;
    for (const Confusion &confusion : entry.confusions)
        confusions.append(QJsonObject{{QStringLiteral("attendu"), confusion.expected},
                                      {QStringLiteral("copié"), confusion.copied},
                                      {QStringLiteral("fois"), confusion.count}});
    // A session without a valid date is dated when it is kept, so that it reads back.
    const QDateTime when = entry.when.isValid() ? entry.when : QDateTime::currentDateTime();
    const double percent = std::isfinite(entry.percent) ? std::round(entry.percent * 100) / 100 : 0.0;
    return "{\"date\":" + json(when.toOffsetFromUtc(when.offsetFromUtc()).toString(Qt::ISODate))
           + ",\"fichier\":" + json(entry.correctionFile) + ",\"caractères\":" + json(entry.characters)
           + ",\"erreurs\":" + json(entry.errors) + ",\"pourcentage\":" + json(percent)
           + ",\"confusions\":" + json(confusions) + "}\n";
}

bool isCount(const QJsonValue &value)
{
    return value.isDouble() && value.toDouble() >= 0 && value.toDouble() <= std::numeric_limits<int>::max()
           && value.toDouble() == std::floor(value.toDouble());
}

bool fromJsonLine(const QByteArray &line, HistoryEntry &entry)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return false;
    const QJsonObject object = document.object();
    entry.when = QDateTime::fromString(object.value(QStringLiteral("date")).toString(), Qt::ISODate);
    const QJsonValue file = object.value(QStringLiteral("fichier"));
    const QJsonValue characters = object.value(QStringLiteral("caractères"));
    const QJsonValue errors = object.value(QStringLiteral("erreurs"));
    const QJsonValue percent = object.value(QStringLiteral("pourcentage"));
    const QJsonValue confusions = object.value(QStringLiteral("confusions"));
    if (!entry.when.isValid() || !file.isString() || !isCount(characters) || !isCount(errors) || !percent.isDouble()
        || !confusions.isArray())
        return false;
    entry.correctionFile = file.toString();
    entry.characters = characters.toInt();
    entry.errors = errors.toInt();
    entry.percent = percent.toDouble();
    entry.confusions.clear();
    for (const QJsonValue &value : confusions.toArray()) {
        const QJsonObject confusion = value.toObject();
        const QJsonValue count = confusion.value(QStringLiteral("fois"));
        if (!confusion.value(QStringLiteral("attendu")).isString() || !confusion.value(QStringLiteral("copié")).isString()
            || !isCount(count))
            return false;
        entry.confusions.push_back({confusion.value(QStringLiteral("attendu")).toString(),
                                    confusion.value(QStringLiteral("copié")).toString(), count.toInt()});
    }
    return true;
}

// What a history file holds: its readable lines, and whether anything else was there.
struct ReadHistory {
    QByteArray readableLines; // as they were written, each ending in a line break
    std::vector<HistoryEntry> entries;
    bool damaged = false;
};

ReadHistory readHistory(const QString &path)
{
    ReadHistory history;
    QFile file(path);
    if (!file.exists())
        return history;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxHistoryBytes) {
        history.damaged = true;
        return history;
    }
    const QByteArray bytes = file.readAll();
    history.damaged = file.error() != QFileDevice::NoError;
    for (QByteArray line : bytes.split('\n')) {
        if (line.trimmed().isEmpty())
            continue;
        HistoryEntry entry;
        if (!fromJsonLine(line, entry)) {
            history.damaged = true;
            continue;
        }
        history.entries.push_back(std::move(entry));
        history.readableLines += line.endsWith('\r') ? line.chopped(1) : line;
        history.readableLines += '\n';
    }
    return history;
}

// A name beside the damaged file that names no file yet.
QString asideName(const QString &path)
{
    const QFileInfo info(path);
    const QString stem = info.dir().filePath(info.completeBaseName() + QStringLiteral("-endommage-")
                                             + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    QString name = stem + QStringLiteral(".jsonl");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = stem + QStringLiteral("-%1.jsonl").arg(n);
    return name;
}

// Replaces the whole file at once: the old one stays as it was if anything fails.
QString writeWhole(const QString &path, const QByteArray &bytes)
{
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("le dossier « %1 » n'a pas pu être créé").arg(platform::shownPath(QFileInfo(path).absolutePath()));
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        return file.errorString();
    return {};
}

QString notSaved(const QString &path, const QString &reason)
{
    return QStringLiteral("L'historique des progrès « %1 » n'a pas pu être enregistré : %2.\n"
                          "Les séances déjà gardées n'ont pas changé.")
        .arg(platform::shownPath(path), reason);
}

// Keeps the damaged file under another name and starts a new one from its readable lines
// (and `added`); returns what to tell the user.
QString setAside(const QString &path, const ReadHistory &history, const QByteArray &added)
{
    const QString aside = asideName(path);
    if (!QFile::rename(path, aside))
        return QStringLiteral("L'historique des progrès « %1 » est endommagé et n'a pas pu être mis de côté : "
                              "il reste tel quel et cette séance n'y est pas ajoutée.")
            .arg(platform::shownPath(path));
    QString told = QStringLiteral("L'historique des progrès « %1 » était endommagé : il est gardé sous le nom « %2 », "
                                  "et un nouvel historique reprend ses %3 séances lisibles.")
                       .arg(platform::shownPath(path), platform::shownPath(aside))
                       .arg(history.entries.size());
    const QByteArray bytes = history.readableLines + added;
    if (!bytes.isEmpty()) {
        const QString failure = writeWhole(path, bytes);
        if (!failure.isEmpty())
            told += QLatin1Char('\n') + notSaved(path, failure);
    }
    return told;
}

} // namespace

HistoryEntry historyEntry(const Comparison &comparison, const QString &correctionFile, const QDateTime &when)
{
    return {when, correctionFile, comparison.correctionCharacters, comparison.errors(), comparison.percentRight(),
            comparison.confusions};
}

ProgressHistory::ProgressHistory(QString filePath) : m_filePath(std::move(filePath)) {}

QString ProgressHistory::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/progres.jsonl");
}

QString ProgressHistory::append(const HistoryEntry &entry)
{
    const ReadHistory history = readHistory(m_filePath);
    if (history.damaged)
        return setAside(m_filePath, history, toJsonLine(entry));
    const QString failure = writeWhole(m_filePath, history.readableLines + toJsonLine(entry));
    return failure.isEmpty() ? QString() : notSaved(m_filePath, failure);
}

std::vector<HistoryEntry> ProgressHistory::entries(QString *problem) const
{
    ReadHistory history = readHistory(m_filePath);
    if (history.damaged) {
        const QString told = setAside(m_filePath, history, {});
        if (problem)
            *problem = told;
    }
    return std::move(history.entries);
}

} // namespace copycheck
