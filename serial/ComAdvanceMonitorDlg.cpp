// The advanced monitor page's controls, rows, record viewer and log.
#include "serial/ComAdvanceMonitorDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "base/QtText.h"
#include "serial/ComAdvanceMonitorTexts.h"
#include "serial/SerMonSession.h"
#include "serial/SerialPorts.h"
#include "terminal/ChunkPump.h"
#include "terminal/ListCtrlEx.h"
#include "terminal/TextFile.h"
#include "terminal/ViewEditDlg.h"

namespace viz {
namespace {

namespace t = texts::comadvance;

constexpr int kDataColumnWidth = 590;
// New rows reach the list at most this often: every change of the list
// repaints it, and a busy port brings hundreds of rows a second.
constexpr int kRowInterval = 25;

// A row of a busy port carries up to 4096 bytes, over 12,000 characters in
// hex. Laying all of them out at every paint stalls the page, so the list is
// given no more characters than its cell can show even if all were as narrow
// as a blank; the viewer and the log still get the whole text.
class FittingTextDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const int narrowest = std::max(1, option->fontMetrics.horizontalAdvance(u' '));
        const qsizetype fits = option->rect.width() / narrowest + 2;
        if (option->text.size() > fits) option->text.truncate(fits);
    }
};

template <typename Widget>
Widget* Named(Widget* widget, const char* name) {
    widget->setObjectName(QLatin1StringView(name));
    return widget;
}

}  // namespace

CComAdvanceMonitorDlg::CComAdvanceMonitorDlg(PageContext& context, QWidget* parent, SerMonSetup setup)
    : CPage(context, parent), setup_(std::move(setup)) {
    CreateControls();
    SetToolTips();
    for (const std::string& port : ListSerialPorts(setup_.ttyClassRoot))
        port_->addItem(QString::fromStdString(port));
    port_->setCurrentIndex(0);

    // Passes short enough that a burst of 4 KB rows in hex never holds the page long.
    pump_ = new CChunkPump(this, {.maxBytes = 64 * 1024, .maxChunks = 8192});
    pump_->setDelivery([this](const Chunk& chunk) { AddRecord(chunk); }, {});
    rowTimer_ = new QTimer(this);
    rowTimer_->setSingleShot(true);
    rowTimer_->setInterval(kRowInterval);
    connect(rowTimer_, &QTimer::timeout, this, &CComAdvanceMonitorDlg::ShowRows);
    helperTimer_ = new QTimer(this);
    helperTimer_->setInterval(20);
    connect(helperTimer_, &QTimer::timeout, this, &CComAdvanceMonitorDlg::CheckHelper);
    ShowState();
}

CComAdvanceMonitorDlg::~CComAdvanceMonitorDlg() {
    if (rows_.watchedPortOpen()) Tell(t::kCloseWatchedPort, false);
    EndSession();
}

QString CComAdvanceMonitorDlg::alias() const {
    return alias_->text();
}

CViewEditDlg* CComAdvanceMonitorDlg::viewer() const {
    return viewer_;
}

