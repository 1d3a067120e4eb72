#include "core/ui/FrmFileProperties.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/Helpers.h"
#include "core/MessageTable.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/Machine.h"

namespace lumexa::core::ui {

namespace {
std::string FormatTime(platform::FileTime time)
{
    platform::Machine& machine = platform::Machine::Current();
    const platform::Clock& clock = machine.Clock();
    // File times are UTC; people read them in the machine's local time.
    const platform::TDateTime local =
        platform::FileTimeToDateTime(time) + static_cast<double>(clock.UtcOffsetSeconds()) / 86400.0;
    return platform::DateTimeToStr(local, clock.UserLocale());
}

std::string AttributeText(std::uint32_t attributes)
{
    std::string text;
    const std::pair<std::uint32_t, const char*> names[] = {
        {platform::FILE_ATTRIBUTE_READONLY, "strLX_CAPTION914"},
        {platform::FILE_ATTRIBUTE_HIDDEN, "strLX_CAPTION915"},
        {platform::FILE_ATTRIBUTE_SYSTEM, "strLX_CAPTION916"},
        {platform::FILE_ATTRIBUTE_ARCHIVE, "strLX_CAPTION917"},
    };
    for (const auto& [flag, key] : names) {
        if ((attributes & flag) == 0)
            continue;
        if (!text.empty())
            text += ", ";
        text += Msg(key);
    }
    return text;
}
} // namespace

TFrmFileProperties::TFrmFileProperties(const std::string& path, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TFrmFileProperties"));
    setWindowTitle(QString::fromStdString(Msg("strLX_CAPTION906")));
    setMinimumWidth(420);
    platform::Machine& machine = platform::Machine::Current();
    platform::FileSystem& files = machine.Files();
    const std::string full = files.FullPath(path);
    const std::size_t slash = full.rfind('\\');
    const std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
    std::string folder = slash == std::string::npos ? std::string() : full.substr(0, slash + 1);

    std::string size;
    if (const auto bytes = files.GetFileSize(full))
        size = Msg("strLX_CAPTION918",
                   {FormatByteCount("%d", static_cast<std::int64_t>(*bytes)),
                    platform::FormatGrouped(*bytes, machine.Clock().UserLocale())});
    std::string created, modified, accessed;
    if (const auto times = files.GetFileTimes(full)) {
        created = FormatTime(times->creationTime);
        modified = FormatTime(times->lastWriteTime);
        accessed = FormatTime(times->lastAccessTime);
    }
    const std::uint32_t attributes = files.GetFileAttributes(full);
    const std::string attributeText =
        attributes == platform::INVALID_FILE_ATTRIBUTES ? std::string() : AttributeText(attributes);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    const std::pair<const char*, std::pair<const char*, std::string>> rows[] = {
        {"lblName", {"strLX_CAPTION907", name}},
        {"lblFolder", {"strLX_CAPTION908", folder}},
        {"lblSize", {"strLX_CAPTION909", size}},
        {"lblCreated", {"strLX_CAPTION910", created}},
        {"lblModified", {"strLX_CAPTION911", modified}},
        {"lblAccessed", {"strLX_CAPTION912", accessed}},
        {"lblAttributes", {"strLX_CAPTION913", attributeText}},
    };
    for (const auto& [objectName, row] : rows) {
        auto* value = new QLabel(QString::fromStdString(row.second), this);
        value->setObjectName(QString::fromLatin1(objectName));
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        form->addRow(QString::fromStdString(Msg(row.first)), value);
    }
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QString::fromStdString(Msg("strLX_CAPTION919")));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

QString TFrmFileProperties::Value(const QString& objectName) const
{
    const auto* label = findChild<QLabel*>(objectName);
    return label ? label->text() : QString();
}

} // namespace lumexa::core::ui
