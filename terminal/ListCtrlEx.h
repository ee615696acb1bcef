#pragma once

// The record list of the traffic monitor windows: four columns ("序号",
// "C/O/R/S", "数据长度", "数据"), grid lines, whole-row selection, and each
// row's background chosen by its kind (R, S, C, anything else as O).
//
//   auto* list = new CListCtrlEx(parent);
//   list->AddRow({u"0000", u"R", u"0002", u"CHR: ok"});   // appended and scrolled into view
//   list->Clear();
//   connect(list, &QTableView::clicked, ...);            // e.g. to show a record in CViewEditDlg

#include <QColor>
#include <QTableView>

#include <vector>

#include "terminal/MonitorRecords.h"

namespace viz {

class RecordListModel;

class CListCtrlEx : public QTableView {
    Q_OBJECT

public:
    explicit CListCtrlEx(QWidget* parent = nullptr);

    void AddRow(const MonitorRow& row);
    void Clear();
    const std::vector<MonitorRow>& rows() const;

    static QColor RowColor(const std::u16string& kind);

private:
    void ScrollToNewest();

    RecordListModel* model_;
    bool scrollScheduled_ = false;
};

}  // namespace viz
