#include "port_field.h"

#include <QFontMetrics>
#include <QLineEdit>
#include <QSerialPortInfo>

PortField::PortField(const QString& text, QWidget* parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setMinimumContentsLength(12);
    refresh();
    setEditText(text);
}

void PortField::refresh()
{
    const QString typed = currentText();
    clear();
    // USB adapters come and go: list what is present when the list opens.
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString desc = info.description();
        addItem(info.systemLocation());
        if (!desc.isEmpty())
            setItemData(count() - 1, desc, Qt::ToolTipRole);
    }
    setEditText(typed);
}

void PortField::showPopup()
{
    refresh();
    QComboBox::showPopup();
}
