// The sorting results of a fetch run as the main window shows them: a result panel's click lists
// the device's dies and error entries on the "SORT Result" page, and a "Detail " button opens the
// sorting-result window (through the dialog seam) for the device.
#include <QObject>
#include <QTreeWidget>
#include <cstring>

#include "app/dialog_slots.h"
#include "app/main_form.h"
#include "app/result_lists.h"
#include "app/run_state.h"
#include "transport/trace.h"

namespace {

// The device number in the low byte of the sender's Tag.
int TagOf(QObject* sender) {
    return sender != nullptr ? (sender->property("Tag").toInt() & 0xFF) : 0;
}

void FillList(QTreeWidget* list, const std::vector<app::ListRow>& rows) {
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(rows.size()));
    for (const app::ListRow& row : rows) {
        QStringList cells;
        for (const std::string& cell : row) cells << QString::fromLatin1(cell.c_str());
        items << new QTreeWidgetItem(cells);
    }
    list->addTopLevelItems(items);
}

}  // namespace

void TMainForm::ResultPanel1Click(QObject* sender) {
    const int d = TagOf(sender);
    Main_BB_ListView->clear();
    TraceOut("ResultPanel1Click(%d)\n", d);
    if (d >= kDeviceCount) return;
    // The panels stay enabled from the last fetch run while the next one runs: a device whose worker
    // is writing its tables is not read.
    if (m_hThread[d]) {
        TraceOut("######### - Device %d: its results are being fetched, nothing listed\n", d);
        return;
    }
    FillList(Main_BB_ListView, app::DieListRows(m_DieTestInfo[d]));
    Main_RDTBad_ListView->clear();
    FillList(Main_RDTBad_ListView, app::ErrorListRows(m_SortError[d]));
}

void TMainForm::ResultPanel1DblClick(QObject*) {}

void TMainForm::EasyResult_btn_00Click(QObject* sender) {
    const int d = TagOf(sender);
    TraceOut("Easy Result Click DeviceNum(%d)\n", d);
    if (!DeviceConnected(d)) return;
    const std::uint16_t port = g_DeviceToPortMap[d];
    TraceOut("PortChipConnect(Port%d)\n", port);
    const char* serial = m_DieTestInfo[d][0][0][0].SerialNum;
    const std::string text(serial, strnlen(serial, sizeof m_DieTestInfo[d][0][0][0].SerialNum));
    app::ShowSortResult(static_cast<std::uint8_t>(port), static_cast<std::uint8_t>(d), text.c_str());
}
