#include "terminal/ListCtrlEx.h"

#include <QAbstractTableModel>
#include <QHeaderView>

#include "terminal/TerminalTexts.h"

namespace viz {

namespace t = terminal_texts;

// Rows live in a plain vector: a busy link adds thousands of rows a second.
class RecordListModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : 4; }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) return {};
        const MonitorRow& row = rows_[static_cast<std::size_t>(index.row())];
        switch (role) {
            case Qt::DisplayRole:
                return QString::fromStdU16String(row[static_cast<std::size_t>(index.column())]);
            case Qt::BackgroundRole:
                return CListCtrlEx::RowColor(row[1]);
            case Qt::TextAlignmentRole:
                return QVariant::fromValue(Alignment(index.column()));
            default:
                return {};
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal) return {};
        static const char16_t* const kHeaders[] = {t::kColumnNumber, t::kColumnKind, t::kColumnLength,
                                                   t::kColumnData};
        if (role == Qt::DisplayRole) return QString::fromUtf16(kHeaders[section]);
        if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Alignment(section));
        return {};
    }

    void Append(const MonitorRow& row) {
        const int at = static_cast<int>(rows_.size());
        beginInsertRows({}, at, at);
        rows_.push_back(row);
        endInsertRows();
    }

    void Clear() {
        beginResetModel();
        rows_.clear();
        endResetModel();
    }

    const std::vector<MonitorRow>& rows() const { return rows_; }

private:
    static Qt::Alignment Alignment(int column) {
        return column == 3 ? Qt::AlignLeft | Qt::AlignVCenter : Qt::AlignCenter;
    }

    std::vector<MonitorRow> rows_;
};

CListCtrlEx::CListCtrlEx(QWidget* parent) : QTableView(parent), model_(new RecordListModel(this)) {
    setModel(model_);
    setShowGrid(true);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    // Uniform rows let the view skip measuring every one of them.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    const int widths[] = {60, 60, 60, 573};
    for (int column = 0; column < 4; ++column) setColumnWidth(column, widths[column]);
}

QColor CListCtrlEx::RowColor(const std::u16string& kind) {
    if (kind == u"R") return QColor(246, 231, 176);
    if (kind == u"S") return QColor(211, 229, 250);
    if (kind == u"C") return QColor(255, 150, 150);
    return QColor(178, 211, 23);
}

void CListCtrlEx::AddRow(const MonitorRow& row) {
    model_->Append(row);
    ScrollToNewest();
}

void CListCtrlEx::Clear() {
    model_->Clear();
}

const std::vector<MonitorRow>& CListCtrlEx::rows() const {
    return model_->rows();
}

void CListCtrlEx::ScrollToNewest() {
    // Once per return to the event loop, however many rows came meanwhile.
    if (scrollScheduled_) return;
    scrollScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            scrollScheduled_ = false;
            scrollToBottom();
        },
        Qt::QueuedConnection);
}

}  // namespace viz