void CComAdvanceMonitorDlg::CreateControls() {
    port_ = Named(new QComboBox(this), "port");
    // Ports the system does not list (pseudo-terminals, adapters of other
    // kinds) are typed; a name without a folder is taken from /dev.
    port_->setEditable(true);
    port_->setInsertPolicy(QComboBox::NoInsert);
    port_->setCompleter(nullptr);
    port_->setMinimumContentsLength(14);
    auto* portLabel = new QLabel(Text(t::kPortLabel), this);
    portLabel->setBuddy(port_);
    // The typed path's edit is a control of its own for screen readers.
    port_->lineEdit()->setAccessibleName(portLabel->text().remove(QLatin1Char(':')).remove(QChar(u'：')));
    start_ = Named(new QPushButton(Text(t::kStart), this), "start");
    stop_ = Named(new QPushButton(Text(t::kStop), this), "stop");
    clear_ = Named(new QPushButton(Text(t::kClear), this), "clear");
    save_ = Named(new QPushButton(Text(t::kSave), this), "save");
    hex_ = Named(new QCheckBox(Text(t::kHexDisplay), this), "hexDisplay");
    install_ = Named(new QPushButton(Text(t::kInstall), this), "install");
    uninstall_ = Named(new QPushButton(Text(t::kUninstall), this), "uninstall");

    auto* warning = new QLabel(Text(t::kWarning), this);
    QPalette red = warning->palette();
    red.setColor(QPalette::WindowText, QColor(255, 0, 0));
    warning->setPalette(red);
    alias_ = Named(new QLineEdit(this), "alias");
    alias_->setReadOnly(true);
    auto* aliasLabel = new QLabel(Text(t::kAliasLabel), this);
    aliasLabel->setBuddy(alias_);

    list_ = Named(new CListCtrlEx(this), "records");
    list_->setAccessibleName(Text(t::kListName));
    list_->setColumnWidth(3, kDataColumnWidth);
    list_->setItemDelegateForColumn(3, new FittingTextDelegate(list_));

    auto* controls = new QHBoxLayout;
    controls->addWidget(portLabel);
    controls->addWidget(port_);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{start_, stop_, clear_, save_, hex_, install_, uninstall_})
        controls->addWidget(widget);
    controls->addStretch(1);
    auto* aliasRow = new QHBoxLayout;
    aliasRow->addWidget(warning);
    aliasRow->addStretch(1);
    aliasRow->addWidget(aliasLabel);
    aliasRow->addWidget(alias_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(controls);
    layout->addLayout(aliasRow);
    layout->addWidget(list_, 1);

    connect(start_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::StartWatch);
    connect(stop_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::StopWatch);
    connect(clear_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::ClearRows);
    connect(save_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::SaveLog);
    connect(hex_, &QCheckBox::toggled, this, [this](bool on) { rows_.setHex(on); });
    connect(install_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::Install);
    connect(uninstall_, &QPushButton::clicked, this, &CComAdvanceMonitorDlg::Uninstall);
    // A click shows the row; so does moving to it with the keyboard.
    connect(list_, &QTableView::clicked, this,
            [this](const QModelIndex& index) { ShowInViewer(index.row()); });
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) { ShowInViewer(current.row()); });
}

void CComAdvanceMonitorDlg::SetToolTips() {
    const std::pair<QWidget*, const char16_t*> tips[] = {
        {port_, t::kTipPort},           {start_, t::kTipStart},    {stop_, t::kTipStop},
        {clear_, t::kTipClear},         {save_, t::kTipSave},      {install_, t::kTipInstall},
        {uninstall_, t::kTipUninstall}, {hex_, t::kTipHexDisplay},
    };
    for (const auto& [widget, tip] : tips) widget->setToolTip(Text(tip));
}

void CComAdvanceMonitorDlg::ShowState() {
    start_->setEnabled(state_ == State::Idle);
    port_->setEnabled(state_ == State::Idle);
    stop_->setEnabled(state_ == State::Watching);
    if (state_ == State::Idle) alias_->clear();
}

void CComAdvanceMonitorDlg::Tell(const char16_t* text, bool failure) {
    if (failure) {
        QMessageBox::warning(this, QCoreApplication::applicationName(), Text(text));
    } else {
        QMessageBox::information(this, QCoreApplication::applicationName(), Text(text));
    }
}

void CComAdvanceMonitorDlg::AddRecord(const Chunk& chunk) {
    std::optional<MonitorRow> row = rows_.Take(chunk.bytes.data(), chunk.bytes.size());
    if (!row) return;
    waitingRows_.push_back(std::move(*row));
    if (!rowTimer_->isActive()) rowTimer_->start();
}

void CComAdvanceMonitorDlg::ShowRows() {
    rowTimer_->stop();
    for (const MonitorRow& row : waitingRows_) list_->AddRow(row);
    waitingRows_.clear();
}

void CComAdvanceMonitorDlg::ShowInViewer(int row) {
    ShowRows();
    const std::vector<MonitorRow>& rows = list_->rows();
    if (!viewer_ || row < 0 || static_cast<std::size_t>(row) >= rows.size()) return;
    viewer_->SetText(QString::fromStdU16String(rows[static_cast<std::size_t>(row)][3]).left(t::kViewerLimit));
}

void CComAdvanceMonitorDlg::ClearRows() {
    waitingRows_.clear();
    rowTimer_->stop();
    rows_.Clear();
    list_->Clear();
}

void CComAdvanceMonitorDlg::SaveLog() {
    ShowRows();
    // A relative name: the kernel resolves it, so a working folder that was
    // removed fails the write instead of sending the file elsewhere.
    const std::string error =
        WriteTextFile(Text(t::kLogFile).toStdString(), AdvanceMonitorLogText(list_->rows()));
    Tell(error.empty() ? t::kLogSaved : t::kLogFailed, !error.empty());
}

}  // namespace viz
