#include "tools/CheckPage.h"

#include <QAction>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

#include "tools/CheckTexts.h"

namespace viz {
namespace {

namespace t = texts::check;

QString Text(const char* utf8) {
    return QString::fromUtf8(utf8);
}

std::size_t Index(CheckItem item) {
    return static_cast<std::size_t>(item);
}

// The label of each common result box, in the order the boxes are laid out,
// two to a row.
constexpr std::array<std::pair<CheckItem, const char*>, 8> kCommonBoxes{{
    {CheckItem::OddParity, t::kOddParity},
    {CheckItem::EvenParity, t::kEvenParity},
    {CheckItem::IntelHex, t::kIntelHex},
    {CheckItem::Bcc, t::kBcc},
    {CheckItem::Sum8, t::kSum8},
    {CheckItem::TcpIp, t::kTcpIp},
    {CheckItem::Sum16, t::kSum16},
    {CheckItem::Sum32, t::kSum32},
}};

}  // namespace

CCheck::CCheck(PageContext& context, QWidget* parent)
    : CPage(context, parent),
      inputGroup_(new QGroupBox(Text(t::kHexCaption), this)),
      input_(new QPlainTextEdit(inputGroup_)) {
    input_->setObjectName("input");
    input_->setTabChangesFocus(true);
    input_->viewport()->installEventFilter(this);
    AddModeSwitchKey();
    auto* inputLayout = new QVBoxLayout(inputGroup_);
    inputLayout->addWidget(input_);

    auto* compute = new QPushButton(Text(t::kCompute), this);
    auto* complement = new QPushButton(Text(t::kComputeComplement), this);
    auto* clear = new QPushButton(Text(t::kClear), this);
    connect(compute, &QPushButton::clicked, this, [this] { Compute(false); });
    connect(complement, &QPushButton::clicked, this, [this] { Compute(true); });
    connect(clear, &QPushButton::clicked, input_, &QPlainTextEdit::clear);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(compute);
    buttons->addWidget(complement);
    buttons->addWidget(clear);

    auto* resultsGroup = new QGroupBox(Text(t::kResults), this);
    auto* resultsLayout = new QHBoxLayout(resultsGroup);
    resultsLayout->addWidget(CreateCommonGroup(), 1);
    resultsLayout->addWidget(CreateCrcGroup(), 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(inputGroup_, 1);
    layout->addLayout(buttons);
    layout->addWidget(resultsGroup);
}

// The double-click's keyboard way: Ctrl+T in the input, also offered in its context menu.
void CCheck::AddModeSwitchKey() {
    auto* toggle = new QAction(Text(t::kToggleMode), input_);
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    toggle->setShortcutContext(Qt::WidgetShortcut);
    input_->addAction(toggle);
    connect(toggle, &QAction::triggered, this, &CCheck::ToggleInputMode);
    input_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(input_, &QWidget::customContextMenuRequested, this, [this, toggle](const QPoint& at) {
        std::unique_ptr<QMenu> menu(input_->createStandardContextMenu(at));
        menu->addSeparator();
        menu->addAction(toggle);
        menu->exec(input_->viewport()->mapToGlobal(at));
    });
}

QLineEdit* CCheck::CreateResultBox() {
    auto* box = new QLineEdit(this);
    box->setReadOnly(true);
    box->setAlignment(Qt::AlignCenter);
    return box;
}

QWidget* CCheck::CreateCommonGroup() {
    auto* group = new QGroupBox(Text(t::kCommon), this);
    auto* grid = new QGridLayout(group);
    for (std::size_t i = 0; i < kCommonBoxes.size(); ++i) {
        const auto& [item, caption] = kCommonBoxes[i];
        QLineEdit* box = CreateResultBox();
        results_[Index(item)] = box;
        auto* label = new QLabel(Text(caption), group);
        label->setBuddy(box);
        const int row = static_cast<int>(i / 2);
        const int column = static_cast<int>(i % 2) * 2;
        grid->addWidget(label, row, column, Qt::AlignRight);
        grid->addWidget(box, row, column + 1);
    }
    return group;
}

QWidget* CCheck::CreateCrcGroup() {
    auto* group = new QGroupBox(Text(t::kCrc), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(Text(t::kCrcResult), group), 0, 1, Qt::AlignHCenter);

    auto* crc8List = new QComboBox(group);
    crc8List->addItem(Text(t::kCrc8Entry));
    auto* crc16List = new QComboBox(group);
    for (const char* entry : t::kCrc16Entries) crc16List->addItem(Text(entry));
    auto* crc32List = new QComboBox(group);
    crc32List->addItem(Text(t::kCrc32Entry));
    crc8List->setObjectName("crc8List");
    crc16List->setObjectName("crc16List");
    crc32List->setObjectName("crc32List");
    connect(crc16List, &QComboBox::currentIndexChanged, this, [this](int index) {
        if (index >= 0 && index <= 2) crc16Kind_ = static_cast<Crc16Kind>(index);
    });

    const std::array<std::pair<QComboBox*, CheckItem>, 3> rows{
        {{crc8List, CheckItem::Crc8}, {crc16List, CheckItem::Crc16}, {crc32List, CheckItem::Crc32}}};
    for (int row = 0; row < 3; ++row) {
        const auto& [list, item] = rows[static_cast<std::size_t>(row)];
        QLineEdit* box = CreateResultBox();
        box->setObjectName(list->objectName().replace("List", "Result"));
        box->setAccessibleName(Text(t::kCrcResultNames[static_cast<std::size_t>(row)]));
        results_[Index(item)] = box;
        grid->addWidget(list, row + 1, 0);
        grid->addWidget(box, row + 1, 1);
    }
    return group;
}

bool CCheck::eventFilter(QObject* watched, QEvent* event) {
    if (watched == input_->viewport() && event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        ToggleInputMode();
        return true;
    }
    return CPage::eventFilter(watched, event);
}

void CCheck::ToggleInputMode() {
    mode_ = mode_ == CheckInputMode::Hex ? CheckInputMode::Text : CheckInputMode::Hex;
    inputGroup_->setTitle(Text(mode_ == CheckInputMode::Hex ? t::kHexCaption : t::kTextCaption));
}

void CCheck::Compute(bool complemented) {
    // The edit control's line breaks count as CR LF, as they are sent.
    const QString text = input_->toPlainText().replace(QChar(u'\n'), QStringLiteral("\r\n"));
    const CheckInput input = PrepareCheckInput(text.toStdU16String(), mode_);
    const CheckValues values = ComputeCheckValues(input.bytes, crc16Kind_);
    for (std::size_t i = 0; i < kCheckItemCount; ++i) {
        results_[i]->setText(QString::fromStdString(FormatCheckValue(values[i], complemented)));
    }
    if (input.truncated) QMessageBox::information(this, Text(t::kTruncatedTitle), Text(t::kTruncated));
}

}  // namespace viz
