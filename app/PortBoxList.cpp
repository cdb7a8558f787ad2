#include "PortBoxList.h"

#include "Platform.h"
#include "PortInfo.h"

#include <QComboBox>

#include <vector>

void FillPortList(QComboBox* box, const std::string& sysRoot)
{
    const QString typed = box->currentText();
    box->clear();
    for (const PortInfo& port : DescribePorts(PlatformComPorts(), sysRoot)) {
        box->addItem(QString::number(port.number));
        box->setItemData(box->count() - 1, QString::fromStdString(PortInfoLine(port)), Qt::ToolTipRole);
    }
    box->setEditText(typed);
}
