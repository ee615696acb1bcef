// The "编译器：" choice: which compiler the code, the C file and the project
// are written for, kept in the settings store.
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "wizards/c51/Mcu51GuideDlg.h"
#include "wizards/c51/Mcu51GuideTexts.h"

namespace viz {

QHBoxLayout* CMcu51GuideDlg::BuildCompilerRow(QWidget* parent) {
    auto* row = new QHBoxLayout;
    auto* label = new QLabel(QString::fromUtf8(mcu51text::kCompilerLabel), parent);
    auto* list = new QComboBox(parent);
    list->setObjectName(QStringLiteral("compiler"));
    list->setAccessibleName(QString::fromUtf8(mcu51text::kCompilerName));
    label->setBuddy(list);
    for (const char* item : mcu51text::kCompilerItems) list->addItem(QString::fromUtf8(item));

    // A value the list does not have, or none stored, keeps Keil.
    std::uint32_t stored = 0;
    if (context().settings().ReadC51Compiler(stored) == kSettingsOk &&
        stored < mcu51text::kCompilerItems.size()) {
        compiler_ = static_cast<Mcu51Compiler>(stored);
        list->setCurrentIndex(static_cast<int>(stored));
    }
    connect(list, &QComboBox::currentIndexChanged, this, [this](int index) {
        SelectCompiler(index);
        context().settings().WriteC51Compiler(static_cast<std::uint32_t>(compiler_));
    });
    row->addWidget(label);
    row->addWidget(list, 1);
    return row;
}

void CMcu51GuideDlg::SelectCompiler(int index) {
    compiler_ = index == static_cast<int>(Mcu51Compiler::Sdcc) ? Mcu51Compiler::Sdcc : Mcu51Compiler::Keil;
    const bool sdcc = compiler_ == Mcu51Compiler::Sdcc;
    exportButton_->setText(QString::fromUtf8(sdcc ? mcu51text::kExportSdcc : mcu51text::kExportKeil));
    exportButton_->setToolTip(
        QString::fromUtf8(sdcc ? mcu51text::kExportSdccTip : mcu51text::kExportKeilTip));
}

}  // namespace viz
