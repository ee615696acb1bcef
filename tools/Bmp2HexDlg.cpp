#include "tools/Bmp2HexDlg.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/QtText.h"
#include "tools/Bmp2HexTexts.h"
#include "tools/BmpCode.h"
#include "tools/ConversionRunner.h"

namespace viz {
namespace {

namespace t = texts::bmp;

}  // namespace

CBmp2HexDlg::CBmp2HexDlg(PageContext& context, QWidget* parent)
    : CPage(context, parent),
      pathBox_(new QLineEdit(this)),
      status_(new QPlainTextEdit(this)),
      choose_(new QPushButton(Text(t::kChoose), this)),
      generate_(new QPushButton(Text(t::kGenerate), this)),
      runner_(new CConversionRunner(Text(t::kProgressTitle), this)) {
    pathBox_->setReadOnly(true);
    pathBox_->setObjectName("path");
    pathBox_->setAccessibleName(Text(t::kPathName));
    status_->setReadOnly(true);
    status_->setObjectName("status");
    status_->setTabChangesFocus(true);
    status_->setAccessibleName(Text(t::kInfoGroup));
    status_->setLineWrapMode(QPlainTextEdit::NoWrap);

    auto* operation = new QGroupBox(Text(t::kOperationGroup), this);
    auto* operationLayout = new QHBoxLayout(operation);
    operationLayout->addWidget(pathBox_, 1);
    operationLayout->addWidget(choose_);
    operationLayout->addWidget(generate_);
    auto* info = new QGroupBox(Text(t::kInfoGroup), this);
    auto* infoLayout = new QVBoxLayout(info);
    infoLayout->addWidget(status_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(operation);
    layout->addWidget(info, 1);

    chooser_ = [this] { return QFileDialog::getOpenFileName(this, QString(), QString(), Text(t::kFilter)); };
    connect(choose_, &QPushButton::clicked, this, &CBmp2HexDlg::ChooseFile);
    connect(generate_, &QPushButton::clicked, this, &CBmp2HexDlg::Generate);
    connect(runner_, &CConversionRunner::busyChanged, this, [this](bool busy) {
        choose_->setDisabled(busy);
        generate_->setDisabled(busy);
    });
}

bool CBmp2HexDlg::converting() const {
    return runner_->busy();
}

void CBmp2HexDlg::ChooseFile() {
    path_ = chooser_();
    pathBox_->setText(path_);
}

void CBmp2HexDlg::Generate() {
    const std::filesystem::path picture = path_.toStdString();
    runner_->Run([this, picture](ConversionProgress& progress) -> ConversionTask::Finish {
        const BmpOutcome outcome = ConvertBmpFile(picture, progress);
        return [this, outcome] {
            if (!outcome.status.empty()) status_->setPlainText(QString::fromStdU16String(outcome.status));
            if (!outcome.message.empty()) {
                QMessageBox::warning(this, QCoreApplication::applicationName(),
                                     QString::fromStdU16String(outcome.message));
            }
        };
    });
}

}  // namespace viz
