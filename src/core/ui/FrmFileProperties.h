#pragma once

#include <string>

#include <QDialog>

class QLabel;

// "Properties" of a file on the machine: name, folder, size, the three times and the
// attributes, as the machine's file system reports them.
namespace lumexa::core::ui {

class TFrmFileProperties : public QDialog
{
    Q_OBJECT

public:
    explicit TFrmFileProperties(const std::string& path, QWidget* parent = nullptr);
    // The shown value of a row ("lblName", "lblFolder", "lblSize", "lblCreated",
    // "lblModified", "lblAccessed", "lblAttributes").
    QString Value(const QString& objectName) const;
};

} // namespace lumexa::core::ui
