#include "tools/HexBinGroup.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <filesystem>

#include "base/QtText.h"
#include "terminal/HexTypeDlg.h"
#include "tools/ConversionRunner.h"
#include "tools/ToolsTexts.h"

namespace viz {
namespace {

namespace t = texts::tools;

std::filesystem::path FilePath(const QString& path) {
    return path.toStdString();
}

}  // namespace

CHexBinGroup::CHexBinGroup(QWidget* parent)
    : QGroupBox(Text(t::kHexBinGroup), parent),
      runner_(new CConversionRunner(Text(t::kProgressTitle), this)) {
    auto* grid = new QGridLayout(this);
    auto* note = new QLabel(Text(t::kHexBinNote), this);
    note->setWordWrap(true);
    grid->addWidget(note, 0, 0, 1, 4);
    chooser_ = [this](const QString& filter) {
        return QFileDialog::getOpenFileName(this, QString(), QString(), filter);
    };

    AddRow(0, t::kBinToTextRow, t::kChooseBin, t::kChooseBinTip, t::kToText, t::kBinToTextTip, t::kBinFilter,
           [this](const QString& path) {
               Run([input = FilePath(path)](ConversionProgress& progress) {
                   return ConvertBinToText(input, progress);
               });
           });
    AddRow(1, t::kHexToTextRow, t::kChooseHex, t::kChooseHexTip, t::kToText, t::kHexToTextTip, t::kHexFilter,
           [this](const QString& path) { ConvertHex(path, false); });
    AddRow(2, t::kHexToBinRow, t::kChooseHex, t::kChooseHexTip, t::kToBin, t::kHexToBinTip, t::kHexFilter,
           [this](const QString& path) { ConvertHex(path, true); });

    grid->setRowStretch(4, 1);
    grid->setColumnStretch(1, 1);
    connect(runner_, &CConversionRunner::busyChanged, this, [this](bool busy) {
        for (auto* button : findChildren<QPushButton*>()) button->setDisabled(busy);
    });
}

void CHexBinGroup::AddRow(int index, const char16_t* label, const char16_t* choose, const char16_t* chooseTip,
                          const char16_t* action, const char16_t* actionTip, const char16_t* filter,
                          const std::function<void(const QString&)>& convert) {
    auto* grid = static_cast<QGridLayout*>(layout());
    Row& row = rows_[index];
    row.pathBox = new QLineEdit(this);
    row.pathBox->setReadOnly(true);
    auto* caption = new QLabel(Text(label), this);
    caption->setBuddy(row.pathBox);
    auto* chooseButton = new QPushButton(Text(choose), this);
    chooseButton->setToolTip(Text(chooseTip));
    auto* actionButton = new QPushButton(Text(action), this);
    actionButton->setToolTip(Text(actionTip));
    // The two text rows share a caption; the row's label tells them apart.
    actionButton->setAccessibleName(Text(actionTip));
    chooseButton->setAccessibleName(Text(label) + Text(choose));

    connect(chooseButton, &QPushButton::clicked, this, [this, index, filter] {
        Row& chosen = rows_[index];
        chosen.path = chooser_(Text(filter));
        chosen.pathBox->setText(chosen.path);
    });
    connect(actionButton, &QPushButton::clicked, this,
            [this, index, convert] { convert(rows_[index].path); });

    const int line = index + 1;
    grid->addWidget(caption, line, 0);
    grid->addWidget(row.pathBox, line, 1);
    grid->addWidget(chooseButton, line, 2);
    grid->addWidget(actionButton, line, 3);
}

void CHexBinGroup::ConvertHex(const QString& path, bool toBinary) {
    const std::optional<int> type = CHexTypeDlg::Choose(this);
    if (!type) return;
    const HexMode mode = *type == 2 ? HexMode::SkipFirstRecord : HexMode::AllRecords;
    Run([input = FilePath(path), mode, toBinary](ConversionProgress& progress) {
        return toBinary ? ConvertHexToBin(input, mode, progress) : ConvertHexToText(input, mode, progress);
    });
}

void CHexBinGroup::Run(std::function<ConversionOutcome(ConversionProgress&)> convert) {
    runner_->Run(
        [this, convert = std::move(convert)](ConversionProgress& progress) -> ConversionTask::Finish {
            const ConversionOutcome outcome = convert(progress);
            return [this, outcome] {
                const QString message = QString::fromStdU16String(outcome.message);
                if (outcome.succeeded) {
                    QMessageBox::information(this, QCoreApplication::applicationName(), message);
                } else {
                    QMessageBox::warning(this, QCoreApplication::applicationName(), message);
                }
            };
        });
}

}  // namespace viz
