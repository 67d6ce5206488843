#include "settings/QtProfileStore.h"

#include <QStringList>
#include <QVariant>

namespace velisto {
namespace {

QString groupOf(const std::string& section)
{
    return QString::fromStdString(section).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

QString pathOf(const std::string& section, const std::string& key)
{
    return groupOf(section) + QLatin1Char('/') + QString::fromStdString(key);
}

} // namespace

QtProfileStore::QtProfileStore()
    : settings_(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                            QStringLiteral("Korvane Software"), QStringLiteral("Velisto")))
{
}

QtProfileStore::QtProfileStore(const std::string& filePath)
    : settings_(std::make_unique<QSettings>(QString::fromStdString(filePath), QSettings::IniFormat))
{
}

// QSettings writes what is still pending when it is destroyed; flush() is the way to learn
// whether that worked.
QtProfileStore::~QtProfileStore() = default;

int QtProfileStore::getInt(const std::string& section, const std::string& key, int defaultValue) const
{
    const QVariant value = settings_->value(pathOf(section, key));
    if (!value.isValid()) {
        return defaultValue;
    }
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? number : defaultValue;
}

std::string QtProfileStore::getString(const std::string& section, const std::string& key,
                                      const std::string& defaultValue) const
{
    const QVariant value = settings_->value(pathOf(section, key));
    if (!value.isValid()) {
        return defaultValue;
    }
    // A hand-edited line with unquoted commas reads as a list; keep its text.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(QStringLiteral(", ")).toStdString();
    }
    return value.toString().toStdString();
}

bool QtProfileStore::hasKey(const std::string& section, const std::string& key) const
{
    return settings_->contains(pathOf(section, key));
}

void QtProfileStore::writeInt(const std::string& section, const std::string& key, int value)
{
    settings_->setValue(pathOf(section, key), value);
}

void QtProfileStore::writeString(const std::string& section, const std::string& key, const std::string& value)
{
    settings_->setValue(pathOf(section, key), QString::fromStdString(value));
}

void QtProfileStore::deleteSection(const std::string& section)
{
    // QSettings::remove("") would empty the whole file.
    if (section.empty()) {
        return;
    }
    settings_->remove(groupOf(section));
}

bool QtProfileStore::flush(std::string* error)
{
    settings_->sync();
    if (settings_->status() != QSettings::NoError) {
        // status() keeps only the first problem of the object's life: an earlier failed
        // write, or a malformed line met while re-reading the file, would hide how this
        // write went. A fresh object on the same file shares the changes not yet written
        // (QSettings keeps one copy per file in a process) and reports this write alone.
        settings_ = std::make_unique<QSettings>(settings_->fileName(), QSettings::IniFormat);
        settings_->sync();
    }
    // A format error means lines of the file that could not be read, not a failed write.
    const bool ok = settings_->status() != QSettings::AccessError;
    if (error != nullptr) {
        *error = ok ? std::string() : "Can't write settings file " + filePath();
    }
    return ok;
}

std::string QtProfileStore::filePath() const { return settings_->fileName().toStdString(); }

} // namespace velisto
